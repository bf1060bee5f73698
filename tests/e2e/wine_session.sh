# Sourced by the end-to-end scripts that scripts/wine-run.sh --host runs in a fresh prefix
# (WINEPREFIX, the loader in VP_WINE, a virtual display): the prefix's drives as $c and $d and
# the loader as $wine.
prefix=${WINEPREFIX:?run me through scripts/wine-run.sh --host}
wine=${VP_WINE:?run me through scripts/wine-run.sh --host}
c="$prefix/drive_c" d="$prefix/drive_d"

# The automation helper of a Windows build folder, copied to C:\ and called as `auto <verb> ...`.
# It also keeps one program running through the whole script: wine's desktop process ends with
# the last program and the next one starts it again; started inside a check whose output is
# being read, it would inherit that pipe and hold it open, and the check would never end.
use_automation() {  # <windows build folder>
  cp "$1/tools/ui_automation/vp_ui_automation.exe" "$c/"
  auto wait "the desktop stays up" 3600000 </dev/null >/dev/null 2>&1 &
  wine_session_keeper=$!
  trap 'kill "$wine_session_keeper" 2>/dev/null' EXIT
}
auto() { "$wine" 'C:\vp_ui_automation.exe' "$@"; }
