#!/bin/sh
# Runs a Windows program under the test session's Wine: its private prefix,
# its X display and its persistent wineserver (see tests/wine/session.sh).
# TELM_WINE_DIR names the session folder; it is set by the tests, never by
# the program.
: "${TELM_WINE_DIR:?TELM_WINE_DIR must name the Wine session folder}"
export WINEPREFIX="$TELM_WINE_DIR/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$TELM_WINE_DIR/display" ]; then
    DISPLAY=$(cat "$TELM_WINE_DIR/display")
    export DISPLAY
fi
exec /usr/lib/wine/wine64 "$@"
