#!/usr/bin/env bash
# Runs a command of this machine inside a Linux guest with many CPUs under QEMU's software
# emulation (no KVM needed) and passes back its output and exit code. The guest boots Debian's
# kernel with a small busybox initramfs, sees this machine's root file system read-only over 9p
# with a RAM overlay on top (its writes are dropped at the end) and runs the command as root in
# the caller's directory and environment, with standard input from /dev/null.
#
# Usage: scripts/run-in-guest.sh [-t SECONDS] [-m MEMORY] SMP -- command [args...]
#   SMP      number of guest CPUs, or a whole QEMU -smp value such as 8,sockets=1,cores=4,threads=2
#   -t       stop the guest after this many seconds (default 900)
#   -m       guest memory (default 1G; the host gives only what the guest touches)
# MERVALE_GUEST_QEMU_ARGS adds QEMU arguments (for example NUMA nodes). The kernel and initramfs are
# kept in $MERVALE_GUEST_CACHE (default: guest/ in $MERVALE_CACHE_DIR, else ~/.cache/mervale, where
# the Windows toolchain is kept too).
# Exit code: the command's (128+N for signal N); 124 time-out; 125 the guest could not run it.
set -euo pipefail

die() {
  echo "run-in-guest: $*" >&2
  exit 125
}
usage() {
  sed -n '8,11p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 125
}

timeout_seconds=900 memory=1G smp=
while (($#)); do
  case $1 in
    -t) timeout_seconds=${2:?}; shift 2 ;;
    -m) memory=${2:?}; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) [[ -z $smp ]] || usage; smp=$1; shift ;;
  esac
