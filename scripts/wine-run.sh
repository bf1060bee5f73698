#!/usr/bin/env bash
# Runs one Windows test program (or a host command that drives Windows programs) the way ctest
# needs it: in a fresh wine prefix of its own, with the loader of the program's architecture and
# a virtual display. It is the Windows toolchains' cross-compiling emulator, so ctest runs every
# Windows test through it.
#
#   wine-run.sh --arch <x86_64|i686> <program.exe> [arguments...]
#       copies the program's folder (*.exe, *.dll) to C:\vptests\<folder> and runs it there;
#   wine-run.sh --arch <x86_64|i686> --host <command> [arguments...]
#       runs a host command with WINEPREFIX, VP_WINE (the loader), DISPLAY and friends set.
#
# Each prefix is a copy of a template made once per build folder (<build>/wine/template-<arch>)
# and is removed afterwards unless VP_WINE_KEEP=1. The test programs may wipe product data, so
# they refuse to start outside Wine; here VP_DISPOSABLE_MACHINE=1 says this prefix is disposable.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

usage() { echo "usage: wine-run.sh --arch <x86_64|i686> [--host] <program> [arguments...]" >&2; exit 2; }
[ "${1:-}" = --arch ] && [ $# -ge 3 ] || usage
arch=$2; shift 2
host=0
if [ "$1" = --host ]; then host=1; shift; fi
[ $# -ge 1 ] || usage
program=$1; shift

fail() { echo "wine-run: $*" >&2; exit 125; }
why=$(vp_wine_probe "$arch") || fail "cannot run $arch programs here: $why"

# The build folder holding the program (or the current folder): where the template lives.
build_root() {
  local folder=$1
  while [ "$folder" != / ]; do
    [ -f "$folder/CMakeCache.txt" ] && { echo "$folder"; return; }
    folder=$(dirname "$folder")
  done
  echo "$PWD"
}
if [ $host = 1 ]; then start=$PWD; else start=$(cd "$(dirname "$program")" && pwd); fi
work=${VP_WINE_WORK:-$(build_root "$start")/wine}
mkdir -p "$work"

# The template is made once, by whichever test comes first; the others wait on the lock.
template=$work/template-$arch
if [ ! -d "$template" ]; then
  exec 9>"$template.lock"
  flock 9
  if [ ! -d "$template" ]; then
    rm -rf "$template.new"
    "$here/wine-prefix.sh" "$template.new" "$arch" 9>&- >/dev/null || fail "making the $arch prefix template"
    mv "$template.new" "$template"
  fi
  exec 9>&-
fi

prefix=$(mktemp -d "$work/run-$arch.XXXXXX")
xvfb=""
finish() {
  local code=$?
  vp_wine_stop
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  if [ "${VP_WINE_KEEP:-}" = 1 ]; then echo "wine-run: prefix kept in $prefix" >&2
  else rm -rf "$prefix"; fi
  exit $code
}
trap finish EXIT
trap 'exit 143' TERM INT

# The system's binaries are shared with the template through hard links (they are never written);
# every other file is a copy of its own, so a test cannot change the template.
cp -al "$template/." "$prefix/"
(cd "$template" && find . -type f ! -iname '*.dll' ! -iname '*.exe' ! -iname '*.sys' \
   ! -iname '*.drv' ! -iname '*.nls' -print0 | xargs -0 -r cp -a --parents --remove-destination -t "$prefix")
vp_wine_use "$arch" "$prefix"
export VP_DISPOSABLE_MACHINE=1

# A display of its own: Xvfb picks a free number and writes it, so parallel runs never collide.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$prefix/.display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
  [ -s "$prefix/.display" ] && break
  kill -0 "$xvfb" 2>/dev/null || fail "the virtual display did not start (is Xvfb installed?)"
  sleep 0.1
done
[ -s "$prefix/.display" ] || fail "the virtual display did not report its number"
export DISPLAY=:$(cat "$prefix/.display")

if [ $host = 1 ]; then
  # The prefix's server and services start here, away from the command's output: started by a
  # program whose output a script captures, they would hold that pipe open until they end.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$VP_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  "$program" "$@" &
  code=0
  wait $! || code=$?
  exit $code
else
  folder=$(basename "$(dirname "$(realpath "$program")")")
  run=$prefix/drive_c/vptests/$folder
  mkdir -p "$run"
  cp "$(dirname "$program")"/*.exe "$run/"
  cp "$(dirname "$program")"/*.dll "$run/" 2>/dev/null || true
  # Started in the background so that a timeout's TERM reaches the clean-up at once.
  (cd "$run" && exec "$VP_WINE" "C:\\vptests\\$folder\\$(basename "$program")" "$@") &
  code=0
  wait $! || code=$?
  # Pictures a test leaves beside itself (screenshots) come back to the build folder.
  cp "$run"/*.bmp "$(dirname "$program")/" 2>/dev/null || true
  exit $code
fi
