#!/usr/bin/env bash
# Writes inputs of 10 MB for each fuzz target into DIR/<target>/: hand-edited files with lines of
# megabytes, which fuzzing with its short inputs never reaches. scripts/fuzz.sh runs every target
# over them once before it fuzzes.
set -euo pipefail
dir=$1
megabytes=10
bytes=$((megabytes * 1024 * 1024))

# COUNT bytes of CHARACTER.
run_of() { head -c "$2" /dev/zero | tr '\0' "$1"; }

mkdir -p "$dir"/{line_list,settings_restore,language,profile_entries,exclusion}

# Line lists: one long line between short ones, a long line cut by NUL, and 100,000 lines of 100.
{ run_of x "$bytes"; printf '\r\nb\r\n'; } >"$dir/line_list/long-line"
{ printf 'a\r\n'; run_of y "$bytes"; printf '\0tail\r\n'; } >"$dir/line_list/long-line-nul"
{ for _ in $(seq 1000); do printf '%0100d\n' 0; done; } >"$dir/line_list/lines.part"
for _ in $(seq 100); do cat "$dir/line_list/lines.part"; done >"$dir/line_list/many-lines"
rm "$dir/line_list/lines.part"

# Settings: a long mode line, a long profile line of zeros (the integer 0), a long refresh line.
{ run_of 7 "$bytes"; printf '\r\nF\r\nF\r\n0\r\n1\r\nF\r\n'; } >"$dir/settings_restore/long-mode"
{ printf '1\r\nT\r\nF\r\n'; run_of 0 "$bytes"; printf '\r\n5\r\nT\r\n'; } \
  >"$dir/settings_restore/long-profile"
{ printf '0\r\nF\r\nT\r\n2\r\n'; run_of 1 "$bytes"; printf '\r\nT\r\n'; } \
  >"$dir/settings_restore/long-refresh"

# A language table whose first caption is long, then the mode byte the target reads from the end.
{ run_of c "$bytes"; printf '\r\n'; for i in $(seq 41); do printf 'line%d\r\n' "$i"; done; printf '\002'; } \
  >"$dir/language/long-caption"

# Structured targets take their choices from the end of the input and their strings from the
# front: a long run of letters followed by different choices gives long entries and lines.
for tail in '\001\001\001\001\001\001\001\001' '\377\001\000\377\001\002\003\004' '\003\003\003\003'; do
  name=$(printf '%s' "$tail" | tr -d '\\')
  { run_of a "$bytes"; printf "$tail"; } >"$dir/profile_entries/long-$name"
  { run_of A "$bytes"; printf "$tail"; } >"$dir/exclusion/long-$name"
done
