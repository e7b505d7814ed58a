#!/usr/bin/env bash
# The real program as the first process of a PID namespace of its own, as scripts/run.sh starts it
# as root: a second start inside the namespace wakes the first and ends; a start in another
# namespace is a program of its own; orphans inside are reaped; SIGTERM ends the program, and with
# it the processes inside.
set -euo pipefail
mervale=$(realpath "$1")

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/Mervale" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
outers=()
cleanup() {
  for outer in "${outers[@]}"; do
    kill -KILL "$outer" 2>/dev/null || true
    wait "$outer" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  cat "$work"/*.log >&2 2>/dev/null || true
  exit 1
}

# Starts the program in a namespace of its own; sets `outer` (unshare) and `inner` (the program,
# PID 1 inside, as seen from here).
start_in_namespace() {
  unshare --pid --fork --mount-proc --kill-child "$mervale" >"$work/$1.log" 2>&1 &
  outer=$!
  outers+=("$outer")
  inner=
  for _ in $(seq 1200); do
    inner=$(cat "/proc/$outer/task/$outer/children" 2>/dev/null | tr -d ' ') || true
    [[ -n $inner ]] && break
    sleep 0.05
  done
  [[ -n $inner ]] || fail "no program in the namespace"
}

# Whether the background job `$2` ends with status 0 within `$1` seconds.
ends_within() {
  timeout "$1" tail --pid="$2" -f /dev/null || return 1
  wait "$2"
}

inside() { nsenter --target "$first" --pid --mount -- "$@"; }

start_in_namespace first
first=$inner
first_outer=$outer
# The language choice is written last in the start-up.
for _ in $(seq 1200); do
  [[ -f $XDG_CONFIG_HOME/Mervale/lang.ini ]] && break
  kill -0 "$first" 2>/dev/null || fail "the program ended early"
  sleep 0.05
done
[[ -f $XDG_CONFIG_HOME/Mervale/lang.ini ]] || fail "the program did not start"

# A second start in the same namespace ends at once and says why.
if ! timeout 60 nsenter --target "$first" --pid --mount -- "$mervale" >"$work/second.log" 2>&1; then
  fail "the second start did not end well"
fi
grep -q "already running; its window was brought forward" "$work/second.log" ||
  fail "the second start did not reach the first"
echo "a second start in the namespace woke the first one and ended"

# A start in another namespace manages that namespace: it keeps running.
start_in_namespace other
sleep 2
kill -0 "$inner" 2>/dev/null || fail "the program in another namespace ended"
kill -TERM "$inner"
ends_within 60 "$outer" || fail "the program in another namespace did not end on SIGTERM"
echo "a program in another namespace ran beside it"

# SIGTERM while a start-up error box is open (a settings file of three lines) ends the program.
mkdir -p "$work/badconfig/Mervale"
printf '1\r\nF\r\nF\r\n' >"$work/badconfig/Mervale/Settings.ini"
XDG_CONFIG_HOME=$work/badconfig start_in_namespace boxed
sleep 2
kill -TERM "$inner"
ends_within 60 "$outer" || fail "SIGTERM did not end the program while its start-up box was open"
echo "SIGTERM ended the program while its start-up error box was open"

# Orphans inside: one ends soon and must not stay a zombie, one lives until the end.
# A zombie is still a "sleep" to pgrep: one left means the short one is gone and reaped.
inside sh -c 'sleep 0.3 & sleep 600 & exit 0'
for _ in $(seq 600); do
  zombies=$(inside ps -eo stat= | grep -c '^Z' || true)
  [[ $zombies -eq 0 && $(inside pgrep -cx sleep) -eq 1 ]] && break
  sleep 0.1
done
[[ $zombies -eq 0 ]] || fail "$zombies zombies in the namespace"
[[ $(inside pgrep -cx sleep) -eq 1 ]] || fail "the short-lived process was not reaped, or the long-lived one is missing"
echo "an ended orphan was reaped"
namespace=$(readlink "/proc/$first/ns/pid")

# SIGTERM ends the program as "Exit" does, and the namespace ends with it.
kill -TERM "$first"
ends_within 60 "$first_outer" || fail "SIGTERM did not end the program"
for process in /proc/[0-9]*; do
  [[ $(readlink "$process/ns/pid" 2>/dev/null) != "$namespace" ]] || fail "${process#/proc/} outlived the namespace"
done
echo "SIGTERM ended the program with status 0, and the processes inside with it"
