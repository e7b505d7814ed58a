#!/usr/bin/env bash
# CPU time of the idle program: mode Off, 300 other processes, refresh every second, About window
# hidden; once with the main window shown and once hidden (started minimised into the tray).
# Prints, for each, the CPU time of the whole process over the measured span from /proc/PID/stat
# (clock ticks) and the scheduler's run time of the main thread, where the timers and the passes
# run (nanoseconds), each as a share of one core, and the main thread's wake-ups per second.
# Beside each, the floor in the same run: bare_passes, a bare readdir + sched_getaffinity pass
# once a second over the same processes, and the main thread's time as a multiple of it (clock
# ticks are too coarse for that). While a process outside the namespace listens to process events,
# every start on the machine wakes the program (at most 50 times a second); the wake-ups show it.
#
# Usage: scripts/measure-idle.sh [SECONDS]
#   (defaults: 60 seconds; the build in $MERVALE_BUILD_DIR or build)
# NO_HINTS=1 hides the namespace's latest PID from the program, which then goes without fanotify's
# start hints, as on a kernel that refuses them.
# STARTS_PER_SECOND=N runs bench/start_generator outside the namespace meanwhile: N programs a
# second (/bin/true, its own children only) started elsewhere on the machine, which the program is
# told of and must not pay for. PROGRAM_USER=UID runs the program as that user (65534: nobody),
# as a desktop user runs it.
# Needs the targets mervale and bare_passes, Xvfb, trayer (a tray host, so that the hidden window
# goes into the tray rather than onto a taskbar) and xdotool to confirm which windows are shown.
# Runs as PID 1 of a PID namespace of its own (it starts itself again under
# `unshare --pid --fork --mount-proc`), so the program sees only the processes started here.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/measure-common.sh"
BUILD=$(realpath "${MERVALE_BUILD_DIR:-$ROOT/build}")
DURATION=${1:-60}
CHILDREN=${CHILDREN:-300}
SETTLE=${SETTLE:-5}  # seconds between start and measuring: start-up and the one-shot hide
PROGRAM=$BUILD/app/mervale
FLOOR=$BUILD/bench/bare_passes
for needed in "$PROGRAM" "$FLOOR"; do
  [ -x "$needed" ] || { echo "no $needed; build the targets mervale and bare_passes first" >&2; exit 1; }
done
export MERVALE_BUILD_DIR=$BUILD
if [ "$$" != 1 ] && [ -n "${STARTS_PER_SECOND:-}" ]; then
  GENERATOR=$BUILD/bench/start_generator
  [ -x "$GENERATOR" ] || { echo "no $GENERATOR; build the target start_generator" >&2; exit 1; }
  # Long enough for both measures; ended here once they are done.
  "$GENERATOR" "$STARTS_PER_SECOND" $((4 * (DURATION + SETTLE) + 60)) >/dev/null &
  generator=$!
  status=0
  MERVALE_MEASURE_REEXEC=1 unshare --pid --fork --mount-proc "$(realpath "$0")" "$DURATION" ||
    status=$?
  kill -0 "$generator" 2>/dev/null || { echo "the start generator ended early" >&2; exit 1; }
  kill "$generator"
  wait "$generator" 2>/dev/null || true
  echo "meanwhile $STARTS_PER_SECOND programs a second started outside the namespace"
  exit "$status"
fi
enter_own_pid_namespace "$0" "$DURATION"

if [ -n "${NO_HINTS:-}" ]; then
  mount --make-rprivate / && mount --bind /dev/null /proc/sys/kernel/ns_last_pid
fi
make_work_dir
start_xvfb
command -v trayer >/dev/null || { echo "needs trayer, a tray host to hide the window in" >&2; exit 1; }
trayer >"$WORK/trayer.log" 2>&1 &
sleep 1
for _ in $(seq "$CHILDREN"); do sleep 1000000 & done
ticks_per_second=$(getconf CLK_TCK)

