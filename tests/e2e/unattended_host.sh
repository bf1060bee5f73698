#!/usr/bin/env bash
# The unattended installer on the host: a silent install of FO on D: leaves what the dialog's
# install of the same choices leaves; the Apps & features entry's quiet uninstall removes it all
# but the client database backup; and each refusal (another setup, a running terminal, a bad
# command line, a log that cannot be written, a full disk) gives its exit code and changes
# nothing the user keeps. Each emulated machine is a folder of its own.
# Usage: unattended_host.sh <host build folder>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
source "$here/unattended_common.sh"
build=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/vp-e2e-unattended.XXXXXX")
holder_pid=""
trap '[ -z "$holder_pid" ] || kill "$holder_pid" 2>/dev/null; rm -rf "$work"' EXIT

package="$build/setup-package"
use_machine() {  # <name>: the machine the next steps run on
  export VP_MACHINE_ROOT="$work/$1"
  machine=$VP_MACHINE_ROOT
  profile=$(ls -d "$machine"/drive_c/Users/* 2>/dev/null | head -n 1)
}
new_machine() {  # <name>: a fresh machine, then used
  use_machine "$1"
  "$build/tools/vp-machine" >/dev/null
  mkdir -p "$machine/drive_c/logs"
  use_machine "$1"
}
host() { "$build/tools/vp-machine" path "$1"; }
log_of() { host "$1"; }

# A setup program started as a deployment tool starts it: no input, the script front end (so
# that any window it showed would be printed). Sets $code (the exit status, which the host gives
# modulo 256) and $out.
run_setup() {  # <working folder> <program> <arguments...>
  local folder=$1 program=$2; shift 2
  code=0
  out=$(cd "$folder" && VP_UI=script "$program" "$@" </dev/null 2>&1) || code=$?
}
# The package's setup program, run in place from the build's setup package.
setup() { run_setup "$package" "$package/VANTPlusTWSSetup.exe" "$@"; }
no_window() { ! grep -qE "^(dialog|messagebox|window) " <<<"$1"; }

# What an install leaves, in a form two machines can be compared in: every file and folder of
# D: (files with their MD5), the variant's settings key, its Apps & features entry without the
# day it was written, and each link on the desktop and in the Start menu as lnkinfo reads it.
snapshot() {  # <file>
  {
    echo "# D:"
    folder_listing "$machine/drive_d"
    echo "# registry"
    iconv -f UTF-16 -t UTF-8 "$machine/registry/HKEY_CURRENT_USER.reg" 2>/dev/null | tr -d '\r' |
      awk -v k="$fo_key" '/^\[/{show = index($0, "KORAX\\" k) || index($0, "Uninstall\\" k)}
                           show && !/^"InstallDate"=/' | grep -v '^$'
    echo "# links"
    links_listing "$profile" Desktop "Start Menu"
  } >"$1"
}
unchanged() {  # <what> <snapshot before>
  snapshot "$work/after"
  check "$1 changes nothing" diff "$2" "$work/after"
}
# The value of the entry as the .reg file writes it: "Name"="text" or "Name"=dword:...
entry_value() {  # <name>
  iconv -f UTF-16 -t UTF-8 "$machine/registry/HKEY_CURRENT_USER.reg" 2>/dev/null | tr -d '\r' |
    awk -v k="Uninstall\\\\$fo_key]" -v n="\"$1\"=" \
      '/^\[/{show = index($0, k) > 0} show && index($0, n) == 1 {print substr($0, length(n) + 1)}'
}

echo "== silent install of FO on D: with a log"
new_machine silent
setup /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3 '/LOG=C:\logs\i.log'
check "it exits with code 0" test "$code" = 0
check "it shows no dialog and no message box" no_window "$out"
log=$(log_of 'C:\logs\i.log')
check "the log ends with exit code 0 (success)" log_ends_with "$log" 0
check "the terminal is installed" test -f "$(host "D:\\$fo_db\\VANTPlusFOTWS.exe")"
check "the log names the Apps & features entry" grep -q "Apps & features entry .*$fo_key written" "$log"
snapshot "$work/silent.snapshot"

echo "== the dialog's install of the same choices leaves the same"
new_machine dialog
(cd "$package" &&
  printf 'select 1001 [-D-]\nselect 1004 FO\nclick 1002\nanswer OK\nclick 2\n' |
  VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3 >"$work/dialog.out" 2>&1)
check "the dialog shows Installation Done!" grep -q "text Installation Done!" "$work/dialog.out"
snapshot "$work/dialog.snapshot"
check "the snapshot holds files, settings, the entry and links" \
  bash -c 'grep -q "^f VantFODB-TWS/" "$1" && grep -q "InstalledDrive" "$1" && grep -q QuietUninstallString "$1" && grep -q "\.lnk$" "$1"' _ "$work/silent.snapshot"
check "files, registry values and links are the same" diff "$work/dialog.snapshot" "$work/silent.snapshot"

echo "== the Apps & features entry"
use_machine silent
check "DisplayName is VANTPlusFOTWS" test "$(entry_value DisplayName)" = '"VANTPlusFOTWS"'
check "DisplayVersion is 7.0.3" test "$(entry_value DisplayVersion)" = '"7.0.3"'
check "InstallLocation is the terminal's folder" test "$(entry_value InstallLocation)" = "\"D:\\\\$fo_db\""
for name in Publisher DisplayIcon UninstallString InstallDate; do
  check "$name is a non-empty text" grep -qE '^".+"$' <<<"$(entry_value "$name")"
done
for name in EstimatedSize NoModify NoRepair; do
  check "$name is a DWORD" grep -qE '^dword:[0-9a-f]{8}$' <<<"$(entry_value "$name")"
done
check "NoModify and NoRepair are 1" test "$(entry_value NoModify)$(entry_value NoRepair)" = dword:00000001dword:00000001
check "EstimatedSize is more than 100 KB" test $((16#$(entry_value EstimatedSize | cut -d: -f2))) -gt 100
quiet=$(entry_value QuietUninstallString | sed 's/^"//; s/"$//; s/\\\\/\\/g; s/\\"/"/g')
check "QuietUninstallString asks for a silent uninstall of FO" \
  grep -qE '^"D:\\VANTFOSetup\\VANTPlusTWSSetup\.exe" .*/UNINSTALL /VERYSILENT /TYPE=FO$' <<<"$quiet"

# A program kept running on a script it reads from a pipe, until it is released.
hold() {  # <name> <working folder> <program> <arguments...>
  local name=$1 folder=$2; shift 2
  mkfifo "$work/$name.in"
  (cd "$folder" && VP_UI=script exec "$@" <"$work/$name.in" >"$work/$name.out" 2>&1) &
  holder_pid=$!
  exec 7>"$work/$name.in"
}
release() {  # <last script line>: the held program gets it and ends
  (echo "$1" >&7) 2>/dev/null  # a subshell: a closed pipe must not end this script
  exec 7>&-
  wait "$holder_pid"; holder_pid=""
}
# A silent run that must refuse: its exit code (modulo 256 here) and the log's last line.
refused() {  # <what> <exit code> <log name> <arguments...>
  local what=$1 expected=$2 log="C:\\logs\\$3.log"; shift 3
  setup /VERYSILENT "$@" M:P V:7.0.3 "/LOG=$log"
  check "$what exits with code $expected ($((expected % 256)) modulo 256)" test "$code" = $((expected % 256))
  check "$what: the log ends with exit code $expected" log_ends_with "$(log_of "$log")" "$expected"
}

echo "== a second silent install while a dialog holds the setup mutex"
snapshot "$work/before"
hold setup "$package" ./VANTPlusTWSSetup.exe M:P V:7.0.3
check "the dialog is shown" wait_for_line "$work/setup.out" '^dialog 102 ' 60
refused "the second install" 1618 busy /DRIVE=D /TYPE=FO
release "click 2"
unchanged "the refused install" "$work/before"

echo "== a silent install while the FO terminal runs"
terminal=$(host "D:\\$fo_db\\VANTPlusFOTWS.exe")
hold terminal "$(dirname "$terminal")" "$terminal" '\LVantPlusUI'
check "the terminal's window is shown" wait_for_line "$work/terminal.out" '^dialog ' 60
refused "the install beside the terminal" 1900 terminal /DRIVE=D /TYPE=FO
release "key close"
unchanged "the install beside the terminal" "$work/before"

echo "== command lines that cannot be taken"
for bad in /DRIVE=Q /TYPE=XX; do
  refused "$bad" 1639 "${bad:1:4}" "$bad"
  unchanged "$bad" "$work/before"
done
setup /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3 '/LOG=C:\no such folder\i.log'
check "a log that cannot be written exits with code 1622 (86 modulo 256)" test "$code" = $((1622 % 256))
unchanged "the run without a log" "$work/before"

echo "== the quiet uninstall string, run as a deployment tool runs it"
printf 'clients of the user\r\n' >"$(host "D:\\$fo_db\\ComVantPlusDB\\ldbclientinfo.dat")"
program=$(sed -E 's/^"([^"]+)".*/\1/' <<<"$quiet")
read -ra arguments <<<"$(sed -E 's/^"[^"]+" *//; s/"//g' <<<"$quiet")"
run_setup "$machine/drive_c" "$(host "$program")" "${arguments[@]}" '/LOG=C:\logs\u.log'
check "it exits with code 0" test "$code" = 0
check "it shows no dialog and no message box" no_window "$out"
check "the log ends with exit code 0" log_ends_with "$(log_of 'C:\logs\u.log')" 0
# Checked at once: the exit code comes only after the work is done.
check "the variant's folders are gone" test ! -e "$(host "D:\\$fo_db")" -a ! -e "$(host "D:\\$fo_data")"
check "the settings key and the entry are gone" \
  bash -c '! iconv -f UTF-16 -t UTF-8 "$1" | grep -qF "$2"' _ "$machine/registry/HKEY_CURRENT_USER.reg" "$fo_key"
check "the links are gone" test -z "$(cd "$profile" && find Desktop "Start Menu" -name '*FO*')"
check "the client database backup keeps the user's clients" \
  grep -q "clients of the user" "$(host "D:\\$fo_backup\\ldbclientinfo.dat")"
wait_for "the setup program deletes itself after it ended" 10 test ! -e "$(host 'D:\VANTFOSetup\VANTPlusTWSSetup.exe')"
setup /UNINSTALL /VERYSILENT /TYPE=FO M:P '/LOG=C:\logs\u2.log'
check "a second silent uninstall exits with code 1605 (69 modulo 256)" test "$code" = $((1605 % 256))
check "its log ends with exit code 1605" log_ends_with "$(log_of 'C:\logs\u2.log')" 1605

echo "== a full disk: the install stops with 112 and the client databases stay whole"
new_machine full
setup /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3
check "the first install exits with code 0" test "$code" = 0
user_db=$(host "D:\\$fo_db\\ComVantPlusDB\\ldbclientinfo.dat")
printf 'clients of the user\r\n' >"$user_db"
folder_listing "$(host "D:\\$fo_db")" >"$work/full.before"
# A file-size limit stands for the full disk: the variant's largest file cannot be written.
limit=$(( $(find "$package/$fo_db" -type f -printf '%s\n' | sort -n | tail -n 1) / 1024 / 2 ))
code=0
out=$(cd "$package" && trap '' XFSZ && ulimit -f "$limit" &&
      VP_UI=script ./VANTPlusTWSSetup.exe /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3 \
        '/LOG=C:\logs\full.log' </dev/null 2>&1) || code=$?
check "it exits with code 112" test "$code" = 112
check "the log ends with exit code 112" log_ends_with "$(log_of 'C:\logs\full.log')" 112
folder_listing "$(host "D:\\$fo_db")" >"$work/full.after"
check "the previous installation is unchanged, file for file" diff "$work/full.before" "$work/full.after"
check "no staged folder is left on D:" test -z "$(find "$machine/drive_d" -maxdepth 1 -name '*.~vp*')"
check "the user's clients are kept (live or in the backup)" \
  bash -c 'grep -qs "clients of the user" "$1" || grep -qs "clients of the user" "$2"' _ \
  "$user_db" "$(host "D:\\$fo_backup\\ldbclientinfo.dat")"
check "the live client database is the user's or gone, never cut short" \
  bash -c '[ ! -e "$1" ] || grep -q "clients of the user" "$1" || cmp -s "$1" "$2"' _ \
  "$user_db" "$package/$fo_db/ComVantPlusDB/ldbclientinfo.dat"
setup /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3
check "with room again the install exits with code 0" test "$code" = 0
check "and the backup holds the user's clients" grep -q "clients of the user" "$(host "D:\\$fo_backup\\ldbclientinfo.dat")"

echo "== a silent install started in another working folder, as deployment tools start it"
new_machine elsewhere
run_setup "$machine/drive_c" "$package/VANTPlusTWSSetup.exe" /VERYSILENT /DRIVE=D /TYPE=FO M:P V:7.0.3
check "it installs from its own folder and exits with code 0" test "$code" = 0
check "the terminal is installed" test -f "$(host "D:\\$fo_db\\VANTPlusFOTWS.exe")"

checks_done
