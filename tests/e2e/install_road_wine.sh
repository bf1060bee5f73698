#!/usr/bin/env bash
# The road of one install and the uninstall on the Windows build under wine: the real dialog,
# driven from outside by tools/ui_automation, then checked on disk, in the registry (wine's
# "reg query") and in the links (lnkinfo). Runs inside scripts/wine-run.sh --host, which gives it
# a fresh prefix (WINEPREFIX), the loader (VP_WINE) and a virtual display.
# Usage: install_road_wine.sh <windows build folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
build=$(realpath "$1")
source "$here/wine_session.sh"
rm -rf "$c/VANTPlusSetup"
cp -r "$build/setup-package" "$c/VANTPlusSetup"
use_automation "$build"
title="VANTPlusTWS Installer 7.0.3"
profile=$(ls -d "$c"/users/*/Desktop | grep -v Public | head -n 1 | xargs dirname)

# One install through the dialog: VANTPLUS on D:, M:P V:7.0.3.
install_once() {
  (cd "$c/VANTPlusSetup" && timeout 300 "$wine" 'C:\VANTPlusSetup\VANTPlusTWSSetup.exe' M:P V:7.0.3) &
  installer=$!
  check "the dialog appears" auto wait "$title" 60000
  check "[-D-] is picked" auto select "$title" 1001 "[-D-]"
  auto click "$title" 1002 &  # returns when the install's handler has returned
  clicker=$!
  check "Installation Done! is shown" auto answer "Installation Done!" OK 180000
  wait $clicker
  check "the dialog closes on Exit" auto click "$title" 2
  wait $installer
}

echo "== install under wine over the user's client database: VANTPLUS on D:, M:P V:7.0.3"
mkdir -p "$d/VantProDB-TWS/ComVantPlusDB"
printf 'clients of the user\r\n' >"$d/VantProDB-TWS/ComVantPlusDB/ldbclientinfo.dat"
install_once
check "the launcher has its terminal name" test -f "$d/VantProDB-TWS/VANTPlusTWS.exe"
check "the FO terminal's module is installed beside it" test -f "$d/VantProDB-TWS/VANTFOUI.dll"
check "the user data folder is there" test -d "$d/VANTProData-TWS/MWBackup"
check "the uninstaller is placed" test -f "$d/VANTProSetup/VANTPlusTWSSetup.exe"
installed=$("$wine" reg query 'HKCU\SOFTWARE\KORAX\VANTPLUS-TWS\Application Settings' /v InstalledDrive 2>/dev/null | tr -d '\r')
check "InstalledDrive is D" grep -q "InstalledDrive.*REG_SZ.*D$" <<<"$installed"
link=$(lnkinfo "$profile/Desktop/VANTPlusTWS.lnk" 2>/dev/null)
check "the desktop link starts the terminal" grep -q 'Local path.*: D:\\VANTProDB-TWS\\VANTPlusTWS.exe' <<<"$link"
check "the desktop link passes \\LVantPlusUI" grep -q 'Command line arguments.*: \\LVantPlusUI' <<<"$link"
check "the Start-menu folder has three links" test "$(ls "$profile/Start Menu/Programs/VANTPro-TWS" | wc -l)" = 3

echo "== two reinstalls under wine: the user's client database stays in the backup"
install_once
install_once
check "the client database is in the backup folder" test -f "$d/VNXTBackUpDB-TWS/ComVantPlusDB.dbd"
check "the backup holds the user's clients, not the package's sample" \
  grep -q "clients of the user" "$d/VNXTBackUpDB-TWS/ldbclientinfo.dat"
check "the live database holds the package's sample" \
  grep -q "sample" "$d/VantProDB-TWS/ComVantPlusDB/ldbclientinfo.dat"

echo "== the installer refuses to run beside a running terminal"
(cd "$d/VantProDB-TWS" && timeout 300 "$wine" 'D:\VANTProDB-TWS\VANTPlusTWS.exe' '\LVantPlusUI') &
terminal=$!
check "the terminal's window appears" auto wait "VantPlus Terminal" 60000
(cd "$c/VANTPlusSetup" && timeout 300 "$wine" 'C:\VANTPlusSetup\VANTPlusTWSSetup.exe' M:P V:7.0.3) &
installer=$!
check "the installer says that terminals must be closed" auto answer "All Terminals should be closed" OK 60000
wait $installer
code=$?
check "and ends with exit code 0" test "$code" = 0
check "the terminal closes on its Close button" auto click "VantPlus Terminal" 2
wait $terminal

echo "== uninstall under wine: No, then Yes"
(cd "$c/VANTPlusSetup" && timeout 300 "$wine" 'C:\VANTPlusSetup\VANTPlusTWSSetup.exe' M:P V:7.0.3) &
installer=$!
check "the dialog appears" auto wait "$title" 60000
auto click "$title" 1003 &
clicker=$!
check "the question is asked" auto answer "All application related data will be lost!" No 60000
wait $clicker
check "No leaves the install in place" test -f "$d/VantProDB-TWS/VANTPlusTWS.exe"
auto click "$title" 1003 &
clicker=$!
check "the question is asked again" auto answer "All application related data will be lost!" Yes 60000
check "the uninstall reports success" auto answer "Application uninstalled successfully!" OK 180000
wait $installer
code=$?
wait $clicker 2>/dev/null
check "the installer ends with exit code 0" test "$code" = 0
check "the variant's folders are gone" test ! -e "$d/VantProDB-TWS" -a ! -e "$d/VANTProData-TWS"
check "the user's client database backup is kept" grep -q "clients of the user" "$d/VNXTBackUpDB-TWS/ldbclientinfo.dat"
check "the registry key is gone" bash -c "! '$wine' reg query 'HKCU\\SOFTWARE\\KORAX\\VANTPLUS-TWS' >/dev/null 2>&1"
check "the desktop link is gone" test ! -e "$profile/Desktop/VANTPlusTWS.lnk"
check "the package folder it ran from stays" test -f "$c/VANTPlusSetup/VANTPlusTWSSetup.exe"

echo "== uninstall again: nothing is installed"
(cd "$c/VANTPlusSetup" && timeout 300 "$wine" 'C:\VANTPlusSetup\VANTPlusTWSSetup.exe' M:P V:7.0.3) &
installer=$!
check "the dialog appears" auto wait "$title" 60000
auto click "$title" 1003 &
clicker=$!
check "the question is asked" auto answer "All application related data will be lost!" Yes 60000
check "VANTPlusTWS not yet installed! is shown" auto answer "VANTPlusTWS not yet installed!" OK 60000
wait $clicker
check "the dialog closes on Exit" auto click "$title" 2
wait $installer

checks_done
