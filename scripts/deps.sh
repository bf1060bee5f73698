#!/usr/bin/env bash
# Installs what the build and the tests need, through apt-get, skipping what is present.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
pkg_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have cmake || need+=(cmake)
have g++ || need+=(g++)
have make || need+=(make)
pkg_installed libgtest-dev || need+=(libgtest-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have i686-w64-mingw32-g++-posix || need+=(mingw-w64)
have x86_64-w64-mingw32-g++-posix || need+=(mingw-w64)
pkg_installed wine64 || need+=(wine64)
pkg_installed wine32:i386 || need+=(wine32:i386)
have wine || need+=(wine)
have xvfb-run || need+=(xvfb xauth)
have lnkinfo || need+=(liblnk-utils)
have lldb || need+=(lldb)

if [ ${#need[@]} -gt 0 ]; then
  echo "deps: installing ${need[*]}"
  [ "$(id -u)" = 0 ] || { echo "deps: need root to install ${need[*]}" >&2; exit 1; }
  case " ${need[*]} " in
    *":i386 "*) dpkg --add-architecture i386 ;;
  esac
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

for tool in cmake g++ i686-w64-mingw32-g++-posix wine xvfb-run lnkinfo lldb; do
  have "$tool" || { echo "deps: $tool is still missing" >&2; exit 1; }
done
pkg_installed wine32:i386 || { echo "deps: wine32 is still missing" >&2; exit 1; }
