#!/usr/bin/env bash
# Start-up of the program: the time from its exec to the end of its first pass, and its resident
# size then and two seconds later. Mode CPU 1, main window shown, 300 other processes on every CPU:
# the first pass is over when the last of them has been moved to the first CPU. Each build given
# is started ROUNDS times, the builds taking turns, so that a busy machine weighs on all of them
# alike; the medians are printed per build.
#
# Usage: scripts/measure-startup.sh BUILD_DIR [BUILD_DIR...]
# ROUNDS (default 7) and CHILDREN (default 300) come from the environment. Needs Xvfb and two or
# more CPUs. Runs as PID 1 of a PID namespace of its own (it starts itself again under
# `unshare --pid --fork --mount-proc`), where the program pins only the processes started here.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/measure-common.sh"
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [BUILD_DIR...]" >&2; exit 2; }
BUILDS=()
for build in "$@"; do
  BUILDS+=("$(realpath "$build")")
  [ -x "${BUILDS[-1]}/app/mervale" ] || { echo "no $build/app/mervale" >&2; exit 1; }
done
ROUNDS=${ROUNDS:-7}
CHILDREN=${CHILDREN:-300}
[ "$(nproc)" -ge 2 ] || { echo "needs two or more CPUs to see a process moved" >&2; exit 1; }
enter_own_pid_namespace "$0" "${BUILDS[@]}"

make_work_dir
start_xvfb
children=()
for _ in $(seq "$CHILDREN"); do
  sleep 1000000 &
  children+=($!)
done
first_cpu=$(taskset -cp $$ | sed 's/.*: //; s/[-,].*//')

# Milliseconds since the epoch.
now_ms() { date +%s%3N; }
# Whether every child runs on the first CPU alone.
status_files=()
for pid in "${children[@]}"; do status_files+=("/proc/$pid/status"); done
all_moved() {
  awk -v cpu="$first_cpu" '/^Cpus_allowed_list/ && $2 != cpu { exit 1 }' "${status_files[@]}"
}
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }

: >"$WORK/samples"
for round in $(seq "$ROUNDS"); do
  for build in "${BUILDS[@]}"; do
    for pid in "${children[@]}"; do taskset -acp "0-$(($(nproc) - 1))" "$pid" >/dev/null; done
    PROGRAM=$build/app/mervale
    log="$WORK/round$round.log"
    start=$(now_ms)
    start_program "$(settings_home "round$round" 2 F F 0 1 F)" "$log"
    until all_moved; do
      program_alive_or_die "$log"
      if [ $(($(now_ms) - start)) -gt 60000 ]; then
        echo "$build: no first pass within 60 s" >&2
        exit 1
      fi
      sleep 0.005
    done
    took=$(($(now_ms) - start))
    rss_first=$(rss_kb "$PROGRAM_PID")
    sleep 2
    rss_later=$(rss_kb "$PROGRAM_PID")
    stop_program
    echo "$build $took $rss_first $rss_later" >>"$WORK/samples"
  done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '%-40s %8s %14s %16s\n' build "ms" "RSS first kB" "RSS +2 s kB"
for build in "${BUILDS[@]}"; do
  printf '%-40s %8s %14s %16s\n' "$build" \
    "$(awk -v b="$build" '$1 == b { print $2 }' "$WORK/samples" | median)" \
    "$(awk -v b="$build" '$1 == b { print $3 }' "$WORK/samples" | median)" \
    "$(awk -v b="$build" '$1 == b { print $4 }' "$WORK/samples" | median)"
done
