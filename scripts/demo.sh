#!/usr/bin/env bash
# The main job on a sample machine: builds what it needs, makes a fresh emulated Windows machine
# (fixed C: and D:), unpacks the setup package on C:, and runs the road of one install through
# the installer's script front end: VANTPLUS on D:, mode P, version 7.0.3. Then it shows what
# the install left (folders, registry values, shortcuts), starts the installed terminal the way
# its desktop shortcut does, and uninstalls again from the placed setup folder.
#
# Usage: scripts/demo.sh [--build <host build folder>] [--machine <new machine folder>]
# With --build it uses that build as it is (the end-to-end test does); without, it builds the host
# preset first. The machine folder (default build/demo-machine) is made afresh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="" machine="$root/build/demo-machine"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$(realpath "$2"); shift 2 ;;
    --machine) machine=$(realpath -m "$2"); shift 2 ;;
    *) echo "usage: scripts/demo.sh [--build <host build folder>] [--machine <folder>]" >&2; exit 2 ;;
  esac
done

if [ -z "$build" ]; then
  build="$root/build/host"
  scripts/deps.sh --demo >/dev/null
  cmake --preset host >/dev/null
  cmake --build --preset host -j2 --target setup-package vp-machine >/dev/null
fi
vp_machine="$build/tools/vp-machine"

# Only a machine folder of ours is wiped: the default one or an empty or demo-made one.
if [ -e "$machine" ] && [ "$machine" != "$root/build/demo-machine" ] && [ ! -e "$machine/drives.conf" ] &&
   [ -n "$(ls -A "$machine")" ]; then
  echo "demo: $machine is not a machine folder; not wiping it" >&2; exit 2
fi
rm -rf -- "$machine"
export VP_MACHINE_ROOT="$machine"
echo "== a new machine"
"$vp_machine" | sed 's/^/   /'
# The package, unpacked into C:\VANTPlusSetup.
cp -r "$build/setup-package" "$machine/drive_c/VANTPlusSetup"

echo "== the installer, started in C:\\VANTPlusSetup with M:P V:7.0.3"
echo "   (script: pick [-D-], press Install, close the message, press Exit)"
(cd "$machine/drive_c/VANTPlusSetup" &&
  printf 'select 1001 [-D-]\nclick 1002\nanswer OK\nclick 2\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3) | sed 's/^/   | /'

echo
echo "== D:\\ after the install"
(cd "$machine/drive_d" && find . -maxdepth 2 | sort | sed 's|^\./||; s|/|\\|g; s/^/   /')

echo
echo "== HKEY_CURRENT_USER\\SOFTWARE\\KORAX\\VANTPLUS-TWS\\Application Settings"
iconv -f UTF-16 -t UTF-8 "$machine/registry/HKEY_CURRENT_USER.reg" 2>/dev/null |
  awk '/^\[/{show = index($0, "VANTPLUS-TWS\\Application Settings]") > 0} show && /^"/' | sed 's/^/   /'

profile=$(ls -d "$machine"/drive_c/Users/*)
echo
echo "== shortcuts"
find "$profile/Desktop" "$profile/Start Menu" -name '*.lnk' | sort | while read -r link; do
  echo "   ${link#"$profile"/}"
  lnkinfo "$link" 2>/dev/null | grep -E "Local path|Command line arguments|Working directory" | sed 's/^\s*/      /'
done

desktop="$profile/Desktop/VANTPlusTWS.lnk"
if [ -f "$desktop" ]; then
  target=$(lnkinfo "$desktop" | sed -n 's/^\s*Local path\s*: //p')
  arguments=$(lnkinfo "$desktop" | sed -n 's/^\s*Command line arguments\s*: //p')
  host_target=$("$vp_machine" path "$target")
  echo
  echo "== double click on the desktop link: $target $arguments"
  echo "   (script: close the terminal's window)"
  set +e
  (cd "$(dirname "$host_target")" && printf 'key close\n' | VP_UI=script "$host_target" "$arguments") | sed 's/^/   | /'
  echo "   the terminal ended with exit code ${PIPESTATUS[0]}"
fi

setup=$("$vp_machine" path 'D:\VANTProSetup')
echo
echo "== uninstall, started in D:\VANTProSetup as VANTPlusTWSSetup.exe M:P D:\VANTProSetup"
echo "   (script: press Uninstall, answer Yes, close the message)"
set +e
(cd "$setup" && printf 'click 1003\nanswer Yes\nanswer OK\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P 'D:\VANTProSetup') | sed 's/^/   | /'
echo "   the installer ended with exit code ${PIPESTATUS[0]}"
set -e
# The setup program deletes itself once the installer has ended: wait for that (10 s at most).
for _ in $(seq 50); do [ -e "$setup/VANTPlusTWSSetup.exe" ] || break; sleep 0.2; done
echo
echo "== D:\ after the uninstall"
(cd "$machine/drive_d" && find . -maxdepth 2 | sort | sed 's|^\./||; s|/|\\|g; s/^/   /')
