#!/usr/bin/env bash
# CI: the Debian package installs with apt into a clean Debian 12 root (debootstrap, minbase), where
# the installed program answers --version and opens its window under Xvfb, inside a PID namespace
# of its own. Only what the package depends on is installed beside it, so a missing dependency
# shows. The root is made afresh in a temporary folder and removed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure-packages.sh" "The package test" debootstrap

package=$("$root/scripts/package-deb.sh" | tail -n 1)
version=$(dpkg-deb --field "$package" Version)
# The mirror this machine's own packages come from.
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}

target=$(mktemp -d /tmp/mervale-package-test.XXXXXX)
mounts=()
outer=
cleanup() {
  if [[ -n $outer ]]; then
    kill -KILL "$outer" 2>/dev/null || true
    wait "$outer" 2>/dev/null || true
  fi
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" || true; done
  # Only an unmounted root is removed: a mount left over would take the host's files with it.
  if ! grep -q " $target/" /proc/mounts; then rm -rf "$target"; fi
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "[$(date +%T)] $*"; }

step "making a clean Debian 12 root from $mirror"
debootstrap --variant=minbase bookworm "$target" "$mirror" >"$target.log" 2>&1 ||
  { tail -n 20 "$target.log" >&2; fail "debootstrap"; }
rm -f "$target.log"
mount -t proc proc "$target/proc" && mounts+=("$target/proc")
mount --bind /dev "$target/dev" && mounts+=("$target/dev")
# Where mounts propagate (systemd's default), the tmpfs below would otherwise also cover the
# host's own /dev/shm while the test runs.
mount --make-private "$target/dev"
# Xvfb's shared memory: a fresh one, not the host's.
mount -t tmpfs tmpfs "$target/dev/shm" && mounts+=("$target/dev/shm")

step "installing $(basename "$package") with apt-get"
cp "$package" "$target/tmp/"
in_root() { chroot "$target" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }
# The suites a Debian 12 user has, updates and security ones too, as this machine has them: the
# package was built against those libraries.
if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
  cp /etc/apt/sources.list.d/debian.sources "$target/etc/apt/sources.list.d/"
  rm "$target/etc/apt/sources.list"
  in_root apt-get update -q >"$target/tmp/apt.log" 2>&1 || { cat "$target/tmp/apt.log" >&2; fail "apt-get update"; }
fi
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$package")" xvfb xauth \
  x11-utils >>"$target/tmp/apt.log" 2>&1 || { tail -n 30 "$target/tmp/apt.log" >&2; fail "apt-get install"; }

answer=$(in_root mervale --version)
[[ $answer == "Mervale $version" ]] || fail "mervale --version answered '$answer'"
step "mervale --version: $answer"

# In the namespace the program sees and pins only what runs there; a network namespace of its own
# keeps its X display apart from the host's. Xvfb tells xvfb-run that it is ready by a signal to
# its parent, and none to PID 1: the namespace's first process is a shell. A window titled
# "Mervale" must be shown and the program still run 5 s later; then it is ended by its PID.
cat >"$target/tmp/window-check.sh" <<'CHECK'
mervale >/tmp/mervale.log 2>&1 &
program=$!
shown() {
  for window in $(xwininfo -root -tree | awk '$2 == "\"Mervale\":" {print $1}'); do
    xwininfo -id "$window" | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
for _ in $(seq 150); do
  shown && break
  sleep 0.1
done
shown || { echo "no window titled Mervale is shown"; exit 1; }
sleep 5
kill -0 "$program" || { echo "the program ended"; exit 1; }
kill -TERM "$program"
wait "$program" || true
CHECK
step "starting the window under Xvfb in a PID namespace"
unshare --pid --net --fork --mount-proc --root="$target" --kill-child \
  env LC_ALL=C.UTF-8 HOME=/root bash -c 'xvfb-run -a bash /tmp/window-check.sh; exit $?' &
outer=$!
status=0
wait "$outer" || status=$?
outer=
[[ $status == 0 ]] || { cat "$target/tmp/mervale.log" >&2; fail "the window did not come up"; }
step "the window was shown and the program ran on; ended by its PID"
