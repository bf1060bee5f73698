#!/usr/bin/env bash
# The main job on a sample machine: builds what it needs, makes a fresh emulated Windows machine
# (fixed C: and D:), unpacks the setup package on C:, and runs the road of one install through
# the installer's script front end: VANTPLUS on D:, mode P, version 7.0.3. Then it shows what
# the install left (folders, registry values, shortcuts), starts the installed terminal the way
# its desktop shortcut does, and uninstalls again from the placed setup folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh >/dev/null
cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)" --target setup-package vp-machine >/dev/null

machine="$root/build/demo-machine"
case "$machine" in */build/demo-machine) rm -rf -- "$machine" ;; esac
export VP_MACHINE_ROOT="$machine"
echo "== a new machine"
"$root/build/host/tools/vp-machine" | sed 's/^/   /'
# The package, unpacked into C:\VANTPlusSetup.
cp -r "$root/build/host/setup-package" "$machine/drive_c/VANTPlusSetup"

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
  host_target=$("$root/build/host/tools/vp-machine" path "$target")
  echo
  echo "== double click on the desktop link: $target $arguments"
  echo "   (script: close the terminal's window)"
  set +e
  (cd "$(dirname "$host_target")" && printf 'key close\n' | VP_UI=script "$host_target" "$arguments") | sed 's/^/   | /'
  echo "   the terminal ended with exit code ${PIPESTATUS[0]}"
fi

setup=$("$root/build/host/tools/vp-machine" path 'D:\VANTProSetup')
echo
echo "== uninstall, started in D:\VANTProSetup as VANTPlusTWSSetup.exe M:P D:\VANTProSetup"
echo "   (script: press Uninstall, answer Yes, close the message)"
set +e
(cd "$setup" && printf 'click 1003\nanswer Yes\nanswer OK\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P 'D:\VANTProSetup') | sed 's/^/   | /'
echo "   the installer ended with exit code ${PIPESTATUS[0]}"
set -e
sleep 1  # the setup program deletes itself once the installer has ended
echo
echo "== D:\ after the uninstall"
(cd "$machine/drive_d" && find . -maxdepth 2 | sort | sed 's|^\./||; s|/|\\|g; s/^/   /')
