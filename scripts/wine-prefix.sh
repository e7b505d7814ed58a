# Sourced by the Wine scripts, inside their virtual X display: a throwaway Wine prefix (the tests
# write the user's Run key and application-data folder), removed on exit together with its server.
# Every Wine program of the session shares one Wine virtual desktop of $WINE_DESKTOP_SIZE, where
# Wine itself moves, minimises and activates the windows as Windows would; bare X has no window
# manager to do that.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/mervale-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_prefix_cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap wine_prefix_cleanup EXIT

# One persistent server, and the prefix set up before the first program: otherwise Wine's
# background processes keep the callers' output pipes open after every program. The desktop is
# set before the server that draws it starts again.
wine_boot_log="$WINEPREFIX.boot.log"
if ! {
  wineserver -p &&
    wineboot -i &&
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${WINE_DESKTOP_SIZE:-1024x768}" /f &&
    wineserver -k && wineserver -w &&
    wineserver -p &&
    wine cmd /c exit
} >"$wine_boot_log" 2>&1; then
  cat "$wine_boot_log" >&2
  rm -f "$wine_boot_log"
  exit 1
fi
rm -f "$wine_boot_log"
