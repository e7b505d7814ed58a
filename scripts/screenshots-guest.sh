#!/usr/bin/env bash
# Takes pictures of what a user of a big machine sees, in Linux guests of 8 CPUs (one socket of 4
# cores with 2 threads each) and 64 CPUs (two sockets, each its own NUMA node, 2 threads per
# core): the main window with its process table and profile list, the process menu open on a row
# with "All CPUs" and its "Single CPUs" or "Cores" submenus, the tray menu, Options and "Choose
# CPUs". The program runs as root in the guest, inside a PID namespace of its own, under Xvfb at
# 1366x768. PNG files go to DIR/8 and DIR/64 (default build/screenshots); scripts/screenshots.sh
# keeps some of them in docs/images.
#
# Usage: scripts/screenshots-guest.sh [DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-$build/screenshots}")
MERVALE_TARGET="screenshot_probe" "$root/scripts/build.sh"

# Its settings and lists stay in the guest's memory; the pictures come back as a tar archive on
# standard output, the probe's report on standard error.
read -r -d '' job <<'EOF_JOB' || true
export XDG_CONFIG_HOME=$(mktemp -d) QT_QPA_PLATFORM=xcb
shots=$(mktemp -d)
xvfb-run -a -s "-screen 0 1366x768x24" unshare --pid --fork --mount-proc --kill-child "$1" "$shots" >&2
tar -C "$shots" -c . | base64
EOF_JOB

shoot() {
  local cpus=$1 smp=$2 qemu_args=${3:-}
  echo "== $cpus CPUs: -smp $smp"
  mkdir -p "$out/$cpus"
  MERVALE_GUEST_QEMU_ARGS=$qemu_args "$root/scripts/run-in-guest.sh" -t 900 "$smp" -- \
    bash -c "$job" screenshots "$build/app/screenshot_probe" | base64 -d | tar -C "$out/$cpus" -x
}

shoot 8 8,sockets=1,cores=4,threads=2
shoot 64 64,sockets=2,cores=16,threads=2 \
  "-object memory-backend-ram,id=m0,size=512M -object memory-backend-ram,id=m1,size=512M
   -numa node,nodeid=0,cpus=0-31,memdev=m0 -numa node,nodeid=1,cpus=32-63,memdev=m1"
ls -l "$out"/8 "$out"/64
