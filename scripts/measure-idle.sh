#!/usr/bin/env bash
# CPU time of the idle program: mode Off, 300 other processes, refresh every second, About window
# hidden; once with the main window shown and once hidden (started minimised). Prints, for each,
# the CPU time of the whole process over the measured span from /proc/PID/stat (clock ticks) and
# the scheduler's run time of the main thread, where the timers run (nanoseconds), each as a share
# of one core, and the main thread's wake-ups per second.
#
# Usage: scripts/measure-idle.sh [BUILD_DIR] [SECONDS]
#   (defaults: $MERVALE_BUILD_DIR or build, 60 seconds)
# Needs Xvfb, and xdotool to confirm which windows are shown. Runs as PID 1 of a PID namespace of
# its own (it starts itself again under `unshare --pid --fork --mount-proc`), so the program sees
# only the processes started here.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/measure-common.sh"
BUILD=$(realpath "${1:-${MERVALE_BUILD_DIR:-$ROOT/build}}")
DURATION=${2:-60}
CHILDREN=${CHILDREN:-300}
SETTLE=${SETTLE:-5}  # seconds between start and measuring: start-up and the one-shot hide
PROGRAM=$BUILD/app/mervale
[ -x "$PROGRAM" ] || { echo "no $PROGRAM; build the target mervale first" >&2; exit 1; }
enter_own_pid_namespace "$0" "$BUILD" "$DURATION"

make_work_dir
start_xvfb
for _ in $(seq "$CHILDREN"); do sleep 1000000 & done
ticks_per_second=$(getconf CLK_TCK)

# utime + stime of the whole process, in clock ticks.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
# Time on a CPU of the main thread, in nanoseconds. (Qt's pooled helper threads come and go, and
# the time of an ended thread is no longer listed per thread.)
run_nanoseconds() { awk '{ print $1 }' "/proc/$1/schedstat"; }
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
  ticks0=$(cpu_ticks "$pid") ns0=$(run_nanoseconds "$pid") cs0=$(switches "$pid")
  sleep "$DURATION"
  ticks1=$(cpu_ticks "$pid") ns1=$(run_nanoseconds "$pid") cs1=$(switches "$pid")
  stop_program
  awk -v label="$label" -v windows="$windows" -v seconds="$DURATION" -v hz="$ticks_per_second" \
    -v ticks=$((ticks1 - ticks0)) -v ns=$((ns1 - ns0)) -v cs=$((cs1 - cs0)) 'BEGIN {
      printf "%-7s %15s %8d %8d %12.4f %14.4f %10.1f\n", label, windows, seconds, ticks,
        100 * ticks / hz / seconds, 100 * ns / 1e9 / seconds, cs / seconds
    }'
}

processes=$(find /proc -maxdepth 1 -name '[0-9]*' | wc -l)
echo "mode Off, refresh 1 s, $processes processes in the namespace, About window hidden"
printf '%-7s %15s %8s %8s %12s %14s %10s\n' window "visible windows" seconds ticks \
  "% (ticks)" "% (main ns)" "wakeups/s"
measure shown F
measure hidden T
echo "goal: hidden < 0.05 % of one core"
