#!/usr/bin/env bash
# Start to pinned for the real program beside the floors of the same run: bench/pin_latency with
# the program, in mode CPU 1 and a refresh every second, as its --command pinner.
#
#   scripts/measure-starts.sh shown|hidden [PINNERS [USER_ID]]
#
# PINNERS defaults to none,events,timer,command; USER_ID runs the programs and the program as that
# user. MERVALE_PIN_ARGS adds pin_latency options (--processes N, --interval-ms N); the programs come
# from $MERVALE_BUILD_DIR (default build). Needs root in the initial PID namespace (this machine, or
# inside scripts/run-in-guest.sh); every trial runs in a PID namespace of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${MERVALE_BUILD_DIR:-$root/build}")
window=$1 pinners=${2:-none,events,timer,command} user=${3:-}
minimized=F
[[ $window == hidden ]] && minimized=T
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
cat >"$work/program.sh" <<EOF
#!/bin/sh
w=\$(mktemp -d)
mkdir -p "\$w/c/Mervale" "\$w/r" && chmod 700 "\$w/r"
printf '2\r\nF\r\n$minimized\r\n0\r\n1\r\nF\r\n' >"\$w/c/Mervale/Settings.ini"
XDG_CONFIG_HOME=\$w/c XDG_RUNTIME_DIR=\$w/r QT_QPA_PLATFORM=offscreen exec "$build/app/mervale"
EOF
chmod 755 "$work/program.sh"
# exec: the benchmark's SIGTERM at the end must reach the program, not a shell around it.
"$build/bench/pin_latency" --pinners "$pinners" --settle-ms "${MERVALE_SETTLE_MS:-5000}" \
  ${user:+--user "$user"} ${MERVALE_PIN_ARGS:-} --command "exec $work/program.sh"
