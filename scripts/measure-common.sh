# shellcheck shell=bash
# Shared by the measure-*.sh scripts (sourced, not run): a PID namespace of their own, an X
# server, and a settings directory for the program.

# Runs the calling script again as PID 1 of a new PID namespace with its own /proc, unless it
# already is; there the program sees, and pins, only the processes the script starts.
enter_own_pid_namespace() {
  local script=$1
  shift
  [ "$$" = 1 ] && return 0
  if [ -n "${MERVALE_MEASURE_REEXEC:-}" ]; then
    echo "$(basename "$script"): not PID 1 of a PID namespace; refusing to start the program" >&2
    exit 2
  fi
  export MERVALE_MEASURE_REEXEC=1
  exec unshare --pid --fork --mount-proc "$(realpath "$script")" "$@"
}

# A scratch directory, removed on exit together with the X server of start_xvfb. As PID 1 the
# script takes every other process of the namespace with it when it ends.
make_work_dir() {
  WORK=$(mktemp -d /tmp/mervale-measure.XXXXXX)
  mkdir -m 0700 "$WORK/runtime"
  export XDG_RUNTIME_DIR="$WORK/runtime"
  trap 'stop_xvfb; rm -rf "$WORK"' EXIT
}

XVFB_PID=
# Xvfb on the first free display from :90; exports DISPLAY.
start_xvfb() {
  local display=
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      display=$n
      break
    fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$display"
}

# Ended with SIGTERM, Xvfb removes its lock file and socket; killed with the namespace, it would
# leave them behind in the shared /tmp.
stop_xvfb() {
  [ -n "$XVFB_PID" ] || return 0
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=
}

# A config home for one run: "Settings.ini" with the given six lines (CR LF).
# Usage: settings_home NAME MODE AUTOSTART MINIMIZED PROFILE REFRESH QUADCORE
settings_home() {
  local home="$WORK/config-$1"
  mkdir -p "$home/Mervale"
  printf '%s\r\n' "$2" "$3" "$4" "$5" "$6" "$7" >"$home/Mervale/Settings.ini"
  echo "$home"
}

# Starts the program with the given config home in the background; sets PROGRAM_PID. With
# PROGRAM_USER (a uid) set, the program runs as that user, its config home and runtime directory
# given to it.
PROGRAM_PID=
start_program() {
  local home=$1 log=$2
  local -a as_user=()
  if [ -n "${PROGRAM_USER:-}" ]; then
    chmod 755 "$WORK"
    chown -R "$PROGRAM_USER:$PROGRAM_USER" "$home" "$XDG_RUNTIME_DIR"
    as_user=(setpriv "--reuid=$PROGRAM_USER" "--regid=$PROGRAM_USER" --clear-groups)
  fi
  XDG_CONFIG_HOME="$home" "${as_user[@]}" "$PROGRAM" >"$log" 2>&1 &
  PROGRAM_PID=$!
}

stop_program() {
  kill "$PROGRAM_PID" 2>/dev/null || true
  wait "$PROGRAM_PID" 2>/dev/null || true
}

program_alive_or_die() {
  if ! kill -0 "$PROGRAM_PID" 2>/dev/null; then
    echo "the program ended early:" >&2
    cat "$1" >&2
    exit 1
  fi
}
