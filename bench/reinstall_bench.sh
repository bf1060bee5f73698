#!/usr/bin/env bash
# A reinstall over an existing installation, timed for this build's installer against another
# installer program (for example one built from an earlier commit), on the same package and
# machine, in alternating rounds; prints the medians, their ratio, and the disk the installation
# takes (a staged install needs room for the old and the new installation at once, at its peak).
#   bench/reinstall_bench.sh <host build folder> <reference VANTPlusTWSSetup.exe> [files (5000)] [rounds (5)]
# VP_BENCH_DIR: where the machines go (default /tmp; /dev/shm leaves the disk's variance out);
# VP_BENCH_KEEP=1 keeps them and each round's times (this.times, reference.times).
set -euo pipefail
build=$(realpath "$1")
reference=$(realpath "$2")
files=${3:-5000}
rounds=${4:-5}
work=$(mktemp -d "${VP_BENCH_DIR:-/tmp}/vp-bench-reinstall.XXXXXX")
[ -n "${VP_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

# The package: the build's setup package and $files files of 1 KB to 16 KB in 250 folders.
make_package() {  # <folder> <installer program>
  cp -r "$build/setup-package" "$1"
  cp "$2" "$1/VANTPlusTWSSetup.exe"
  python3 - "$1/VantProDB-TWS/Data" "$files" <<'EOF'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    folder = os.path.join(root, "a%d" % (i % 25), "b%d" % (i % 10))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "item%d.bin" % i), "wb") as f:
        f.write(bytes([i % 251]) * (1024 * (1 + i * 7 % 16)))
EOF
}

install_with() {  # <machine> <package>: one dialog install on D:, its seconds on stdout
  local start end
  start=$(date +%s%N)
  (cd "$2" && printf 'select 1001 [-D-]\nclick 1002\nanswer OK\nclick 2\n' |
     VP_MACHINE_ROOT=$1 VP_UI=script ./VANTPlusTWSSetup.exe M:P V:7.0.3) >"$work/out" 2>&1
  end=$(date +%s%N)
  grep -q "text Installation Done!" "$work/out" || { echo "the install failed:" >&2; tail "$work/out" >&2; exit 1; }
  awk -v ns=$((end - start)) 'BEGIN {printf "%.3f\n", ns / 1e9}'
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

for side in this reference; do
  program=$build/setup-package/VANTPlusTWSSetup.exe
  [ "$side" = reference ] && program=$reference
  make_package "$work/$side-package" "$program"
  VP_MACHINE_ROOT=$work/$side-machine "$build/tools/vp-machine" >/dev/null
  install_with "$work/$side-machine" "$work/$side-package" >/dev/null  # the existing installation
done

: >"$work/this.times"
: >"$work/reference.times"
for ((r = 0; r < rounds; r++)); do
  # Each side goes first in every other round, so a change in the machine's load weighs alike.
  order="this reference"
  [ $((r % 2)) = 1 ] && order="reference this"
  for side in $order; do
    install_with "$work/$side-machine" "$work/$side-package" >>"$work/$side.times"
  done
done
this=$(median <"$work/this.times")
ref=$(median <"$work/reference.times")
size=$(find "$work/this-machine/drive_d" -maxdepth 1 \( -iname VANTProDB-TWS -o -iname VANTProData-TWS \
         -o -iname VANTProSetup \) -exec du -sbc {} + | tail -n 1 | cut -f1)
echo "reinstall of a $files-file package, $rounds rounds (medians)"
echo "  this installer:      $this s"
echo "  reference installer: $ref s"
echo "  ratio:               $(awk -v a="$this" -v b="$ref" 'BEGIN {printf "%.3f", a / b}')"
echo "  installation:        $((size / 1024 / 1024)) MB; at the switch a staged install holds the"
echo "                       old and the new installation at once: up to that much more again"
