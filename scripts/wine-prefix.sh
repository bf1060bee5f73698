#!/usr/bin/env bash
# Makes a fresh wine prefix that looks like a small Windows machine: fixed C: and D:, no host
# root mapped as a drive, and a user profile with Desktop and Start Menu folders of its own.
# Usage: scripts/wine-prefix.sh <prefix folder> [x86_64|i686]   (default x86_64)
# Prints the prefix's full path; on failure says which step failed and shows its output.
set -euo pipefail
here=$(dirname "$0")
source "$here/wine-env.sh"
prefix=$(realpath -m "$1")
arch=${2:-x86_64}

fail() { echo "wine-prefix: $1 failed for $prefix ($arch)" >&2; [ -z "${2:-}" ] || tail -n 20 <<<"$2" >&2; exit 1; }
why=$(vp_wine_probe "$arch") || fail "the $arch loader check ($why)"

rm -rf "$prefix"
mkdir -p "$prefix/home"
vp_wine_use "$arch" "$prefix"
out=$("$VP_WINE" wineboot -i 2>&1) || fail "wineboot -i" "$out"
# A crashing program ends as on a Windows machine without a debugger, instead of waiting in
# wine's debugger: the registered "debugger" is a command that returns at once.
out=$("$VP_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
      /d 'cmd.exe /c exit' /f 2>&1) || fail "registering the debugger" "$out"
"$WINESERVER" -w
# The profile's folders are real folders of the prefix, not links into the host's home, and the
# profile has a "Start Menu" that leads to the roaming Start Menu, as a Windows profile has.
for profile in "$prefix"/drive_c/users/*; do
  [ -d "$profile/AppData" ] || continue
  for name in Desktop Documents Downloads Music Pictures Videos; do
    if [ -L "$profile/$name" ]; then rm -f "$profile/$name"; mkdir -p "$profile/$name"; fi
  done
  mkdir -p "$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
  [ -e "$profile/Start Menu" ] || ln -s "AppData/Roaming/Microsoft/Windows/Start Menu" "$profile/Start Menu"
done
# Only the prefix's own drives: C: and a fixed D: inside the prefix.
rm -f "$prefix/dosdevices/z:"
mkdir -p "$prefix/drive_d"
ln -sfn ../drive_d "$prefix/dosdevices/d:"
echo "$prefix"
