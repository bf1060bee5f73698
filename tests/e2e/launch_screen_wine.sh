#!/usr/bin/env bash
# The launch screen under wine: the launcher started with a bare "\L" shows the real dialog,
# driven from outside by tools/ui_automation (pointer moves, clicks, keys, the close box); the
# pixels read back show the white client area, the watermark centred (a test picture with a
# coloured marker in each corner), the hover face and the white caption in the title bar; each
# choice loads its sample module, and each cancel ends the launcher with exit code 0.
# Runs inside scripts/wine-run.sh --host, which gives it a fresh prefix (WINEPREFIX), the loader
# (VP_WINE) and a virtual display.
# Usage: launch_screen_wine.sh <windows build folder> [<screenshot.bmp>]
#   With a screenshot file, the launch screen is captured with the package's own watermark.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
build=$(realpath "$1")
screenshot=${2:-}
source "$here/wine_session.sh"
folder="$c/LaunchScreen"
rm -rf "$folder" && mkdir -p "$folder"
# The terminal's folder as the installer lays it out: launcher, runtime, both modules.
cp "$build/setup-package/VantProDB-TWS/"*.dll "$folder/"
cp "$build/setup-package/VantProDB-TWS/VantPro.exe" "$folder/VANTPlusTWS.exe"
use_automation "$build"
# No window manager runs on the virtual display: wine draws the title bar itself, so the
# caption the dialog paints there is on screen.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1

# The test watermark: 100 x 120 pixels of grey with a 3 x 3 marker in each corner (red top left,
# green top right, blue bottom left, magenta bottom right), small enough that the corners lie
# clear of the buttons.
wm_width=100 wm_height=120
python3 - "$folder/TXE-WM.bmp" "$wm_width" "$wm_height" <<'EOF'
import struct, sys
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
marker = {(0, 0): (255, 0, 0), (1, 0): (0, 255, 0), (0, 1): (0, 0, 255), (1, 1): (255, 0, 255)}
def colour(x, y):
    cx = 0 if x < 3 else 1 if x >= width - 3 else None
    cy = 0 if y < 3 else 1 if y >= height - 3 else None
    return marker.get((cx, cy), (128, 128, 128))
stride = (width * 3 + 3) & ~3
rows = b""
for y in reversed(range(height)):  # bottom row first
    row = b"".join(bytes((b, g, r)) for r, g, b in (colour(x, y) for x in range(width)))
    rows += row + b"\0" * (stride - len(row))
header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(path, "wb").write(b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54) + header + rows)
EOF

screen="#20000"  # the launch screen has no title: it is known by its FO button
terminal=""
start() {  # starts the launcher with a bare \L and waits for the launch screen
  (cd "$folder" && exec timeout 120 "$wine" 'C:\LaunchScreen\VANTPlusTWS.exe' '\L') &
  terminal=$!
  check "the launch screen appears" auto wait "$screen" 60000
}
ended() {  # <what>: the launcher has ended with exit code 0 and shows no module window
  local code=0
  wait "$terminal" || code=$?
  check "$1: the launcher ends with exit code 0" test "$code" = 0
  check "$1: no module window is shown" \
    bash -c '! auto wait "VantPlus Terminal" 500 && ! auto wait "VANT - FO Terminal" 500'
}
chose() {  # <what> <module window title>: the module's window shows instead of the launch screen
  check "$1: the window \"$2\" appears" auto wait "$2" 60000
  check "$1: the launch screen is gone" bash -c '! auto wait "$screen" 500'
  check "$1: the terminal closes on its Close button" auto click "$2" 2
  local code=0
  wait "$terminal" || code=$?
  check "$1: the launcher ends with exit code 0" test "$code" = 0
}
is_colour() {  # <origin> <x> <y> <r> <g> <b>: the pixel has that colour
  auto pixel "$screen" "$@" >/dev/null
}
not_colour() { ! is_colour "$@"; }
export wine screen
export -f auto is_colour
centre() {  # <control id>: "x y" of the control's centre in window coordinates
  local x y w h
  read -r x y w h < <(auto rect "$screen" "$1" | tr -d '\r')
  echo "$((x + w / 2)) $((y + h / 2))"
}

