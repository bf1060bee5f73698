#!/usr/bin/env bash
# The road of one install and the uninstall on the host: the demo's install through the script
# front end, then an uninstall from the placed setup folder, checked on the emulated machine.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
passed=0 failed=0
check() {  # description, command...
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "   ok   $what"
  else failed=$((failed + 1)); echo "   FAIL $what"; fi
}

echo "== install and uninstall on the host (scripts/demo.sh)"
out=$(scripts/demo.sh 2>&1)
machine="$root/build/demo-machine"
export VP_MACHINE_ROOT="$machine"
host() { "$root/build/host/tools/vp-machine" path "$1"; }
check "Installation Done! is shown" grep -q "text Installation Done!" <<<"$out"
check "the status line says Please Wait... then Creating Shortcuts..." \
  bash -c 'grep -A1 "text 1008 Please Wait..." <<<"$1" | grep -q "text 1008 Creating Shortcuts..."' _ "$out"
check "the launcher has its terminal name" grep -q '^   VantProDB-TWS\\VANTPlusTWS.exe$' <<<"$out"
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
# Installs again, then starts the terminal; its window stays until the script closes it.
(cd "$machine/drive_c/VANTPlusSetup" && printf 'select 1001 [-D-]\nclick 1002\nanswer OK\nclick 2\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3 >/dev/null 2>&1)
terminal=$(host 'D:\VANTProDB-TWS\VANTPlusTWS.exe')
(cd "$(dirname "$terminal")" && { sleep 6; echo "key close"; } | VP_UI=script "$terminal" '\LVantPlusUI' >/dev/null 2>&1) &
sleep 2
code=0
refusal=$(cd "$machine/drive_c/VANTPlusSetup" && printf 'answer OK\n' | VP_UI=script ./VANTPlusTWSSetup.exe M:P 2>&1) || code=$?
check "the installer shows All Terminals should be closed..." grep -q "text All Terminals should be closed during Installation/UnInstallation....!!" <<<"$refusal"
check "and ends with exit code 0 before its dialog shows" bash -c '[ "$1" = 0 ] && ! grep -q "^dialog 102" <<<"$2"' _ "$code" "$refusal"
wait

echo "e2e on the host: $passed passed, $failed failed"
[ "$failed" = 0 ]
