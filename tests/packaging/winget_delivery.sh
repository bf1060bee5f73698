#!/usr/bin/env bash
# The delivery as a package manager takes it: for each variant's winget manifests beside the
# setup zip, the zip is checked against the manifest's SHA-256 and unpacked into a fresh folder,
# and the nested installer runs there with the manifest's own Silent and Log switches, as written
# in the generated installer manifest. The install must end with exit code 0, place the terminal,
# and leave an Apps & features entry that matches the manifest's AppsAndFeaturesEntries. The
# last variant is then removed by its entry's QuietUninstallString.
# On the host build the installer runs through the POSIX layer on a fresh emulated machine; in a
# Windows build folder the script runs inside scripts/wine-run.sh --host (WINEPREFIX, VP_WINE).
# Usage: winget_delivery.sh <build folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/check.sh"
build=$(realpath "$1")
delivery="$build/delivery"
manifest() { python3 "$here/winget_manifest.py" "$@"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vp-delivery.XXXXXX")
trap 'rm -rf "$work"' EXIT
apps_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'

if [ -n "${VP_WINE:-}" ]; then
  source "$here/../e2e/wine_session.sh"
  # Windows paths of the prefix: its drive links (dosdevices) lead to the host folders, where
  # each name is matched ignoring case, as wine matches it (a name not there stays as given).
  host_path() {
    local letter=${1:0:1} name found
    local path="$WINEPREFIX/dosdevices/${letter,,}:"
    local -a names
    IFS='\\' read -r -a names <<<"${1:3}"
    for name in "${names[@]}"; do
      found=$(find "$path/" -mindepth 1 -maxdepth 1 -iname "$name" -print -quit 2>/dev/null)
      path=${found:-$path/$name}
    done
    echo "$path"
  }
  unpack_root='C:\windows\temp'
  # The command line goes to the program as written, through a batch file, and the exit code
  # is read inside wine: wine's own exit status reaches us only modulo 256.
  run_line() {  # <folder (Windows)> <program and arguments, as one command line>
    local batch="$unpack_root\\vp-run-$RANDOM.bat"
    printf '@echo off\r\ncd /d %s\r\n%s\r\necho %%ERRORLEVEL%%> "%s.code"\r\n' "$1" "$2" "$batch" \
      >"$(host_path "$batch")"
    timeout 300 "$wine" cmd /c "$batch" >/dev/null 2>&1
    tr -d '\r\n ' <"$(host_path "$batch.code")" 2>/dev/null || echo "no exit code"
  }
  reg_value() {  # <key> <name>
    "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
      sed -n "s/^ *$2 \{1,\}REG_\(EXPAND_\)\{0,1\}SZ \{1,\}//p"
  }
else
  export VP_MACHINE_ROOT="$work/machine" VP_UI=script
  "$build/tools/vp-machine" >/dev/null
  host_path() { "$build/tools/vp-machine" path "$1"; }
  unpack_root='C:\vp-delivery'
  run_line() {  # <folder (Windows)> <program and arguments, as one command line>
    local -a words
    mapfile -d '' words < <(manifest split "$2")
    local folder program="./${words[0]}" code=0
    folder=$(host_path "$1") || { echo "no folder $1"; return; }
    [[ ${words[0]} =~ ^[A-Za-z]:\\ ]] && program=$(host_path "${words[0]}")
    (cd "$folder" && timeout 300 "$program" "${words[@]:1}" </dev/null >/dev/null 2>&1) || code=$?
    echo "$code"
  }
  reg_value() { "$build/tools/vp-machine" reg "$1" "$2" 2>/dev/null; }
fi

# What each variant installs: the terminal under its own name.
declare -A terminals=([KORAX.VANTPlusTWS]=VANTPlusTWS.exe [KORAX.VANTPlusFOTWS]=VANTPlusFOTWS.exe
                      [KORAX.VANTPlusCMTWS]=VANTPlusCMTWS.exe)
mkdir -p "$(host_path "$unpack_root")" || exit 1
packages=("$delivery"/winget/*/)
check "the delivery holds the three variants' manifests" test "${#packages[@]}" = 3
last="${packages[-1]}"
for package in "${packages[@]}"; do
  id=$(basename "$package")
  versions=("$package"*/)
  folder=${versions[0]%/}
  installer="$folder/$id.installer.yaml"
  get() { manifest get "$installer" "$1"; }
  echo "== $id $(basename "$folder")"
  failed_before=$e2e_failed
  check "the manifests are valid and name one package" manifest check "$folder"
  # What the manifests do not say cannot be run.
  [ "$e2e_failed" = "$failed_before" ] || continue
  url=$(get Installers.0.InstallerUrl)
  zip="$delivery/${url##*/}"
  check "the zip the manifest points to is beside it" test -f "$zip"
  check "its SHA-256 is the manifest's" \
    test "$(sha256sum "$zip" | cut -d' ' -f1)" = "$(get Installers.0.InstallerSha256 | tr A-F a-f)"

  unpacked="$unpack_root\\$id"
  unpacked_host=$(host_path "$unpacked")
  check "the zip unpacks" bash -c 'mkdir "$1" && cd "$1" && cmake -E tar xf "$2"' _ "$unpacked_host" "$zip"
  nested=$(get NestedInstallerFiles.0.RelativeFilePath)
  check "the nested installer is at the zip's top" test -f "$unpacked_host/$nested"

  log="C:\\setup-$id.log"
  switches="$(get InstallerSwitches.Silent) $(get InstallerSwitches.Log)"
  switches=${switches//<LOGPATH>/$log}
  echo "   $nested $switches"
  code=$(run_line "$unpacked" "$nested $switches")
  check "the silent install ends with exit code 0" test "$code" = 0
  check "the log ends with exit code 0" bash -c 'tail -n 1 "$1" | grep -q "exit code 0 "' _ "$(host_path "$log")"

  entry="$apps_key\\$(get AppsAndFeaturesEntries.0.ProductCode)"
  for field in DisplayName Publisher DisplayVersion; do
    expected=$(get "AppsAndFeaturesEntries.0.$field")
    check "the Apps & features entry's $field is the manifest's ($expected)" \
      test "$(reg_value "$entry" "$field")" = "$expected"
  done
  location=$(reg_value "$entry" InstallLocation)
  terminal="$location\\${terminals[$id]:-unknown variant}"
  terminal_host=$(host_path "$terminal")
  check "the terminal $terminal is installed" test -n "$location" -a -f "$terminal_host"
  type=$(grep -o '/TYPE=[A-Z]*' <<<"$switches")
  quiet=$(reg_value "$entry" QuietUninstallString)
  check "the quiet uninstall removes the same variant ($type)" grep -q -- "/UNINSTALL /VERYSILENT $type\$" <<<"$quiet"

  # The uninstall of an install that went wrong would prove nothing.
  if [ "$package" = "$last" ] && [ "$e2e_failed" = "$failed_before" ]; then
    echo "== $id: the quiet uninstall of its entry"
    code=$(run_line "$unpacked" "$quiet")
    check "the quiet uninstall ends with exit code 0" test "$code" = 0
    check "the terminal is gone" test -n "$terminal_host" -a ! -e "$terminal_host"
    check "the Apps & features entry is gone" test -z "$(reg_value "$entry" DisplayName)"
  fi
done

checks_done