echo "== the look: white client area, watermark centred, caption, hover face"
start
read -r cx cy cw ch < <(auto rect "$screen" 0 | tr -d '\r')
echo "   client area at ($cx, $cy) in the window, $cw x $ch"
wait_for "the client area is white" 20 is_colour client 2 2 255 255 255
check "the client area is white in its far corner" is_colour client $((cw - 3)) $((ch - 3)) 255 255 255
x0=$((cw / 2 - wm_width / 2)) y0=$((ch / 2 - wm_height / 2))
x1=$((x0 + wm_width - 1)) y1=$((y0 + wm_height - 1))
check "the watermark's top-left corner is at ($x0, $y0)" is_colour client $x0 $y0 255 0 0
check "the watermark's top-right corner is at ($x1, $y0)" is_colour client $x1 $y0 0 255 0
check "the watermark's bottom-left corner is at ($x0, $y1)" is_colour client $x0 $y1 0 0 255
check "the watermark's bottom-right corner is at ($x1, $y1)" is_colour client $x1 $y1 255 0 255
check "white lies left of and above the watermark" \
  bash -c 'is_colour client $(($1 - 1)) $2 255 255 255 && is_colour client $1 $(($2 - 1)) 255 255 255' _ $x0 $y0
check "white lies right of and below the watermark" \
  bash -c 'is_colour client $(($1 + 1)) $2 255 255 255 && is_colour client $1 $(($2 + 1)) 255 255 255' _ $x1 $y1

# The caption: white text drawn at (20, 5) of the window, in the title bar above the client area.
caption_h=$((cy - 6)) caption_w=200
white=$(auto count "$screen" window 20 5 $caption_w $caption_h 255 255 255 | tr -d '\r')
echo "   white pixels in the caption's area: $white of $((caption_w * caption_h))"
check "the caption is written in white in the title bar" test "${white:-0}" -ge 30
check "the caption's background is left as it was (not a white box)" \
  test "${white:-0}" -lt $((caption_w * caption_h / 2))

read -r bx by < <(centre 20001)
read -r px py pw ph < <(auto rect "$screen" 20001 | tr -d '\r')
fx=$((px + pw - 5)) fy=$((py + 4))  # a point of the face clear of the edge, icon and caption
auto move "$screen" client 2 2  # wherever the pointer was, it is now off the buttons
check "the PLUS button's face is not the hover colour before the pointer comes" not_colour window $fx $fy 240 216 215
auto move "$screen" window "$bx" "$by"
wait_for "the pointer over PLUS shows the hover face RGB(240,216,215)" 10 is_colour window $fx $fy 240 216 215
auto move "$screen" client 2 2
wait_for "the pointer gone, the face returns" 10 not_colour window $fx $fy 240 216 215

if [ -n "$screenshot" ]; then
  cp "$build/setup-package/VantProDB-TWS/TXE-WM.bmp" "$folder/TXE-WM.bmp"
fi

echo "== FO chosen by a click"
read -r ox oy < <(centre 20000)
check "a click on the FO button" auto clickat "$screen" window "$ox" "$oy"
chose "FO by click" "VANT - FO Terminal"

echo "== PLUS chosen by Enter after Tab moved the focus to it"
start
check "Tab moves the focus" auto key "$screen" tab
check "Enter" auto key "$screen" enter
chose "PLUS by Enter" "VantPlus Terminal"

echo "== FO chosen by Enter: the focus starts on the FO button"
start
check "Enter" auto key "$screen" enter
chose "FO by Enter" "VANT - FO Terminal"

echo "== cancel by Escape"
start
check "Escape" auto key "$screen" escape
ended "Escape"

echo "== cancel by the close box"
start
if [ -n "$screenshot" ]; then
  # Taken in the normal look: the last click left the pointer over the FO button.
  auto move "$screen" client 2 2
  read -r fx fy fw _ < <(auto rect "$screen" 20000 | tr -d '\r')
  wait_for "the FO button shows its normal face" 10 not_colour window $((fx + fw - 5)) $((fy + 4)) 240 216 215
  check "the launch screen is captured" auto screenshot "$screen" 'C:\launch-screen.bmp'
  cp "$c/launch-screen.bmp" "$screenshot"
fi
check "the close box" auto close "$screen"
ended "the close box"

checks_done
