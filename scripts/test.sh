#!/usr/bin/env bash
# The project's test command: installs what it lacks, builds the presets, runs ctest on each and
# prints one summary line per backend and Windows architecture, counted from ctest's results.
#
# Windows legs: windows-x86_64 always (Wine's 64-bit loader runs on every x86-64 kernel);
# windows-i686 as well where the host runs 32-bit programs. Environment:
#   VP_TEST_ARCH=x86_64|i686   test only that Windows architecture (a quick local run)
#   VP_HIDE_WINE32=1           hide Wine's 32-bit loader, as on a host without 32-bit support
set -euo pipefail
trap 'echo "test.sh: line $LINENO: \"$BASH_COMMAND\" failed with exit code $?" >&2' ERR
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
root=$PWD
jobs=$(nproc)
logs=$root/build/logs
mkdir -p "$logs"
started=$SECONDS

elapsed() { printf '%dm%02ds' $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)); }
# step <name> <command...>: runs one step with its output in build/logs/<name>.log; a failure
# names the step and shows the end of its log.
step() {
  local name=$1 log="$logs/$1.log" code=0; shift
  echo "== $name ($(elapsed))"
  "$@" >"$log" 2>&1 || code=$?
  if [ $code != 0 ]; then
    echo "-- last lines of $log:" >&2; tail -n 40 "$log" >&2
    echo "FAILED: $name (exit code $code); full log: $log" >&2
  fi
  return $code
}

step deps scripts/deps.sh

# Which Windows architectures run here.
case "${VP_TEST_ARCH:-}" in
  "") wanted=(x86_64 i686) ;;
  x86_64 | i686) wanted=("$VP_TEST_ARCH") ;;
  *) echo "FAILED: VP_TEST_ARCH must be x86_64 or i686, not '$VP_TEST_ARCH'" >&2; exit 2 ;;
esac
windows=() not_run=()
for arch in "${wanted[@]}"; do
  if why=$(vp_wine_probe "$arch"); then
    windows+=("$arch")
  else
    echo "windows-$arch: not tested, the host cannot run its programs: $why"
    not_run+=(--not-run "windows-$arch=$why")
  fi
done
[ -n "${VP_TEST_ARCH:-}" ] || [[ " ${windows[*]} " == *" x86_64 "* ]] ||
  { echo "FAILED: Wine's 64-bit loader must run here" >&2; exit 1; }
# Each preset is built and tested before the next, so the first results come early.
presets=(host)
for arch in "${windows[@]}"; do presets+=("windows-$arch"); done
presets+=(host-asan)

# A warning fails a build like an error.
build() {
  local compile_log="$logs/compile-$1.log"
  cmake --preset "$1" || return
  cmake --build --preset "$1" -j"$jobs" 2>&1 | tee "$compile_log" || return
  if grep -q "warning:" "$compile_log"; then
    grep -B2 -A4 "warning:" "$compile_log" | head -n 60; echo "warnings in the $1 build"; return 1
  fi
}

# Host tests that read what Wine makes of our files use a prefix of Wine's 64-bit loader.
step wine-prefix-for-host-tests scripts/wine-prefix.sh build/host/wine/host-tests x86_64
export VP_WINE_PREFIX=$root/build/host/wine/host-tests VP_WINE_LOADER=$VP_WINE64_LOADER

status=0
ran=()
for preset in "${presets[@]}"; do
  step "build-$preset" build "$preset"
  results=$root/build/$preset/ctest-results.xml
  rm -rf "$results" "build/$preset/wine/template-"*  # fresh prefix templates for every run
  step "ctest-$preset" ctest --preset "$preset" --output-junit "$results" || status=1
  ran+=(--ran "$preset=$results")
done

echo "== summary ($(elapsed))"
python3 scripts/test-summary.py "${ran[@]}" "${not_run[@]}" || status=1
echo "took $(elapsed) with Windows legs: ${windows[*]:-none}"
exit $status
