#!/usr/bin/env bash
# A Windows test program that wipes product data, started on a machine that is neither Wine nor
# declared disposable, refuses with its message and leaves the product's keys and folders alone.
# The guard's Wine detection is switched off with VP_TEST_IGNORE_WINE=1 to stand for a real
# Windows machine. Runs inside scripts/wine-run.sh --host.
# Usage: test_guard_wine.sh <test program.exe>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
program=$(realpath "$1")
source "$here/wine_session.sh"
name=$(basename "$program")

# An installed product, as the test program would find it on a user's machine.
mkdir -p "$d/VANTProDB-TWS" "$d/VANTProData-TWS/MWBackup" "$c/vpguard"
echo settings >"$d/VANTProData-TWS/MWBackup/user.dat"
cp "$program" "$c/vpguard/"
cp "$(dirname "$program")"/*.dll "$c/vpguard/" 2>/dev/null
"$wine" reg add 'HKCU\SOFTWARE\KORAX\VANTPLUS-TWS\Application Settings' /v InstalledDrive /d D /f >/dev/null 2>&1
"$wine" reg add 'HKLM\SOFTWARE\KORAX\VANTPLUS-TWS' /v Installed /d 1 /f >/dev/null 2>&1
ls "$c" >"$prefix/c-before.txt"

run() {  # [NAME=value...] [arguments...]: the program as on a user's machine; prints its output
  local -a settings=()
  while [[ "${1:-}" == *=* ]]; do settings+=("$1"); shift; done
  (cd "$c/vpguard" && env -u VP_DISPOSABLE_MACHINE "${settings[@]}" "$wine" "C:\\vpguard\\$name" "$@" 2>&1)
}
code=0
out=$(run VP_TEST_IGNORE_WINE=1) || code=$?
echo "$out" | tail -n 3 | sed 's/^/   | /'
check "it exits with code 3" test "$code" = 3
check "it says why" grep -q "refusing to run: this test program deletes the product's registry keys" <<<"$out"
check "it names the variable that allows it" grep -q "VP_DISPOSABLE_MACHINE=1" <<<"$out"
check "it runs no test" bash -c '! grep -q "^\[ RUN" <<<"$1"' _ "$out"
check "the product's folders stay" test -f "$d/VANTProData-TWS/MWBackup/user.dat" -a -d "$d/VANTProDB-TWS"
check "the HKCU key stays" "$wine" reg query 'HKCU\SOFTWARE\KORAX\VANTPLUS-TWS\Application Settings' /v InstalledDrive
check "the HKLM key stays" "$wine" reg query 'HKLM\SOFTWARE\KORAX\VANTPLUS-TWS' /v Installed
check "no work folder appears on C:" bash -c 'diff <(ls "$1") "$2"' _ "$c" "$prefix/c-before.txt"

# Declared disposable, the same program starts (listing its tests changes nothing).
code=0
out=$(run VP_TEST_IGNORE_WINE=1 VP_DISPOSABLE_MACHINE=1 --gtest_list_tests | tr -d '\r') || code=$?
check "declared disposable, it starts (exit code $code)" test "$code" = 0
check "and lists its tests" grep -qE '^[A-Za-z0-9_]+\.$' <<<"$out"
checks_done
