#!/usr/bin/env bash
# Builds Mervale and starts it. As root, Mervale runs in a PID namespace of its own, where it sees
# and pins only the processes started inside it; MERVALE_WHOLE_SYSTEM=1 lets it manage every process.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERVALE_BUILD_DIR:-$root/build}
MERVALE_TARGET=mervale "$root/scripts/build.sh"

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "Mervale is a desktop program and no display was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Start it from a desktop session, or under a virtual one: xvfb-run -a $0" >&2
  exit 1
fi
if [[ $(id -u) -eq 0 && ${MERVALE_WHOLE_SYSTEM:-0} != 1 ]]; then
  exec unshare --pid --fork --mount-proc "$build/app/mervale"
fi
exec "$build/app/mervale"
