#!/usr/bin/env bash
# The project's test command: installs what it lacks, builds the host and the Windows (i686)
# presets, runs the host tests with ctest and the Windows tests under wine in a fresh prefix,
# and ends with one summary line per backend.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/deps.sh

build() {  # preset: configure and build; a warning fails the run like an error
  echo "== build $1"
  cmake --preset "$1" >/dev/null
  local log="build/$1.log"
  if ! cmake --build --preset "$1" -j"$jobs" >"$log" 2>&1; then
    tail -n 60 "$log"; echo "build $1: failed" >&2; exit 1
  fi
  if grep -q "warning:" "$log"; then
    grep -B2 -A4 "warning:" "$log" | head -n 60; echo "build $1: warnings" >&2; exit 1
  fi
}
build host
build host-asan
build windows-i686

# gtest writes one XML report per executable; the summaries are counted from them.
count_reports() {  # folder -> "tests failures"
  python3 - "$1" <<'PY'
import sys, glob, xml.etree.ElementTree as ET
t = f = 0
for p in glob.glob(sys.argv[1] + "/*.xml"):
    r = ET.parse(p).getroot()
    t += int(r.get("tests", 0)) - int(r.get("disabled", 0)) - int(r.get("skipped", 0) or 0)
    f += int(r.get("failures", 0)) + int(r.get("errors", 0))
print(t, f)
PY
}

status=0
# The wine prefix comes first: some host tests read what wine makes of our files.
prefix=$(scripts/wine-prefix.sh build/windows-i686/wineprefix)
export VP_WINE_PREFIX="$prefix"

echo "== host tests (ctest)"
host_reports="$root/build/host/test-reports"
rm -rf "$host_reports"; mkdir -p "$host_reports"
GTEST_OUTPUT="xml:$host_reports/" ctest --preset host -j"$jobs" || status=1

echo "== end to end on the host"
e2e_host=$(scripts/e2e-host.sh 2>&1) || status=1
echo "$e2e_host"

echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer (ctest)"
ctest --preset host-asan -j"$jobs" || status=1

echo "== windows tests (wine)"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$prefix/home"
win_tests="$prefix/drive_c/vptests"
win_reports="$prefix/drive_c/test-reports"
mkdir -p "$win_tests" "$win_reports"
wine_failed=()
while IFS= read -r exe; do
  [ -n "$exe" ] || continue
  rel=$(realpath --relative-to="$root/build/windows-i686" "$(dirname "$exe")")
  mkdir -p "$win_tests/$rel"
  cp "$(dirname "$exe")"/*.exe "$win_tests/$rel/"
  cp "$(dirname "$exe")"/*.dll "$win_tests/$rel/" 2>/dev/null || true
  name=$(basename "$exe")
  winpath="C:\\vptests\\${rel//\//\\}\\$name"
  echo "-- $name"
  if ! (cd "$win_tests/$rel" && GTEST_OUTPUT="xml:C:\\test-reports\\" \
        timeout 600 xvfb-run -a wine "$winpath" --gtest_brief=1); then
    wine_failed+=("$name")
  fi
done < build/windows-i686/vp_tests.txt
wineserver -k 2>/dev/null || true

echo "== end to end under wine"
e2e_prefix=$(scripts/wine-prefix.sh build/windows-i686/e2e-prefix)
e2e_wine=$(scripts/e2e-wine.sh build/windows-i686 "$e2e_prefix" 2>&1) || status=1
echo "$e2e_wine"
[ ${#wine_failed[@]} -eq 0 ] || { echo "failed under wine: ${wine_failed[*]}"; status=1; }

conformance_counts() {  # report folder -> "tests failures" of the conformance suite
  python3 -c "
import sys, xml.etree.ElementTree as ET
r = ET.parse(sys.argv[1] + '/conformance.xml').getroot()
print(r.get('tests'), int(r.get('failures')) + int(r.get('errors', 0)))" "$1" || echo "0 1"
}
read -r host_conf_t host_conf_f < <(conformance_counts "$host_reports")
read -r win_conf_t win_conf_f < <(conformance_counts "$win_reports")
read -r host_t host_f < <(count_reports "$host_reports")
read -r win_t win_f < <(count_reports "$win_reports")

echo "== summary"
echo "conformance on the POSIX layer: $((host_conf_t - host_conf_f)) passed, $host_conf_f failed"
echo "conformance under wine:         $((win_conf_t - win_conf_f)) passed, $win_conf_f failed"
if [ "$host_conf_t" != "$win_conf_t" ]; then
  echo "conformance counts differ between the backends"; status=1
fi
# The end-to-end checks count with their backend.
e2e_counts() { sed -n 's/^e2e [^:]*: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' <<<"$1" | tail -n 1; }
read -r e2e_host_p e2e_host_f < <(e2e_counts "$e2e_host"; echo "0 1")
read -r e2e_wine_p e2e_wine_f < <(e2e_counts "$e2e_wine"; echo "0 1")
host_passed=$((host_t - host_f + e2e_host_p)) host_failures=$((host_f + e2e_host_f))
wine_passed=$((win_t - win_f + e2e_wine_p)) wine_failures=$((win_f + e2e_wine_f))
echo "host: $host_passed passed, $host_failures failed"
echo "wine: $wine_passed passed, $wine_failures failed"
[ "$host_failures" = 0 ] && [ "$wine_failures" = 0 ] || status=1
exit $status
