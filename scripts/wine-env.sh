# Sourced by every script that runs Windows programs: the one place that picks Wine's loader.
#
# Debian's "wine" command picks the 32-bit loader whenever the wine32 package is installed, even
# where the kernel cannot run 32-bit programs, so we call the loaders directly:
#   x86_64: Wine's 64-bit loader and a 64-bit prefix; runs on every x86-64 kernel.
#   i686:   Wine's 32-bit loader and a 32-bit prefix; only where the host runs 32-bit programs.
# VP_HIDE_WINE32=1 hides the 32-bit loader (the host then behaves as one without 32-bit support).
# The loader paths may be moved with VP_WINE64_LOADER / VP_WINE32_LOADER.

VP_WINE64_LOADER=${VP_WINE64_LOADER:-/usr/lib/wine/wine64}
VP_WINE32_LOADER=${VP_WINE32_LOADER:-/usr/lib/wine/wine}
VP_WINESERVER=${VP_WINESERVER:-/usr/lib/wine/wineserver64}

# vp_wine_loader <arch>: prints the loader of that Windows architecture.
vp_wine_loader() {
  case "$1" in
    x86_64) echo "$VP_WINE64_LOADER" ;;
    i686) echo "$VP_WINE32_LOADER" ;;
    *) echo "wine-env: unknown Windows architecture '$1' (x86_64 or i686)" >&2; return 1 ;;
  esac
}

# vp_wine_probe <arch>: true when the host can run that architecture's loader. On failure it
# prints why, in one line, on stdout.
vp_wine_probe() {
  local arch=$1 loader out
  loader=$(vp_wine_loader "$arch") || return 1
  if [ "$arch" = i686 ] && [ -n "${VP_HIDE_WINE32:-}" ]; then
    echo "the 32-bit loader is hidden by VP_HIDE_WINE32"; return 1
  fi
  if [ ! -e "$loader" ]; then echo "$loader is not installed"; return 1; fi
  if ! out=$("$loader" --version 2>&1); then
    echo "$loader cannot run here: ${out##*: }"; return 1
  fi
}

# vp_wine_use <arch> <prefix>: exports the environment that runs Windows programs of <arch> in
# <prefix> with the right loader and wineserver; VP_WINE is the loader to call.
vp_wine_use() {
  VP_WINE=$(vp_wine_loader "$1") || return 1
  case "$1" in x86_64) WINEARCH=win64 ;; i686) WINEARCH=win32 ;; esac
  export VP_WINE WINEARCH WINELOADER="$VP_WINE" WINESERVER="$VP_WINESERVER"
  export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$2/home"
}

# vp_wine_stop: ends the wineserver of the current prefix and every program still running in it.
vp_wine_stop() { "$WINESERVER" -k >/dev/null 2>&1 || true; }