done
[[ $smp =~ ^[1-9][0-9]*(,[a-z-]+=[0-9]+)*$ ]] || usage
(($#)) || usage

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure-packages.sh" "The Linux guest" qemu-system-x86 busybox-static cpio kmod xz-utils

cache=${MERVALE_GUEST_CACHE:-${MERVALE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/mervale}/guest}
mkdir -p "$cache"

# ------------------------------------------------------------------ the kernel and the initramfs

# The guest's PID 1: loads the 9p and overlay modules, builds the guest's root from the host's,
# runs the job script of the run directory named on the kernel command line and resets the
# machine, which ends QEMU (-no-reboot). /tmp stays the host's, written in memory like the rest, so
# a command in a checkout or build there runs as well.
write_init() {
  cat <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t devtmpfs dev /dev
mount -t proc proc /proc
exec >/dev/console 2>&1
finish() {
  echo "GUEST-EXIT=$1"
  sync
  reboot -f
}
for module in /lib/guest/*.ko; do insmod "$module" || finish 125; done
run=$(sed -n 's/.*mervale.run=\([^ ]*\).*/\1/p' /proc/cmdline)
mkdir -p /lower /rw /newroot
mount -t 9p -o ro,trans=virtio,version=9p2000.L,cache=loose,msize=512000 hostroot /lower || finish 125
mount -t tmpfs -o mode=0755 rw /rw
mkdir -p /rw/upper /rw/work
mount -t overlay -o lowerdir=/lower,upperdir=/rw/upper,workdir=/rw/work overlay /newroot || finish 125
mount -t proc proc /newroot/proc
mount -t sysfs sysfs /newroot/sys
mount -t devtmpfs dev /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts -o ptmxmode=0666 devpts /newroot/dev/pts
mount -t tmpfs -o mode=1777 shm /newroot/dev/shm
mount -t tmpfs -o mode=0755 run /newroot/run
mount -t cgroup2 cgroup2 /newroot/sys/fs/cgroup
mkdir -p "/newroot$run"
mount -t 9p -o trans=virtio,version=9p2000.L,cache=none,msize=512000 run "/newroot$run" || finish 125
ip link set lo up 2>/dev/null
chroot /newroot /bin/bash "$run/job" </dev/null >"/newroot$run/out" 2>"/newroot$run/err"
finish $?
EOF
}

# The versioned package behind linux-image-amd64, fetched once with `apt-get download` and
# unpacked into the cache: the host's own kernel stays as it is.
fetch_kernel() {
  local package unpacked
  package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -1)
  if [[ -z $package ]]; then
    apt-get update -q >&2 || true
    package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -1)
  fi
  [[ -n $package ]] || die "cannot find the kernel package behind linux-image-amd64"
  unpacked=$cache/$package
  if [[ ! -d $unpacked ]]; then
    local download
    download=$(mktemp -d "$cache/download.XXXXXX")
    (cd "$download" && apt-get download -q -o APT::Sandbox::User=root "$package" >&2 &&
      dpkg-deb -x ./*.deb unpacked) || { rm -rf "$download"; die "could not fetch $package"; }
    # The package leaves the module index to depmod at installation.
    kernel=$(echo "$download"/unpacked/boot/vmlinuz-*)
    depmod -b "$download/unpacked" "${kernel##*/vmlinuz-}" || { rm -rf "$download"; die "depmod failed"; }
    # Of its 400 MB only the kernel and the few modules the guest loads are kept.
    modules=$download/unpacked/lib/modules/${kernel##*/vmlinuz-}
    guest_modules >"$download/keep" || { rm -rf "$download"; die "modules missing from $package"; }
    (cd "$modules" && find kernel -type f | grep -vxFf "$download/keep" | xargs -r rm -f)
    rm -rf "$download/unpacked/usr"
    find "$download/unpacked" -type d -empty -delete
    # What older kernels left goes.
    rm -rf "$cache"/linux-image-*
    mv "$download/unpacked" "$unpacked"
    rm -rf "$download"
  fi
  kernel=$(echo "$unpacked"/boot/vmlinuz-*)
  modules=$unpacked/lib/modules/${kernel##*/vmlinuz-}
  [[ -f $kernel && -f $modules/modules.dep ]] || die "$unpacked holds no kernel with modules"
  boot_image=$kernel
  if grep -qx 'CONFIG_PVH=y' "$unpacked"/boot/config-*; then
    [[ -s $unpacked.vmlinux ]] || extract_vmlinux "$kernel" "$unpacked.vmlinux"
    if [[ -s $unpacked.vmlinux ]]; then boot_image=$unpacked.vmlinux; fi
  fi
}

# The kernel's own ELF image out of its self-extracting one: an emulated CPU takes seconds to
# unpack an xz kernel, while QEMU loads the ELF image straight into memory and enters it at its
# PVH entry point. Leaves nothing at `target` when no payload unpacks to an ELF image.
extract_vmlinux() {
  local image=$1 target=$2 magic unpack offset
  for magic in '\xfd7zXZ\x00:xz -dc' '\x28\xb5\x2f\xfd:zstd -qdc' '\x1f\x8b\x08:gzip -dc'; do
    unpack=${magic#*:}
    command -v "${unpack%% *}" >/dev/null || continue
    for offset in $(LC_ALL=C grep -obUaP "${magic%%:*}" "$image" | cut -d: -f1 | head -5); do
      # The payload is followed by the rest of the image, which the unpacker reports as garbage.
      tail -c +$((offset + 1)) "$image" | $unpack >"$target.tmp" 2>/dev/null || true
      if [[ $(head -c 4 "$target.tmp" | od -An -c | tr -d ' ') == '177ELF' ]]; then
        mv "$target.tmp" "$target"
        return
      fi
    done
  done
  rm -f "$target.tmp"
}

# The module files the guest loads, each once, those a module needs before it.
guest_modules() {
  local name
  for name in virtio_pci 9pnet_virtio 9p overlay; do modules_for "$name"; done | awk '!seen[$0]++'
}

# The module files that `name` needs, its dependencies first, as modules.dep lists them.
modules_for() {
  local line files i
  line=$(grep -E "/$1\\.ko(\\.[a-z]+)?:" "$modules/modules.dep") || {
    grep -qE "/$1\\.ko" "$modules/modules.builtin" || die "kernel module $1 not found"
    return 0
  }
  # Each line lists the module, then what it needs, the most basic last.
  read -ra files <<<"${line/:/}"
  for ((i = ${#files[@]} - 1; i >= 0; i--)); do echo "${files[i]}"; done
}

prepare_initramfs() {
  local key stage file number=10
  key=$({ write_init; echo "$kernel"; } | md5sum | cut -c1-12)
  initramfs=$cache/initramfs-$key.cpio
  [[ -s $initramfs ]] && return
  stage=$(mktemp -d "$cache/stage.XXXXXX")
  mkdir -p "$stage"/{bin,dev,proc,lib/guest}
  cp /bin/busybox "$stage/bin/busybox"
  write_init >"$stage/init"
  chmod +x "$stage/init"
  for file in $(guest_modules); do
    case $file in
      *.ko) cp "$modules/$file" "$stage/lib/guest/$((number++))-${file##*/}" ;;
      *.ko.xz) xz -dc "$modules/$file" >"$stage/lib/guest/$((number++))-$(basename "$file" .xz)" ;;
      *.ko.zst) zstd -qdc "$modules/$file" >"$stage/lib/guest/$((number++))-$(basename "$file" .zst)" ;;
      *) die "cannot load $file" ;;
    esac
  done
  (cd "$stage" && find . | cpio -o -H newc --quiet) >"$initramfs.tmp"
  rm -f "$cache"/initramfs-*.cpio
  mv "$initramfs.tmp" "$initramfs"
  rm -rf "$stage"
}

exec 9>"$cache/.lock"
flock 9
fetch_kernel
prepare_initramfs
flock -u 9

# ------------------------------------------------------------------ one run

run=$(mktemp -d /tmp/mervale-guest.XXXXXX)
qemu=
cleanup() {
  [[ -n $qemu ]] && kill "$qemu" 2>/dev/null
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The job: the caller's directory and environment (less the desktop session's), then the command.
{
  echo "cd $(printf '%q' "$PWD") || exit 125"
  (unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS && export -p)
  printf 'exec'
  printf ' %q' "$@"
  echo
} >"$run/job"
: >"$run/out"
: >"$run/err"

# One host thread runs every guest CPU in turn (thread=single): on two host cores it boots 64 CPUs
# three times faster than a thread per CPU. Intel's vendor string makes the guest read SMT
# siblings from CPUID, so a shaped -smp shows as cores with threads.
# shellcheck disable=SC2054 # commas inside QEMU option values
qemu_args=(-M pc -accel tcg,thread=single -cpu max,vendor=GenuineIntel -smp "$smp" -m "$memory"
  -nodefaults -no-user-config -display none -no-reboot
  -kernel "$boot_image" -initrd "$initramfs"
  -append "console=ttyS0 quiet panic=-1 tsc=reliable mitigations=off mervale.run=$run"
  -serial file:"$run/console"
  -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap
  -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot
  -fsdev local,id=run,path="$run",security_model=none
  -device virtio-9p-pci,fsdev=run,mount_tag=run)
# shellcheck disable=SC2206 # word splitting wanted
qemu_args+=(${MERVALE_GUEST_QEMU_ARGS:-})

status=0
timeout -k 5 "$timeout_seconds" qemu-system-x86_64 "${qemu_args[@]}" </dev/null &
qemu=$!
wait "$qemu" || status=$?
qemu=

cat "$run/out"
cat "$run/err" >&2
code=$(tr -d '\r' <"$run/console" | sed -n 's/^GUEST-EXIT=\([0-9]*\)$/\1/p' | tail -1)
if [[ -n $code ]]; then
  ((code != 125)) || tail -n 20 "$run/console" >&2
  exit "$code"
fi
tail -n 30 "$run/console" >&2
if ((status == 124)); then
  echo "run-in-guest: timed out after $timeout_seconds s" >&2
  exit 124
fi
die "the guest did not finish (QEMU exit code $status)"
