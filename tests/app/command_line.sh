#!/usr/bin/env bash
# --help, --help-all and --version answer without a display and leave no trace (no settings, no
# instance lock); an unknown option is the parser's error, also without a display. $1 is the
# program, $2 the project's version.
set -euo pipefail
mervale=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

# arguments | exit status | a line the output holds
rows=("--help|0|Usage: $mervale [options]"
  "-h|0|  -v, --version  Displays version information."
  "--help|0|  --help-all     Displays help including Qt specific options."
  "--help-all|0|  --platform <platformName[:options]>  Window system plugin, with its options."
  "--version|0|Mervale $version"
  "-platform offscreen -v|0|Mervale $version"
  "--bogus|1|Mervale: Unknown option 'bogus'."
  "-reverse --bogus|1|Mervale: Unknown option 'bogus'.")
for row in "${rows[@]}"; do
  IFS='|' read -r arguments expected line <<<"$row"
  status=0
  # Every answer comes before Qt would need a display.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$mervale" $arguments >"$work/out" 2>&1 ||
    status=$?
  [[ $status == "$expected" ]] || { cat "$work/out"; echo "FAIL: '$arguments' exited $status"; exit 1; }
  grep -qxF -- "$line" "$work/out" || { cat "$work/out"; echo "FAIL: '$arguments' printed no '$line'"; exit 1; }
  [[ -z $(find "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" -mindepth 1) ]] || { echo "FAIL: '$arguments' left files"; exit 1; }
done
echo "command line: ${#rows[@]} cases passed"
