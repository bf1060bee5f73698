#!/usr/bin/env bash
# Makes a fresh wine prefix that looks like a small Windows machine: fixed C: and D:, no host
# root mapped as a drive, and a user profile with Desktop and Start Menu folders of its own.
# Usage: scripts/wine-prefix.sh <prefix folder>
set -euo pipefail
prefix=$(realpath -m "$1")
rm -rf "$prefix"
mkdir -p "$prefix/home"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$prefix/home"
wineboot -i >/dev/null 2>&1
# A crashing program ends as on a Windows machine without a debugger, instead of waiting in
# wine's debugger: the registered "debugger" is a command that returns at once.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d 'cmd.exe /c exit' /f >/dev/null 2>&1
wineserver -w
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
