#!/usr/bin/env bash
# Builds Mervale and starts it. As root, Mervale runs as the first process of a PID namespace of its
# own, where it sees and pins only the processes started inside it: the script prints how to start
# one there, and quitting Mervale ends them all. MERVALE_WHOLE_SYSTEM=1 lets it manage every process.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
MERVALE_TARGET=mervale "$root/scripts/build.sh"

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "Mervale is a desktop program and no display was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Start it from a desktop session, or under a virtual one: xvfb-run -a $0" >&2
  exit 1
fi
# Root's sessions rarely set XDG_RUNTIME_DIR, and Qt then warns that it takes /tmp/runtime-root for
# it (where Mervale keeps only its one-instance socket). The same directory, named, says nothing.
if [[ $(id -u) -eq 0 && -z ${XDG_RUNTIME_DIR:-} ]]; then
  export XDG_RUNTIME_DIR=/tmp/runtime-root
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
if [[ $(id -u) -ne 0 || ${MERVALE_WHOLE_SYSTEM:-0} == 1 ]]; then
  exec "$build/app/mervale"
fi

# --kill-child: should unshare itself be killed, the program goes with it.
unshare --pid --fork --mount-proc --kill-child "$build/app/mervale" &
outer=$!
program=
for _ in $(seq 100); do
  program=$(tr -d ' ' <"/proc/$outer/task/$outer/children" 2>/dev/null) || true
  [[ -n $program ]] && break
  sleep 0.05
done
if [[ -n $program ]]; then
  # unshare holds back SIGINT and SIGTERM while it waits: they are passed to the program, which
  # leaves as its "Exit" does.
  trap 'kill -TERM "$program" 2>/dev/null || true' INT TERM HUP
  cat <<MESSAGE
Mervale runs as PID 1 of a PID namespace of its own and pins only the processes started inside it.
Start one there with (as root, from another terminal):
  nsenter --target $program --pid --mount -- COMMAND
Quitting Mervale ("Exit" in its tray menu, closing its window, Ctrl+C here) ends every process
started there.
MESSAGE
fi
# A trapped signal interrupts `wait`; the program's own status is the one of the last wait.
status=0
while kill -0 "$outer" 2>/dev/null; do
  status=0
  wait "$outer" || status=$?
done
exit "$status"
