#!/usr/bin/env bash
# The real program on the real process backend: with "CPU 1" restored from Settings.ini, a process
# started after it is moved to CPU 1 by the next refresh ticks. Run it as PID 1 of a PID namespace
# of its own (unshare --pid --fork --mount-proc): the program then sees and pins only the processes
# started here.
set -euo pipefail
mervale=$1

if [[ $$ -ne 1 ]]; then
  echo "refusing to run outside a PID namespace of its own" >&2
  exit 1
fi
if (($(nproc) < 2)); then
  echo "needs two CPUs to tell a pinned process from a free one; skipped"
  exit 0
fi

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/Mervale" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '2\r\nF\r\nF\r\n0\r\n1\r\nF\r\n' >"$XDG_CONFIG_HOME/Mervale/Settings.ini"

allowed() { awk '/^Cpus_allowed_list:/ {print $2}' "/proc/$1/status"; }

"$mervale" >"$work/mervale.log" 2>&1 &
program=$!
# The language choice is written last in the start-up, so from then on the ticks run.
for _ in $(seq 100); do
  [[ -f $XDG_CONFIG_HOME/Mervale/lang.ini ]] && break
  kill -0 "$program" || { cat "$work/mervale.log"; echo "the program ended early" >&2; exit 1; }
  sleep 0.1
done
[[ -f $XDG_CONFIG_HOME/Mervale/lang.ini ]] || { echo "the program did not start" >&2; exit 1; }

# Started free on the first two CPUs, so that only the program can pin it. A tick that catches
# the child in the instant between its fork and taskset sees it still pinned like this script and
# leaves it be; a second child then settles it.
for attempt in 1 2 3; do
  taskset -c 0,1 sleep 60 &
  child=$!
  for _ in $(seq 20); do
    [[ $(allowed "$child") == 0-1 ]] && break
    sleep 0.01
  done
  # Two ticks of one second, and some slack for a loaded machine.
  for _ in $(seq 30); do
    if [[ $(allowed "$child") == 0 ]]; then
      echo "attempt $attempt: the new process was pinned to CPU 1"
      kill "$child" "$program"
      exit 0
    fi
    sleep 0.1
  done
  echo "attempt $attempt: the new process still runs on CPUs $(allowed "$child")"
  kill "$child"
done
cat "$work/mervale.log" >&2
exit 1
