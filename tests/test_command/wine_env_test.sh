#!/usr/bin/env bash
# The choice of Wine's loader (scripts/wine-env.sh): the probe tells a loader the host cannot run
# from one it can, says why in one line, and VP_HIDE_WINE32 hides only the 32-bit one.
set -uo pipefail
source "$(dirname "$0")/../e2e/check.sh"
source "$(dirname "$0")/../../scripts/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Stand-ins: a loader that runs, and one in a format this kernel cannot execute.
printf '#!/bin/sh\necho "wine-test-1.0"\n' >"$work/runs"
printf '\177ELF\001\001\001garbage' >"$work/foreign"
chmod +x "$work/runs" "$work/foreign"

VP_WINE64_LOADER=$work/runs VP_WINE32_LOADER=$work/foreign
check "a loader that runs passes the probe" vp_wine_probe x86_64
why=$(vp_wine_probe i686); code=$?
check "a loader the kernel cannot execute fails it" test "$code" != 0
check "and the reason names the loader and the kernel's error" \
  bash -c '[[ "$1" == "$2 cannot run here: "*"xec format error"* ]] && [ "$(wc -l <<<"$1")" = 1 ]' _ "$why" "$work/foreign"

VP_WINE32_LOADER=$work/runs
check "a runnable 32-bit loader passes" vp_wine_probe i686
why=$(VP_HIDE_WINE32=1 vp_wine_probe i686); code=$?
check "VP_HIDE_WINE32 hides it" bash -c '[ "$1" != 0 ] && [[ "$2" == *VP_HIDE_WINE32* ]]' _ "$code" "$why"
check "but not the 64-bit loader" env VP_HIDE_WINE32=1 bash -c 'source "$1"; VP_WINE64_LOADER=$2 vp_wine_probe x86_64' \
  _ "$(dirname "$0")/../../scripts/wine-env.sh" "$work/runs"
VP_WINE32_LOADER=$work/absent
missing_loader_named() { ! why=$(vp_wine_probe i686) && [[ "$why" == *"/absent is not installed" ]]; }
check "a missing loader fails with its name" missing_loader_named

# Each architecture gets its own loader and prefix kind, named to the programs Wine starts.
vp_wine_use x86_64 "$work/p64"
check "x86_64 uses the 64-bit loader in a win64 prefix" \
  test "$VP_WINE:$WINELOADER:$WINEARCH:$WINEPREFIX" = "$work/runs:$work/runs:win64:$work/p64"
vp_wine_use i686 "$work/p32"
check "i686 uses the 32-bit loader in a win32 prefix" \
  test "$VP_WINE:$WINELOADER:$WINEARCH" = "$work/absent:$work/absent:win32"
unknown_refused() { ! vp_wine_use arm64 "$work/x" && [ "$WINEARCH" = win32 ]; }
check "an unknown architecture is refused and changes nothing" unknown_refused

checks_done
