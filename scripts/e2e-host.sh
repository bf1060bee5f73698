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

echo "== install on the host (scripts/demo.sh)"
out=$(scripts/demo.sh 2>&1)
machine="$root/build/demo-machine"
export VP_MACHINE_ROOT="$machine"
host() { "$root/build/host/tools/vp-machine" path "$1"; }
check "Installation Done! is shown" grep -q "text Installation Done!" <<<"$out"
check "the status line says Please Wait... then Creating Shortcuts..." \
  bash -c 'grep -A1 "text 1008 Please Wait..." <<<"$1" | grep -q "text 1008 Creating Shortcuts..."' _ "$out"
check "the launcher has its terminal name" test -f "$(host 'D:\VANTProDB-TWS\VANTPlusTWS.exe')"
check "the uninstaller is placed" test -f "$(host 'D:\VANTProSetup\VANTPlusTWSSetup.exe')"
check "InstalledDrive is D" grep -q '"InstalledDrive"="D"' <<<"$out"
check "the desktop link starts the terminal with \\LVantPlusUI" grep -q 'Command line arguments.*\\LVantPlusUI' <<<"$out"
check "the installed terminal runs and ends with exit code 0" grep -q "the terminal ended with exit code 0" <<<"$out"

echo "== uninstall on the host, started from the placed setup folder"
setup=$(host 'D:\VANTProSetup')
code=0
(cd "$setup" && printf 'click 1003\nanswer Yes\nanswer OK\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P 'D:\VANTProSetup' > "$root/build/e2e-uninstall.log" 2>&1) || code=$?
check "the question is asked" grep -q "text All application related data will be lost" "$root/build/e2e-uninstall.log"
check "the uninstall reports success" grep -q "text Application uninstalled successfully!" "$root/build/e2e-uninstall.log"
check "the installer ends with exit code 0" test "$code" = 0
check "the variant's folders are gone" test ! -e "$(host 'D:\VANTProDB-TWS')" -a ! -e "$(host 'D:\VANTProData-TWS')"
check "the registry key is gone" bash -c "! iconv -f UTF-16 -t UTF-8 '$machine/registry/HKEY_CURRENT_USER.reg' | grep -q 'VANTPLUS-TWS'"
check "the desktop link is gone" test -z "$(find "$machine"/drive_c/Users/*/Desktop -name 'VANTPlusTWS.lnk')"
# The setup program deletes itself once the installer has ended.
for _ in $(seq 50); do [ -e "$setup/VANTPlusTWSSetup.exe" ] || break; sleep 0.1; done
check "the setup program is deleted after the installer ended" test ! -e "$setup/VANTPlusTWSSetup.exe"

echo "e2e on the host: $passed passed, $failed failed"
[ "$failed" = 0 ]
