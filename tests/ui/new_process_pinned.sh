#!/usr/bin/env bash
# The real program on the real process backend: with "CPU 1" restored from Settings.ini, programs
# started after it are moved to CPU 1, and start_probe times how soon after their fork.
#
#   new_process_pinned.sh MERVALE START_PROBE REFRESH_SECONDS COUNT BOUND_MS DEADLINE_MS
#
# COUNT programs, each pinned within DEADLINE_MS, their median within BOUND_MS. Run it as PID 1 of
# a PID namespace of its own (unshare --pid --fork --mount-proc): the program then sees and pins
# only the processes started here. It runs as whoever runs the script, and prints nothing of its
# own while it works.
set -euo pipefail
mervale=$1 probe=$2 refresh=$3 count=$4 bound=$5 deadline=$6

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
printf '2\r\nF\r\nF\r\n0\r\n%s\r\nF\r\n' "$refresh" >"$XDG_CONFIG_HOME/Mervale/Settings.ini"

"$mervale" >"$work/mervale.log" 2>&1 &
program=$!
# The language choice is written last in the start-up, so from then on the program pins.
for _ in $(seq 600); do
  [[ -f $XDG_CONFIG_HOME/Mervale/lang.ini ]] && break
  kill -0 "$program" || { cat "$work/mervale.log"; echo "the program ended early" >&2; exit 1; }
  sleep 0.1
done
[[ -f $XDG_CONFIG_HOME/Mervale/lang.ini ]] || { echo "the program did not start" >&2; exit 1; }

status=0
"$probe" pin-times "$count" "$bound" "$deadline" || status=$?
kill "$program"
wait "$program" || true
# Whether starts are reported or not, the program says nothing about it; what the off-screen
# platform says of itself does not count.
if grep -v -e '^qt\.' -e '^This plugin does not support' "$work/mervale.log"; then
  echo "the program said the above" >&2
  status=1
fi
exit "$status"
