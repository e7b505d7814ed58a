#!/usr/bin/env bash
# Memory of the program under process churn: mode Automatic, main window shown, refresh every
# second, while other processes start and end at a steady rate (each lives LIFETIME seconds, so
# every pass sees a few hundred new ones and loses as many). Prints the resident size (VmRSS) and
# its peak (VmHWM) every SAMPLE seconds; the peak should stay flat once the churn is under way.
#
# Usage: scripts/measure-memory.sh [TOTAL]
#   (defaults: 100000 processes; the build in $MERVALE_BUILD_DIR or build)
# RATE (processes per second, default 500) and LIFETIME (seconds, default 1.5) come from the
# environment. Needs Xvfb and perl. Runs as PID 1 of a PID namespace of its own (it starts itself
# again under `unshare --pid --fork --mount-proc`), where the program pins only these processes.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/measure-common.sh"
BUILD=$(realpath "${MERVALE_BUILD_DIR:-$ROOT/build}")
TOTAL=${1:-100000}
RATE=${RATE:-500}
LIFETIME=${LIFETIME:-1.5}
SAMPLE=${SAMPLE:-10}
PROGRAM=$BUILD/app/mervale
[ -x "$PROGRAM" ] || { echo "no $PROGRAM; build the target mervale first" >&2; exit 1; }
export MERVALE_BUILD_DIR=$BUILD
enter_own_pid_namespace "$0" "$TOTAL"

make_work_dir
start_xvfb
start_program "$(settings_home churn 0 F F 0 1 F)" "$WORK/churn.log"
sleep 3
program_alive_or_die "$WORK/churn.log"

status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
processes() { find /proc -maxdepth 1 -name '[0-9]*' 2>/dev/null | wc -l; }
cpu_seconds() { sed 's/.*) //' "/proc/$1/stat" | awk -v hz="$(getconf CLK_TCK)" '{ print ($12 + $13) / hz }'; }
sample() {
  printf '%8d %10s %10d %10d %10d %12.2f\n' "$1" "$2" "$(processes)" \
    "$(status_kb "$PROGRAM_PID" VmRSS)" "$(status_kb "$PROGRAM_PID" VmHWM)" \
    "$(cpu_seconds "$PROGRAM_PID")"
}

# Children that fork without exec are cheap to start; the kernel reaps them (SIGCHLD ignored).
perl -e '
  use Time::HiRes qw(sleep time);
  my ($rate, $lifetime, $total) = @ARGV;
  $SIG{CHLD} = "IGNORE";
  my ($started, $begin) = (0, time);
  while ($started < $total) {
    my $due = int((time - $begin) * $rate);
    $due = $total if $due > $total;
    while ($started < $due) {
      my $child = fork;
      if (defined $child && $child == 0) { sleep $lifetime; exit 0 }
      $started++ if defined $child;
    }
    sleep 0.01;
  }
' "$RATE" "$LIFETIME" "$TOTAL" &
churn=$!

echo "mode Automatic, refresh 1 s, $TOTAL processes at $RATE per second, each living ${LIFETIME} s"
printf '%8s %10s %10s %10s %10s %12s\n' seconds started processes "VmRSS kB" "VmHWM kB" \
  "CPU seconds"
start=$SECONDS
sample 0 0
while kill -0 "$churn" 2>/dev/null && [ -z "$(awk '$3 == "Z"' "/proc/$churn/stat" 2>/dev/null)" ]; do
  sleep "$SAMPLE"
  elapsed=$((SECONDS - start))
  started=$((elapsed * RATE < TOTAL ? elapsed * RATE : TOTAL))
  sample "$elapsed" "~$started"
done
wait "$churn" || true
sleep 5  # the last children end and the passes drop their rows
program_alive_or_die "$WORK/churn.log"
sample $((SECONDS - start)) "$TOTAL"
echo "peak resident size: $(($(status_kb "$PROGRAM_PID" VmHWM) / 1024)) MB (goal: under 60 MB, flat)"
stop_program
