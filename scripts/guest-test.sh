#!/usr/bin/env bash
# Runs the tests of the Linux backend, of the machine's topology and of the engine over the real
# backend (namespace_tests, as PID 1 of a PID namespace of its own) inside a Linux guest with many
# CPUs (scripts/run-in-guest.sh): real processes pinned by a real kernel on CPUs this machine may
# not have. Each argument is one guest, as a QEMU -smp value; the default is the case CI runs, 8
# CPUs as one socket of 4 cores with 2 threads each. A plain count (e.g. 64) gives two sockets of
# cores with two threads, each socket its own NUMA node. Builds into build/ (or
# $MERVALE_BUILD_DIR) first.
#
# Left out in the guest, as they do not depend on the CPUs: the kernel's process events and the
# long /proc listings. Both start hundreds of programs, which takes minutes under emulation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
MERVALE_TARGET="linux_tests namespace_tests" "$root/scripts/build.sh"

skipped='ProcessStartSourceTest.*:LinuxPlatformTest.ListingsLongerThanOneRead*'
# The guest's uptime when the tests start is its boot time; both suites run even when the first
# fails.
read -r -d '' job <<'EOF' || true
echo "== booted in $(cut -d' ' -f1 /proc/uptime) s"
status=0
"$1" --gtest_brief=1 --gtest_filter="-$2" || status=1
unshare --pid --fork --mount-proc "$3" --gtest_brief=1 || status=1
echo "== tests done at $(cut -d' ' -f1 /proc/uptime) s"
exit "$status"
EOF

guests=("$@")
# shellcheck disable=SC2054 # commas inside the -smp value
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
  MERVALE_GUEST_QEMU_ARGS=$qemu_args "$root/scripts/run-in-guest.sh" -t 900 "$smp" -- \
    env "${expect[@]}" bash -c "$job" guest-test "$build/tests/linux_tests" "$skipped" \
    "$build/tests/namespace_tests" || status=$?
  echo "== guest -smp $smp: exit code $status after $((SECONDS - start)) s"
  ((status == 0)) || failed=1
done
exit "$failed"
