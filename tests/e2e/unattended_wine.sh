#!/usr/bin/env bash
# The unattended installer on the Windows build under wine, without touching a window: a silent
# install of FO on D: shows no window and leaves what the dialog's install of the same choices
# leaves (files, registry values, links); wine's Apps & features lists it; the entry's quiet
# uninstall string, run as a deployment tool runs it, removes it all but the client database
# backup before it exits; each refusal gives its exit code and changes nothing. Exit codes are
# read inside wine (a batch file's %ERRORLEVEL%): from Linux they are seen modulo 256.
# Runs inside scripts/wine-run.sh --host (a fresh prefix, the loader, a virtual display).
# Usage: unattended_wine.sh <windows build folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
source "$here/unattended_common.sh"
build=$(realpath "$1")
source "$here/wine_session.sh"
rm -rf "$c/VANTPlusSetup"
cp -r "$build/setup-package" "$c/VANTPlusSetup"
mkdir -p "$c/logs"
use_automation "$build"
title="VANTPlusTWS Installer 7.0.3"
profile=$(ls -d "$c"/users/*/Desktop | grep -v Public | head -n 1 | xargs dirname)
uninstall_key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$fo_key"
settings_key="HKCU\\SOFTWARE\\KORAX\\$fo_key"
# The package's setup program, started in its folder.
package='C:\VANTPlusSetup'
silent_install='"C:\VANTPlusSetup\VANTPlusTWSSetup.exe" /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3'

# Runs a Windows command line from a batch file in a working folder, as a deployment tool would,
# and sets $code to the program's whole exit code as Windows gives it (not the 8 bits Linux sees).
run_windows() {  # <working folder> <command line>
  printf '@echo off\r\ncd /d %s\r\n%s\r\necho exit code %%ERRORLEVEL%%\r\n' "$1" "$2" >"$c/run.bat"
  local out
  out=$(cd "$c" && timeout 300 "$wine" cmd /c 'C:\run.bat' 2>/dev/null </dev/null | tr -d '\r')
  code=$(sed -n 's/^exit code \([0-9-]*\)$/\1/p' <<<"$out" | tail -n 1)
  [ -n "$code" ] || { code=none; echo "$out" | tail -n 5 | sed 's/^/   | /'; }
}
# The same with tools/ui_automation watching the setup program's windows the whole time.
run_watched() {  # <what> <working folder> <command line>
  : >"$prefix/watch.out"
  auto watch VANTPlusTWSSetup.exe 300000 >"$prefix/watch.out" 2>&1 </dev/null &
  local watcher=$! watched=0
  wait_for_line "$prefix/watch.out" '^watching' 120 || echo "   (the watcher did not start within 120 s)"
  run_windows "$2" "$3"
  # The program has ended with the batch file: the watcher follows within moments; one that
  # never saw the program (it started too late) is stopped after a minute.
  local deadline=$((SECONDS + 60))
  while kill -0 "$watcher" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  kill "$watcher" 2>/dev/null
  wait "$watcher" || watched=$?
  check "$1: the setup program ran and showed no window" \
    bash -c '[ "$1" = 0 ] && grep -q "^started" "$2" || { cat "$2"; false; }' _ "$watched" "$prefix/watch.out"
}
reg_query() { "$wine" reg query "$@" 2>/dev/null | tr -d '\r'; }

# What an install leaves: every file and folder of D: (files with their MD5), the settings key
# and the Apps & features entry as reg query lists them (without the day of the install), and
# every link of the user's profile as lnkinfo reads it.
snapshot() {  # <file>
  {
    echo "# D:"
    folder_listing "$d"
    echo "# registry"
    reg_query "$settings_key" /s
    reg_query "$uninstall_key" /s | grep -v InstallDate
    echo "# links"
    links_listing "$profile" .
  } >"$1"
}
unchanged() {  # <what> <snapshot before>
  snapshot "$prefix/after"
  check "$1 changes nothing" diff "$2" "$prefix/after"
}

echo "== silent install of FO on D: under wine, with a log"
run_watched "the silent install" "$package" "$silent_install /LOG=C:\\logs\\i.log"
check "it exits with code 0" test "$code" = 0
check "the log ends with exit code 0" log_ends_with "$c/logs/i.log" 0
check "the terminal is installed" test -f "$d/$fo_db/VANTPlusFOTWS.exe"
snapshot "$prefix/silent.snapshot"
check "the snapshot holds files, settings, the entry and links" \
  bash -c 'grep -q "^f $2/" "$1" && grep -q "InstalledDrive" "$1" && grep -q QuietUninstallString "$1" && grep -q "\.lnk$" "$1"' \
  _ "$prefix/silent.snapshot" "$fo_db"

echo "== the entry in wine's Apps & features"
listed=$("$wine" uninstaller --list 2>/dev/null | tr -d '\r')
check "uninstaller --list shows $fo_key|||VANTPlusFOTWS" grep -qxF "$fo_key|||VANTPlusFOTWS" <<<"$listed"
entry=$(reg_query "$uninstall_key")
for value in "DisplayName REG_SZ VANTPlusFOTWS" "DisplayVersion REG_SZ 7.0.3" \
             "InstallLocation REG_SZ D:\\$fo_db" "NoModify REG_DWORD 0x1" "NoRepair REG_DWORD 0x1"; do
  read -r name type text <<<"$value"
  check "$name is $type $text" grep -qE "^\s+$name\s+$type\s+$(sed 's/[\\.]/\\&/g' <<<"$text")$" <<<"$entry"
done
for name in Publisher DisplayIcon UninstallString QuietUninstallString InstallDate; do
  check "$name is a REG_SZ" grep -qE "^\s+$name\s+REG_SZ\s+\S" <<<"$entry"
done
check "EstimatedSize is a REG_DWORD" grep -qE "^\s+EstimatedSize\s+REG_DWORD\s+0x[0-9a-f]+$" <<<"$entry"

# A silent install that must refuse: its exit code and the log's last line.
refused() {  # <what> <exit code> <log name> <arguments...>
  local what=$1 expected=$2 name=$3; shift 3
  run_windows "$package" "\"C:\\VANTPlusSetup\\VANTPlusTWSSetup.exe\" /VERYSILENT $* M:P V:7.0.3 /LOG=C:\\logs\\$name.log"
  check "$what exits with code $expected" test "$code" = "$expected"
  check "$what: the log ends with exit code $expected" log_ends_with "$c/logs/$name.log" "$expected"
}
# The same while another program runs, which is then closed by its button 2: nothing changed.
refused_beside() {  # <what> <exit code> <log name> <window title> <working folder> <program> <arguments...>
  local what=$1 expected=$2 name=$3 window=$4 folder=$5; shift 5
  (cd "$folder" && timeout 300 "$wine" "$@") &
  local other=$!
  check "the window $window appears" auto wait "$window" 60000
  refused "$what" "$expected" "$name" /DRIVE=D /TYPE=FO
  check "the window $window closes on its button 2" auto click "$window" 2
  wait $other
  unchanged "$what" "$prefix/before"
}

echo "== a second silent install while a dialog holds the setup mutex"
snapshot "$prefix/before"
refused_beside "the second install" 1618 busy "$title" "$c/VANTPlusSetup" \
  'C:\VANTPlusSetup\VANTPlusTWSSetup.exe' M:P V:7.0.3

echo "== a silent install while the FO terminal runs"
refused_beside "the install beside the terminal" 1900 terminal "VantPlus Terminal" "$d/$fo_db" \
  "D:\\$fo_db\\VANTPlusFOTWS.exe" '\LVantPlusUI'

echo "== command lines that cannot be taken"
check "there is no drive Q:" test ! -e "$prefix/dosdevices/q:"
for bad in /DRIVE=Q /TYPE=XX; do
  refused "$bad" 1639 "${bad:1:4}" "$bad"
done
run_windows "$package" "$silent_install /LOG=C:\\no-such-folder\\i.log"
check "a log that cannot be written exits with code 1622" test "$code" = 1622
unchanged "the refused command lines" "$prefix/before"

echo "== the quiet uninstall string, read from the registry and run"
printf 'clients of the user\r\n' >"$d/$fo_db/ComVantPlusDB/ldbclientinfo.dat"
quiet=$(sed -n 's/^\s*QuietUninstallString\s*REG_SZ\s*//p' <<<"$entry")
echo "   $quiet"
run_watched "the quiet uninstall" 'C:\' "$quiet /LOG=C:\\logs\\u.log"
check "it exits with code 0" test "$code" = 0
check "the log ends with exit code 0" log_ends_with "$c/logs/u.log" 0
# Checked at once: the exit code comes only once the work is done.
check "the variant's folders are gone" test ! -e "$d/$fo_db" -a ! -e "$d/$fo_data"
check "the settings key is gone" bash -c '! "$1" reg query "$2" >/dev/null 2>&1' _ "$wine" "$settings_key"
check "the Apps & features entry is gone" bash -c '! "$1" reg query "$2" >/dev/null 2>&1' _ "$wine" "$uninstall_key"
check "the links are gone" test -z "$(find "$profile" -name '*FO*.lnk')"
check "the backup keeps the user's clients" grep -q "clients of the user" "$d/$fo_backup/ldbclientinfo.dat"
check "uninstaller --list no longer shows it" \
  bash -c '! "$1" uninstaller --list 2>/dev/null | grep -qF "$2|||"' _ "$wine" "$fo_key"
wait_for "the setup program deletes itself after it ended" 20 test ! -e "$d/VANTFOSetup/VANTPlusTWSSetup.exe"
echo "   left on D: $(cd "$d" && ls | tr '\n' ' ')"
run_windows "$package" "$silent_install /UNINSTALL /LOG=C:\\logs\\u2.log"
check "a second silent uninstall exits with code 1605" test "$code" = 1605
check "its log ends with exit code 1605" log_ends_with "$c/logs/u2.log" 1605

echo "== the dialog's install of the same choices leaves the same"
rm -rf "$d/$fo_backup" "$d/$fo_backup-Generations" "$d/VANTFOSetup"
(cd "$c/VANTPlusSetup" && timeout 300 "$wine" 'C:\VANTPlusSetup\VANTPlusTWSSetup.exe' M:P V:7.0.3) &
dialog=$!
check "the dialog appears" auto wait "$title" 60000
check "[-D-] is picked" auto select "$title" 1001 "[-D-]"
check "FO is picked" auto select "$title" 1004 FO
auto click "$title" 1002 &
clicker=$!
check "Installation Done! is shown" auto answer "Installation Done!" OK 180000
wait $clicker
check "the dialog closes on Exit" auto click "$title" 2
wait $dialog
snapshot "$prefix/dialog.snapshot"
check "files, registry values and links are the same as the silent install's" \
  diff "$prefix/dialog.snapshot" "$prefix/silent.snapshot"

echo "== a drive that fills up in the middle of a reinstall: the old terminal still starts"
# D: becomes, for this part, a file system with room for one installation and half of another
# (mounted over its folder, which wine looks at anew on every call).
needed_kb=$(du -sk "$d/$fo_db" "$d/VANTFOSetup" "$d/$fo_data" | awk '{s += $1} END {print s}')
if ! mount -t tmpfs -o size=$((needed_kb * 3 / 2 + 512))k tmpfs "$d" 2>/dev/null; then
  echo "   (skipped: no small file system can be mounted here)"
else
  run_windows "$package" "$silent_install /LOG=C:\\logs\\full1.log"
  check "the first install on the small drive exits with code 0" test "$code" = 0
  folder_listing "$d/$fo_db" >"$prefix/full-before"
  run_windows "$package" "$silent_install /LOG=C:\\logs\\full2.log"
  check "the reinstall on the full drive exits with code 112" test "$code" = 112
  check "its log says the previous installation is unchanged" \
    grep -q "previous installation is unchanged" "$c/logs/full2.log"
  folder_listing "$d/$fo_db" >"$prefix/full-after"
  check "the old terminal's folder is as it was, file for file" diff "$prefix/full-before" "$prefix/full-after"
  check "no staged folder is left on D:" test -z "$(find "$d" -maxdepth 1 -name '*.~vp*')"
  (cd "$d/$fo_db" && timeout 300 "$wine" "D:\\$fo_db\\VANTPlusFOTWS.exe" '\LVantPlusUI') &
  terminal=$!
  check "the old terminal starts: its window appears" auto wait "VantPlus Terminal" 60000
  check "and closes on its button 2" auto click "VantPlus Terminal" 2
  wait $terminal
  umount -l "$d"
fi

checks_done