# utime + stime of the whole process, in clock ticks.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
# Time on a CPU of the main thread, in nanoseconds. (Qt's pooled helper threads come and go, and
# the time of an ended thread is no longer listed per thread.)
run_nanoseconds() { awk '{ print $1 }' "/proc/$1/schedstat"; }
# "TID nanoseconds" for every thread: the start hints read reports on a thread of their own.
thread_nanoseconds() {
  local task
  for task in /proc/"$1"/task/*; do
    echo "${task##*/} $(awk '{ print $1 }' "$task/schedstat" 2>/dev/null || echo 0)"
  done
}
# The time run between two such lists by the threads found in both.
threads_run_between() { awk 'NR == FNR { before[$1] = $2; next } $1 in before { sum += $2 - before[$1] } END { print sum + 0 }' "$1" "$2"; }
# Context switches of the main thread: each is a wake-up or a preemption.
switches() { awk '/^(non)?voluntary_ctxt_switches/ { sum += $2 } END { print sum }' "/proc/$1/status"; }
# Shown windows titled "Mervale" (the main window), or "?" without xdotool.
visible_windows() {
  command -v xdotool >/dev/null || { echo '?'; return; }
  { xdotool search --onlyvisible --name '^Mervale$' 2>/dev/null || true; } | wc -l
}

measure() {
  local label=$1 start_minimized=$2
  start_program "$(settings_home "$label" 4 F "$start_minimized" 0 1 F)" "$WORK/$label.log"
  sleep "$SETTLE"
  program_alive_or_die "$WORK/$label.log"
  local pid=$PROGRAM_PID windows ticks0 ns0 cs0 ticks1 ns1 cs1
  windows=$(visible_windows)
  "$FLOOR" 1 "$DURATION" >"$WORK/$label-floor.txt" &
  local floor=$!
  thread_nanoseconds "$pid" >"$WORK/$label-threads0"
  ticks0=$(cpu_ticks "$pid") ns0=$(run_nanoseconds "$pid") cs0=$(switches "$pid")
  sleep "$DURATION"
  ticks1=$(cpu_ticks "$pid") ns1=$(run_nanoseconds "$pid") cs1=$(switches "$pid")
  thread_nanoseconds "$pid" >"$WORK/$label-threads1"
  wait "$floor"
  stop_program
  awk -v label="$label" -v windows="$windows" -v seconds="$DURATION" -v hz="$ticks_per_second" \
    -v ticks=$((ticks1 - ticks0)) -v ns=$((ns1 - ns0)) -v cs=$((cs1 - cs0)) \
    -v threads="$(threads_run_between "$WORK/$label-threads0" "$WORK/$label-threads1")" \
    -v floor="$(awk '/^cpu_seconds/ { print $2 }' "$WORK/$label-floor.txt")" 'BEGIN {
      share = 100 * ticks / hz / seconds
      floor_share = 100 * floor / seconds
      main_share = 100 * ns / 1e9 / seconds
      threads_share = 100 * threads / 1e9 / seconds
      printf "%-7s %15s %8d %8d %12.4f %14.4f %10.1f %10.4f %12.2f %14.2f\n", label, windows,
        seconds, ticks, share, main_share, cs / seconds, floor_share,
        (floor_share > 0 ? main_share / floor_share : 0),
        (floor_share > 0 ? threads_share / floor_share : 0)
    }'
}

processes=$(find /proc -maxdepth 1 -name '[0-9]*' | wc -l)
echo "mode Off, refresh 1 s, $processes processes in the namespace, About window hidden," \
  "program user ${PROGRAM_USER:-root}"
printf '%-7s %15s %8s %8s %12s %14s %10s %10s %12s %14s\n' window "visible windows" seconds ticks \
  "% (ticks)" "% (main ns)" "wakeups/s" "floor %" "main x floor" "threads x floor"
measure shown F
measure hidden T
echo "goal: hidden below the floor's cost (main x floor < 1)"
