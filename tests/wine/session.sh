#!/bin/bash
# Starts or stops a private Wine session for tests: a throw-away prefix with
# the CJK font mappings, an Xvfb display and a persistent wineserver.
#   session.sh start DIR [--no-display]   session.sh stop DIR
# Only what was started here is stopped: Xvfb by its recorded pid, the
# server by `wineserver -k` for this prefix.
set -eu
action=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
export WINEPREFIX="$dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
SERVER=/usr/lib/wine/wineserver
here=$(cd "$(dirname "$0")" && pwd)

start_display() {
    rm -f "$dir/display" "$dir/xvfb.pid"
    exec 3>"$dir/display.num"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    exec 3>&-
    for _ in $(seq 100); do
        [ -s "$dir/display.num" ] && break
        sleep 0.1
    done
    [ -s "$dir/display.num" ] || { echo "Xvfb did not start" >&2; exit 1; }
    echo ":$(tr -d '\n' <"$dir/display.num")" >"$dir/display"
    export DISPLAY
    DISPLAY=$(cat "$dir/display")
}

case $action in
start)
    if [ "${3:-}" != "--no-display" ]; then
        start_display
    fi
    if [ ! -f "$WINEPREFIX/.telm-ready" ]; then
        rm -rf "$WINEPREFIX"
        "$WINE" wineboot -i </dev/null >/dev/null 2>&1
        "$WINE" regedit "$here/fonts.reg" </dev/null >/dev/null 2>&1
        for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
            "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f \
                </dev/null >/dev/null 2>&1
        done
        "$SERVER" -w
        touch "$WINEPREFIX/.telm-ready"
    fi
    # A persistent server detached from the caller's output: Wine's services
    # would otherwise hold ctest's pipe open until it times out.
    "$SERVER" -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot </dev/null >/dev/null 2>&1
    ;;
stop)
    "$SERVER" -k >/dev/null 2>&1 || true
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid" "$dir/display" "$dir/display.num"
    fi
    ;;
*)
    echo "usage: $0 start|stop DIR [--no-display]" >&2
    exit 2
    ;;
esac
