#!/usr/bin/env bash
# The road of one install and the uninstall on the host: the demo's install through the script
# front end, then an uninstall from the placed setup folder, checked on the emulated machine;
# then each launch screen choice of the installed terminal, and the installer's refusal beside a
# running terminal.
# Usage: install_road_host.sh <host build folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
build=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/vp-e2e-host.XXXXXX")
terminal_pid=""
trap '[ -z "$terminal_pid" ] || kill "$terminal_pid" 2>/dev/null; rm -rf "$work"' EXIT
machine="$work/machine"
export VP_MACHINE_ROOT="$machine"
host() { "$build/tools/vp-machine" path "$1"; }

echo "== install and uninstall on the host (scripts/demo.sh)"
out=$("$here/../../scripts/demo.sh" --build "$build" --machine "$machine" 2>&1)
check "Installation Done! is shown" grep -q "text Installation Done!" <<<"$out"
check "the status line says Please Wait... then Creating Shortcuts..." \
  bash -c 'grep -A1 "text 1008 Please Wait..." <<<"$1" | grep -q "text 1008 Creating Shortcuts..."' _ "$out"
check "the launcher has its terminal name" grep -q '^   VantProDB-TWS\\VANTPlusTWS.exe$' <<<"$out"
check "the FO terminal's module is installed beside it" grep -q '^   VantProDB-TWS\\VANTFOUI.dll$' <<<"$out"
check "the uninstaller is placed" grep -q '^   VANTProSetup\\VANTPlusTWSSetup.exe$' <<<"$out"
check "InstalledDrive is D" grep -q '"InstalledDrive"="D"' <<<"$out"
check "the desktop link starts the terminal with \\LVantPlusUI" grep -q 'Command line arguments.*\\LVantPlusUI' <<<"$out"
check "the installed terminal runs and ends with exit code 0" grep -q "the terminal ended with exit code 0" <<<"$out"
check "the uninstall question is asked" grep -q "text All application related data will be lost" <<<"$out"
check "the uninstall reports success" grep -q "text Application uninstalled successfully!" <<<"$out"
check "the uninstalling installer ends with exit code 0" grep -q "the installer ended with exit code 0" <<<"$out"
check "the variant's folders are gone" test ! -e "$(host 'D:\VANTProDB-TWS')" -a ! -e "$(host 'D:\VANTProData-TWS')"
check "the registry key is gone" bash -c "! iconv -f UTF-16 -t UTF-8 '$machine/registry/HKEY_CURRENT_USER.reg' | grep -q 'VANTPLUS-TWS'"
check "the desktop link is gone" test -z "$(find "$machine"/drive_c/Users/*/Desktop -name 'VANTPlusTWS.lnk')"
check "the setup program deleted itself after the installer ended" test ! -e "$(host 'D:\VANTProSetup')/VANTPlusTWSSetup.exe"

echo "== the installer refuses to run beside a running terminal"
(cd "$machine/drive_c/VANTPlusSetup" && printf 'select 1001 [-D-]\nclick 1002\nanswer OK\nclick 2\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3 >"$work/reinstall.log" 2>&1)
check "the reinstall shows Installation Done!" grep -q "text Installation Done!" "$work/reinstall.log"

echo "== three installs over the user's client database keep it in the backup"
printf 'clients of the user\r\n' >"$(host 'D:\VANTProDB-TWS\ComVantPlusDB\ldbclientinfo.dat')"
for install in 1 2 3; do
  (cd "$machine/drive_c/VANTPlusSetup" && printf 'select 1001 [-D-]\nclick 1002\nanswer OK\nclick 2\n' |
    VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3 >"$work/install$install.log" 2>&1)
  check "install $install shows Installation Done!" grep -q "text Installation Done!" "$work/install$install.log"
done
check "the backup holds the user's clients" grep -q "clients of the user" "$(host 'D:\VNXTBackUpDB-TWS\ldbclientinfo.dat')"
check "the live database holds the package's sample" grep -q "sample" "$(host 'D:\VANTProDB-TWS\ComVantPlusDB\ldbclientinfo.dat')"
terminal=$(host 'D:\VANTProDB-TWS\VANTPlusTWS.exe')
check "the launch screen's watermark is installed beside the terminal" test -f "$(dirname "$terminal")/TXE-WM.bmp"
for choice in "20000 VANT - FO Terminal" "20001 VantPlus Terminal"; do
  chosen=$(cd "$(dirname "$terminal")" &&
           printf 'click %s\nclick 2\n' "${choice%% *}" | VP_UI=script "$terminal" '\L' 2>&1)
  check "the installed launch screen's choice $choice is loaded" grep -qx "dialog 100 ${choice#* }" <<<"$chosen"
done
# The terminal reads its script from a pipe kept open until the installer has been checked.
mkfifo "$work/terminal.in"
(cd "$(dirname "$terminal")" && VP_UI=script exec "$terminal" '\LVantPlusUI' <"$work/terminal.in" >"$work/terminal.log" 2>&1) &
terminal_pid=$!
exec 7>"$work/terminal.in"
check "the terminal's window is shown" wait_for_line "$work/terminal.log" '^dialog ' 60
code=0
refusal=$(cd "$machine/drive_c/VANTPlusSetup" && printf 'answer OK\n' | VP_UI=script ./VANTPlusTWSSetup.exe M:P 2>&1) || code=$?
check "the installer shows All Terminals should be closed..." grep -q "text All Terminals should be closed during Installation/UnInstallation....!!" <<<"$refusal"
check "and ends with exit code 0 before its dialog shows" bash -c '[ "$1" = 0 ] && ! grep -q "^dialog 102" <<<"$2"' _ "$code" "$refusal"
echo "key close" >&7
exec 7>&-
terminal_code=0
wait "$terminal_pid" || terminal_code=$?
terminal_pid=""
check "the terminal closes on the close box with exit code 0" test "$terminal_code" = 0

checks_done
