# Sourced by the Wine scripts, inside their virtual display: a throwaway Wine prefix (the tests write
# the user's Run key and application-data folder), removed on exit together with its server.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/mervale-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix_cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap wine_prefix_cleanup EXIT

# One persistent server, and the prefix set up before the first program: otherwise Wine's
# background processes keep the callers' output pipes open after every program.
wineserver -p
wine_boot_log="$WINEPREFIX.boot.log"
if ! { wineboot -i && wine cmd /c exit; } >"$wine_boot_log" 2>&1; then
  cat "$wine_boot_log" >&2
  rm -f "$wine_boot_log"
  exit 1
fi
rm -f "$wine_boot_log"
