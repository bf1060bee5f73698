#!/usr/bin/env bash
# Lays out the setup package the installer is started from: the installer at the root and each
# variant's database and user data folders, spelled exactly as the installer's copy filter
# expects them. Beside the launcher go its runtimes, the UI modules (each under its own file name:
# "VantPlusUI.dll", and "VANTFOUI.dll" for the launch screen's FO choice) and the launch screen's
# watermark picture.
# Usage: assemble-setup-package.sh <out> <installer> [<launcher> <runtime...> [--module <ui module>]...
#        [--watermark <TXE-WM.bmp>]]
set -euo pipefail
out=$1 installer=$2
shift 2
launcher=${1:-}
[ $# -gt 0 ] && shift
runtimes=()
modules=()
watermark=""
while [ $# -gt 0 ]; do
  case "$1" in
    --module) modules+=("$2"); shift 2 ;;
    --watermark) watermark=$2; shift 2 ;;
    *) runtimes+=("$1"); shift ;;
  esac
done

case "$out" in */setup-package) ;; *) echo "refusing to lay out a package in $out" >&2; exit 1 ;; esac
rm -rf -- "$out"
mkdir -p -- "$out"
cp -- "$installer" "$out/VANTPlusTWSSetup.exe"

sample() {  # file text
  mkdir -p -- "$(dirname "$1")"
  printf '%s\n' "$2" > "$1"
}

for variant in Pro:VantProDB-TWS:VANTProData-TWS:VantPlusHelp.chm \
               FO:VantFODB-TWS:VANTFOData-TWS:VantFOHelp.chm \
               CM:VantCMDB-TWS:VANTCMData-TWS:VantCMHelp.chm; do
  IFS=: read -r name db data help <<<"$variant"
  mkdir -p -- "$out/$db"
  if [ -n "$launcher" ]; then
    cp -- "$launcher" "$out/$db/VantPro.exe"
    for r in "${runtimes[@]}"; do cp -- "$r" "$out/$db/"; done
    for m in "${modules[@]}"; do cp -- "$m" "$out/$db/"; done
    [ -z "$watermark" ] || cp -- "$watermark" "$out/$db/TXE-WM.bmp"
  fi
  sample "$out/$db/$help" "VANT$name help (sample)"
  sample "$out/$db/ComVantPlusDB/ComVantPlusDB.dbd" "common client database (sample, $name)"
  sample "$out/$db/ComVantPlusDB/ldbclientinfo.dat" "client info (sample)"
  sample "$out/$db/ComVantPlusDB/ldbmiscinfo.dat" "misc info (sample)"
  sample "$out/$db/MarketData/symbols.dat" "symbol master (sample, $name)"
  sample "$out/$data/Colour/default.clr" "colour scheme (sample)"
  sample "$out/$data/Theme/default.thm" "theme (sample)"
  sample "$out/$data/MWBackup/readme.txt" "market watch backups of the user (sample)"
  sample "$out/$data/Images/logo.bmp" "image (sample)"
done
echo "setup package: $out"
