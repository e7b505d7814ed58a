#!/usr/bin/env bash
# Runs the tests of the Linux backend and of the machine's topology inside a Linux guest with many
# CPUs (scripts/run-in-guest.sh): real processes pinned by a real kernel on CPUs this machine may
# not have. Each argument is one guest, as a QEMU -smp value; the default is the case CI runs, 8
# CPUs as one socket of 4 cores with 2 threads each. A plain count (e.g. 64) gives two sockets of
# cores with two threads, each socket its own NUMA node. Builds into build/ (or
# $MERVALE_BUILD_DIR) first. The tests of made-up /sys trees need no guest and are left out.
#
# The engine's own tests over the real backend (namespace_tests) are not run here yet: the engine
# still manages CPUs 1 to 4 only, and a guest's processes start on all of its CPUs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
MERVALE_TARGET=linux_tests "$root/scripts/build.sh"

guests=("$@")
((${#guests[@]})) || guests=(8,sockets=1,cores=4,threads=2)
failed=0
for smp in "${guests[@]}"; do
  qemu_args=
  expect=(MERVALE_EXPECT_CPUS="${smp%%,*}")
  if [[ $smp =~ ^[0-9]+$ ]]; then
    half=$((smp / 2))
    qemu_args="-object memory-backend-ram,id=m0,size=512M -object memory-backend-ram,id=m1,size=512M
      -numa node,nodeid=0,cpus=0-$((half - 1)),memdev=m0 -numa node,nodeid=1,cpus=$half-$((smp - 1)),memdev=m1"
    smp=$smp,sockets=2,cores=$((half / 2)),threads=2
  fi
  [[ $smp =~ threads=([0-9]+) ]] && expect+=(MERVALE_EXPECT_THREADS_PER_CORE="${BASH_REMATCH[1]}")
  echo "== guest -smp $smp"
  start=$SECONDS
  status=0
  MERVALE_GUEST_QEMU_ARGS=$qemu_args "$root/scripts/run-in-guest.sh" -t 1500 "$smp" -- \
    env "${expect[@]}" "$build/tests/linux_tests" --gtest_brief=1 \
    --gtest_filter='-ReadSysfsTopology.*' || status=$?
  echo "== guest -smp $smp: exit code $status after $((SECONDS - start)) s"
  ((status == 0)) || failed=1
done
exit "$failed"
