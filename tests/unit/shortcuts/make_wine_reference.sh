#!/usr/bin/env bash
# Writes the reference link with the Windows implementation under wine (a prefix of its own,
# kept beside the link for later runs). Usage: make_wine_reference.sh <writer.exe> <link file>
set -euo pipefail
writer=$1
link=$2
folder=$(dirname "$link")
mkdir -p "$folder/wine-reference/home"
export WINEPREFIX="$folder/wine-reference/prefix" WINEDEBUG=-all HOME="$folder/wine-reference/home"
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -f "$link"
cd "$folder"
wine "$writer" "$(basename "$link")" 'C:\VANTProDB-TWS\VANTPlusTWS.exe' '\LVantPlusUI' 'C:\VANTProDB-TWS'
wineserver -w
test -s "$link"
