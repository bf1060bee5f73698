#!/usr/bin/env bash
# Writes the reference link with the Windows implementation under wine (a 64-bit prefix of its
# own, kept beside the link for later runs), through Wine's 64-bit loader, which every x86-64
# host runs. Usage: make_wine_reference.sh <writer.exe> <link file>
set -euo pipefail
source "$(dirname "$0")/../../../scripts/wine-env.sh"
writer=$1
link=$2
folder=$(dirname "$link")
why=$(vp_wine_probe x86_64) || { echo "make_wine_reference: $why" >&2; exit 1; }
# A 32-bit prefix left by an earlier build cannot serve the 64-bit loader.
if grep -qs '^#arch=win32' "$folder/wine-reference/prefix/system.reg"; then rm -rf "$folder/wine-reference/prefix"; fi
mkdir -p "$folder/wine-reference/home"
vp_wine_use x86_64 "$folder/wine-reference/prefix"
export HOME="$folder/wine-reference/home"
rm -f "$link"
cd "$folder"
"$VP_WINE" "$writer" "$(basename "$link")" 'C:\VANTProDB-TWS\VANTPlusTWS.exe' '\LVantPlusUI' 'C:\VANTProDB-TWS'
"$WINESERVER" -w
test -s "$link"
