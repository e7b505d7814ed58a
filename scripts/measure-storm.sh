#!/usr/bin/env bash
# The program under a storm of starts: mode CPU 1, refresh every second, main window shown (or,
# with HIDDEN=1, started minimised into the tray of trayer), while
# RATE programs a second start for SECONDS, living 2 to 800 ms each (start_probe storm). Prints the
# program's CPU time over the storm as a share of one core and as a multiple of the floor measured
# beside it (bare_passes: a bare readdir + sched_getaffinity pass 50 times a second, the most
# passes the program runs when starts only bring a pass forward), how many programs of each
# lifetime ran on CPU 1 when their time was up, and the program's resident size at the start, in
# the middle and at the end of the storm, with its peak.
#
# Usage: scripts/measure-storm.sh [SECONDS]
#   (defaults: 10 seconds; the build in $MERVALE_BUILD_DIR or build; RATE from the environment,
#   default 1000)
# Needs the targets mervale, start_probe and bare_passes, and Xvfb. Runs as PID 1 of a PID
# namespace of its own, where the program pins only these processes. There the program takes
# fanotify's start hints; where the kernel refuses them, starts are reported inside a namespace only
# while a process outside listens, so by default the script holds that listener itself
# (`start_probe hold-events`, as root); EVENTS=0 measures without one.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/measure-common.sh"
BUILD=$(realpath "${MERVALE_BUILD_DIR:-$ROOT/build}")
DURATION=${1:-10}
RATE=${RATE:-1000}
EVENTS=${EVENTS:-1}
HIDDEN=${HIDDEN:-0}
FLOOR_RATE=50
PROGRAM=$BUILD/app/mervale
PROBE=$BUILD/tests/ui/start_probe
FLOOR=$BUILD/bench/bare_passes
for needed in "$PROGRAM" "$PROBE" "$FLOOR"; do
  [ -x "$needed" ] || { echo "no $needed; build the targets mervale, start_probe and bare_passes" >&2; exit 1; }
done
if [ "$$" != 1 ] && [ -z "${MERVALE_MEASURE_REEXEC:-}" ] && [ "$EVENTS" = 1 ]; then
  export MERVALE_MEASURE_REEXEC=1 MERVALE_BUILD_DIR=$BUILD
  exec "$PROBE" hold-events unshare --pid --fork --mount-proc "$(realpath "$0")" "$DURATION"
fi
export MERVALE_BUILD_DIR=$BUILD
enter_own_pid_namespace "$0" "$DURATION"

make_work_dir
start_xvfb
minimized=F
if [ "$HIDDEN" = 1 ]; then
  command -v trayer >/dev/null || { echo "HIDDEN=1 needs trayer, a tray host" >&2; exit 1; }
  trayer >"$WORK/trayer.log" 2>&1 &
  sleep 1
  minimized=T
fi
start_program "$(settings_home storm 2 F "$minimized" 0 1 F)" "$WORK/storm.log"
sleep 3
program_alive_or_die "$WORK/storm.log"

status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
now() { date +%s.%N; }

rss_start=$(status_kb "$PROGRAM_PID" VmRSS)
ticks0=$(cpu_ticks "$PROGRAM_PID")
began=$(now)
"$FLOOR" "$FLOOR_RATE" "$DURATION" >"$WORK/floor.txt" &
floor=$!
storm_status=0
"$PROBE" storm "$RATE" "$DURATION" >"$WORK/storm.txt" &
storm=$!
sleep "$(awk -v s="$DURATION" 'BEGIN { print s / 2 }')"
rss_middle=$(status_kb "$PROGRAM_PID" VmRSS)
wait "$storm" || storm_status=$?
ticks1=$(cpu_ticks "$PROGRAM_PID")
ended=$(now)
wait "$floor"
rss_end=$(status_kb "$PROGRAM_PID" VmRSS)
peak=$(status_kb "$PROGRAM_PID" VmHWM)
program_alive_or_die "$WORK/storm.log"
stop_program

echo "mode CPU 1, main window $([ "$HIDDEN" = 1 ] && echo hidden || echo shown), refresh 1 s," \
  "starts reported: $([ "$EVENTS" = 1 ] && echo yes || echo no)"
cat "$WORK/storm.txt"
awk -v hz="$(getconf CLK_TCK)" -v ticks=$((ticks1 - ticks0)) -v began="$began" -v ended="$ended" \
  -v floor="$(awk '/^cpu_seconds/ { print $2 }' "$WORK/floor.txt")" -v floor_seconds="$DURATION" \
  -v floor_rate="$FLOOR_RATE" 'BEGIN {
    share = 100 * ticks / hz / (ended - began)
    floor_share = 100 * floor / floor_seconds
    printf "program: %.2f %% of one core over %.1f s\n", share, ended - began
    printf "floor (%d bare passes a second): %.2f %% of one core; program = %.1f x floor\n",
      floor_rate, floor_share, (floor_share > 0 ? share / floor_share : 0)
  }'
echo "resident size kB: start $rss_start, middle $rss_middle, end $rss_end; peak $peak"
echo "goals: program <= 10 % of one core, every program living 50 ms or more pinned, memory flat"
exit "$storm_status"
