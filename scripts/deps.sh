#!/usr/bin/env bash
# Installs what the build and the tests need, through apt-get, skipping what is present. Wine's
# 32-bit loader (wine32) is optional: hosts that cannot run 32-bit programs test x86_64 only.
#
# Usage: scripts/deps.sh [--demo]
#   --demo: only what scripts/demo.sh runs, the host build and lnkinfo (which prints the
#   shortcuts); no Windows toolchain, no Wine.
set -euo pipefail
demo=0
case "${1:-}" in
  --demo) demo=1 ;;
  "") ;;
  *) echo "usage: scripts/deps.sh [--demo]" >&2; exit 2 ;;
esac

have() { command -v "$1" >/dev/null 2>&1; }
pkg_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# "<package> <how to tell it is there>" a line.
required="cmake       have cmake
g++           have g++
make          have make
libgtest-dev  pkg_installed libgtest-dev
googletest    test -f /usr/src/googletest/CMakeLists.txt
mingw-w64     have x86_64-w64-mingw32-g++-posix
mingw-w64     have i686-w64-mingw32-g++-posix
wine64        test -x /usr/lib/wine/wine64
xvfb          have Xvfb
liblnk-utils  have lnkinfo
lldb          have lldb
python3       have python3
python3-yaml  python3 -c 'import yaml'
strace        have strace"
if [ $demo = 1 ]; then
  required=$(grep -E '^(cmake|g\+\+|make|libgtest-dev|liblnk-utils) ' <<<"$required")
fi

missing() {  # the packages of a list that are not there, each once
  local package check
  while read -r package check; do
    eval "$check" || echo "$package"
  done <<<"$1" | sort -u
}

install() {  # packages...: installs them; false (with apt-get's last lines shown) on failure
  [ "$(id -u)" = 0 ] || { echo "deps: need root to install: $*" >&2; return 1; }
  local log
  log=$(mktemp)
  export DEBIAN_FRONTEND=noninteractive
  if ! { apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@"; } >"$log" 2>&1; then
    tail -n 10 "$log" >&2; rm -f "$log"; return 1
  fi
  rm -f "$log"
}

mapfile -t need < <(missing "$required")
if [ ${#need[@]} -gt 0 ]; then
  echo "deps: installing ${need[*]}"
  install "${need[@]}" || echo "deps: apt-get could not install all of: ${need[*]}" >&2
  mapfile -t still < <(missing "$required")
  if [ ${#still[@]} -gt 0 ]; then echo "deps: still missing: ${still[*]}" >&2; exit 1; fi
fi

[ $demo = 0 ] || exit 0
# The 32-bit loader, for the i686 leg; where it cannot be installed the run tests x86_64 only.
if ! pkg_installed wine32:i386; then
  echo "deps: installing wine32:i386 (optional, for the 32-bit Windows leg)"
  { [ "$(id -u)" = 0 ] && dpkg --add-architecture i386 && install wine32:i386; } ||
    echo "deps: wine32:i386 could not be installed; 32-bit Windows programs will not be tested" >&2
fi
exit 0
