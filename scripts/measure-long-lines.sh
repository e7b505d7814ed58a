#!/usr/bin/env bash
# What a hand-edited file with one very long line costs the program: CPU time from start until it
# has settled (its error box shown, or the exclusion list drawn after a click on its tab) and the
# peak resident size, for each case beside the same program started with ordinary files (the floor).
#
# Usage: scripts/measure-long-lines.sh [MEGABYTES]
#   (defaults: 10 MB lines; the build in $MERVALE_BUILD_DIR or build)
# Needs Xvfb and xdotool. Runs as PID 1 of a PID namespace of its own (it starts itself again under
# `unshare --pid --fork --mount-proc`), so the program sees only the processes started here.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/measure-common.sh"
BUILD=$(realpath "${MERVALE_BUILD_DIR:-$ROOT/build}")
MEGABYTES=${1:-10}
LIMIT=${LIMIT:-150}  # seconds after which a case counts as frozen
PROGRAM=$BUILD/app/mervale
[ -x "$PROGRAM" ] || { echo "no $PROGRAM; build the target mervale first" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "xdotool is needed to click the Exclude tab" >&2; exit 1; }
export MERVALE_BUILD_DIR=$BUILD
enter_own_pid_namespace "$0" "$MEGABYTES"

make_work_dir
start_xvfb
ticks_per_second=$(getconf CLK_TCK)
head -c $((MEGABYTES * 1024 * 1024)) /dev/zero | tr '\0' 'x' >"$WORK/long"

cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
peak_kb() { awk '/^VmHWM/ { print $2 }' "/proc/$1/status"; }
# Appends the long line, then CR LF, to a file.
long_line() { cat "$WORK/long" >>"$1"; printf '\r\n' >>"$1"; }

# The files of one case in a fresh config home; prints the home.
prepare() {
  local case=$1 home
  home=$(settings_home "$case" 4 F F 0 1 F)
  printf '1000: alpha\r\n' >"$home/Mervale/CPU1_0.lst"
  printf 'beta\r\n' >"$home/Mervale/Skip.dat"
  case $case in
    settings-line-1)
      : >"$home/Mervale/Settings.ini"
      long_line "$home/Mervale/Settings.ini"
      printf '%s\r\n' F F 0 1 F >>"$home/Mervale/Settings.ini" ;;
    refresh-line)
      printf '%s\r\n' 4 F F 0 >"$home/Mervale/Settings.ini"
      long_line "$home/Mervale/Settings.ini"
      printf 'F\r\n' >>"$home/Mervale/Settings.ini" ;;
    profile-line) long_line "$home/Mervale/CPU1_0.lst" ;;
    skip-line) long_line "$home/Mervale/Skip.dat" ;;
  esac
  echo "$home"
}

# Clicks the main window's second tab, the exclusion list, once the window is shown.
click_exclude_tab() {
  local window=
  for _ in $(seq $((LIMIT * 10))); do
    window=$(xdotool search --onlyvisible --name '^Mervale$' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] && xdotool mousemove --window "$window" 530 220 click 1
}

# Waits until the program has used no CPU for two seconds; prints the seconds waited.
wait_settled() {
  local pid=$1 last=-1 quiet=0 waited=0 now
  while ((waited < LIMIT * 2 && quiet < 4)); do
    sleep 0.5
    waited=$((waited + 1))
    now=$(cpu_ticks "$pid")
    if ((now == last)); then quiet=$((quiet + 1)); else quiet=0; fi
    last=$now
  done
  echo $((waited / 2))
}

FLOOR_TICKS=
FLOOR_KB=
measure() {
  local case=$1 home seconds ticks kb
  home=$(prepare "$case")
  start_program "$home" "$WORK/$case.log"
  [ "$case" = skip-line ] || [ "$case" = floor ] && click_exclude_tab
  seconds=$(wait_settled "$PROGRAM_PID")
  program_alive_or_die "$WORK/$case.log"
  ticks=$(cpu_ticks "$PROGRAM_PID") kb=$(peak_kb "$PROGRAM_PID")
  stop_program
  [ -n "$FLOOR_TICKS" ] || { FLOOR_TICKS=$((ticks > 0 ? ticks : 1)); FLOOR_KB=$kb; }
  awk -v c="$case" -v s="$seconds" -v t="$ticks" -v hz="$ticks_per_second" -v kb="$kb" \
    -v ft="$FLOOR_TICKS" -v fkb="$FLOOR_KB" -v mb="$MEGABYTES" 'BEGIN {
      printf "%-16s %9d %10.2f %9.1f %10d %9.2f %14.1f\n", c, s, t / hz, t / ft, kb, kb / fkb,
        (kb - fkb) / 1024 / mb
    }'
}

echo "one line of $MEGABYTES MB; CPU and peak resident size from start until settled"
printf '%-16s %9s %10s %9s %10s %9s %14s\n' case "settled s" "CPU s" "x floor" "peak kB" \
  "x floor" "extra MB / MB"
for case in floor settings-line-1 refresh-line profile-line skip-line; do measure "$case"; done
