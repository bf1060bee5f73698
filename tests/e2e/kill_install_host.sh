#!/usr/bin/env bash
# A reinstall killed at any instant leaves a working installation. Over an installation of a
# package of many files, the installer (the dialog through the script front end, replacing the
# user data folder) installs a second package and is killed (SIGKILL, by strace's fault
# injection) at points spread evenly over the system calls that change the disk. After each
# kill the terminal is started as the user would start it: it finishes or undoes the cut-off
# install. Then the installation must be exactly the previous one or exactly the new one (every
# file, the settings, the links), the user's client database and MWBackup must be kept, no
# staged folder may be left, and the terminal must run; a rerun must then install the new one.
# Usage: kill_install_host.sh <host build folder> [kill points (50)] [package files (2000)]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
source "$here/unattended_common.sh"
build=$(realpath "$1")
points=${2:-50}
package_files=${3:-2000}
work=$(mktemp -d "${TMPDIR:-/tmp}/vp-e2e-kill.XXXXXX")
[ -n "${VP_KILL_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

if ! command -v strace >/dev/null; then
  echo "SKIP: strace is not installed (scripts/deps.sh installs it)"
  exit 77
elif ! strace -f -qq -o /dev/null true 2>/dev/null; then
  echo "SKIP: strace cannot trace programs here (ptrace is not allowed)"
  exit 77
fi

machine=$work/machine
export VP_MACHINE_ROOT=$machine
# The host path of a Windows path; a path that does not resolve stays one that never exists.
host() { "$build/tools/vp-machine" path "$1" 2>/dev/null || echo "$work/unresolved"; }

make_package() {  # <folder> <version text>
  cp -r "$build/setup-package" "$1"
  local i
  for ((i = 0; i < package_files; i++)); do
    mkdir -p "$1/VantProDB-TWS/Data/d$((i % 50))"
    echo "$2 file $i" >"$1/VantProDB-TWS/Data/d$((i % 50))/f$i.dat"
  done
  echo "$2" >"$1/VANTProData-TWS/Colour/version.txt"
}
make_package "$work/old" "old"
make_package "$work/new" "new"

# The dialog's install: drive D:, every box ticked as the dialog opens (the user data folder is
# replaced), then the result box and Exit.
install_from() {  # <package> [command and arguments to run the installer under]
  local package=$1; shift
  (cd "$package" &&
    printf 'select 1001 [-D-]\nclick 1002\nanswer OK\nanswer OK\nclick 2\n' |
    VP_UI=script "$@" ./VANTPlusTWSSetup.exe M:P V:7.0.3) >"$work/install.out" 2>&1
}

listing() {  # <folder>: its folders, then its files with their MD5, in one pass
  (cd "$1" && find . -mindepth 1 -type d | sort && find . -type f -print0 | sort -z | xargs -0 -r md5sum)
}

# What an installation is: its folders (each file with its MD5), its settings and Apps &
# features entry (without the day it was written) and its links as lnkinfo reads them.
installation() {
  local folder found profile
  for folder in VANTProDB-TWS VANTProData-TWS VANTProSetup; do
    found=$(find "$machine/drive_d" -maxdepth 1 -iname "$folder")
    echo "# $folder as ${found##*/}"
    [ -z "$found" ] || listing "$found"
  done
  echo "# registry"
  iconv -f UTF-16 -t UTF-8 "$machine/registry/HKEY_CURRENT_USER.reg" 2>/dev/null | tr -d '\r' |
    awk '/^\[/{show = index($0, "KORAX\\VANTPLUS-TWS") || index($0, "Uninstall\\VANTPLUS-TWS")}
         show && !/^"InstallDate"=/' | grep -v '^$'
  echo "# links"
  profile=$(ls -d "$machine"/drive_c/Users/* | head -n 1)
  links_listing "$profile" Desktop "Start Menu"
}

start_terminal() {  # the terminal as its link starts it; its output in $work/terminal.out
  local terminal
  terminal=$(host 'D:\VANTProDB-TWS\VANTPlusTWS.exe')
  [ -f "$terminal" ] || { echo "no terminal at D:\\VANTProDB-TWS" >"$work/terminal.out"; return 1; }
  (cd "$(dirname "$terminal")" && printf 'key close\n' | VP_UI=script "$terminal" '\LVantPlusUI') \
    >"$work/terminal.out" 2>&1
}

clients_kept() {  # the user's clients live or in the backup
  grep -qs "clients of the user" "$(host 'D:\VANTProDB-TWS\ComVantPlusDB\ldbclientinfo.dat')" ||
    grep -qs "clients of the user" "$(host 'D:\VNXTBackUpDB-TWS\ldbclientinfo.dat')"
}

echo "== the previous installation: $package_files files, the user's data in it"
"$build/tools/vp-machine" >/dev/null
install_from "$work/old"
check "the first install is done" grep -q "text Installation Done!" "$work/install.out"
printf 'clients of the user\r\n' >"$(host 'D:\VANTProDB-TWS\ComVantPlusDB\ldbclientinfo.dat')"
printf 'the user backup\r\n' >"$(host 'D:\VANTProData-TWS\MWBackup')/mine.txt"
installation >"$work/old.installation"
cp -a "$machine" "$work/template"

echo "== the reinstall, traced: the system calls that change the disk"
calls=write,pwrite64,openat,rename,renameat,renameat2,unlink,unlinkat,mkdir,mkdirat,rmdir
calls+=,fsync,fdatasync,ftruncate,fchmod,fchmodat,copy_file_range,sendfile,fallocate
install_from "$work/new" strace -f -qq -o "$work/trace" -e trace="$calls"
check "the traced reinstall is done" grep -q "text Installation Done!" "$work/install.out"
installation >"$work/new.installation"
check "the new installation differs from the old one" bash -c "! cmp -s \"\$1\" \"\$2\"" _ "$work/old.installation" "$work/new.installation"
# One line per call of the installer's own process: "name count switch", the count being how
# many calls of that name came before it and it (strace counts each call's invocations apart),
# switch 1 for the renames of the switch itself (from or to a staged or old folder).
first_pid=$(head -n 1 "$work/trace" | cut -d' ' -f1)
awk -v pid="$first_pid" '$1 == pid {
       name = $2; sub(/\(.*/, "", name)
       if (name !~ /^[a-z0-9_]+$/) next
       print name, ++seen[name], (name ~ /^rename/ && $0 ~ /\.~vp(new|old)(\/MWBackup)?"/) ? 1 : 0 }' \
  "$work/trace" >"$work/calls"
total=$(wc -l <"$work/calls")
# The points: evenly spread, then each rename of the switch and the call right after it.
{
  for ((k = 0; k < points; k++)); do echo $(( (2 * k + 1) * total / (2 * points) + 1 )); done
  awk '$3 == 1 {print NR; print NR + 1}' "$work/calls"
} | awk -v t="$total" '$1 <= t && !seen[$1]++' >"$work/points"
echo "   $total calls; killing at $points evenly spread points and $(($(wc -l <"$work/points") - points)) around the switch's renames"

mixed=0 lost=0 dead=0 leftovers=0 unfinished=0 previous=0 new=0 gap=0
k=0
while read -r line <&3; do
  k=$((k + 1))
  read -r name count _ < <(sed -n "${line}p" "$work/calls")
  rm -rf "$machine" && cp -a "$work/template" "$machine"
  install_from "$work/new" strace -f -qq -o /dev/null -e inject="$name:signal=KILL:when=$count"
  start_terminal
  started=$?
  if [ "$started" != 0 ] && [ ! -e "$(host 'D:\VANTProDB-TWS')" ]; then
    # Killed between the two renames of the terminal's folder: its link finds nothing. The
    # user starts the setup program from its folder (the Install-UnInstall link), which
    # settles the install as it opens (it cannot move its own folder, so it undoes it); then the terminal.
    gap=$((gap + 1))
    (cd "$(host 'D:\VANTProSetup')" && printf 'click 2\n' | VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3) \
      >"$work/setup.out" 2>&1
    start_terminal
    started=$?
  fi
  installation >"$work/after"
  if cmp -s "$work/after" "$work/old.installation"; then previous=$((previous + 1)); state=previous
  elif cmp -s "$work/after" "$work/new.installation"; then new=$((new + 1)); state=new
  else
    mixed=$((mixed + 1)); state=mixed
    diff "$work/old.installation" "$work/after" | head -n 5
  fi
  [ "$started" = 0 ] || { dead=$((dead + 1)); state+=", the terminal did not start"; head -n 5 "$work/terminal.out"; }
  clients_kept || { lost=$((lost + 1)); state+=", the user's clients are lost"; }
  grep -qs "the user backup" "$(host 'D:\VANTProData-TWS\MWBackup')/mine.txt" ||
    { lost=$((lost + 1)); state+=", the user's MWBackup is lost"; }
  if find "$machine/drive_d" -maxdepth 1 -name '*.~vp*' | grep -q .; then
    leftovers=$((leftovers + 1)); state+=", staging folders left"

  fi
  install_from "$work/new"
  installation >"$work/after"
  cmp -s "$work/after" "$work/new.installation" || { unfinished=$((unfinished + 1)); state+=", the rerun did not install the new one"; }
  echo "   kill $k at call $line of $total ($name #$count): $state"
done 3<"$work/points"
echo "   after the kills: $previous previous, $new new, $mixed mixed installations; $gap between the"
echo "   renames of the terminal's folder (settled by the next start of the setup program)"
check "no kill leaves a mix of two installations" test "$mixed" = 0
check "the terminal starts after every kill" test "$dead" = 0
check "no kill loses the user's clients or MWBackup" test "$lost" = 0
check "no kill leaves staged or old folders once the terminal started" test "$leftovers" = 0
check "after every kill a rerun installs the new installation" test "$unfinished" = 0
checks_done
