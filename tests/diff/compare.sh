#!/bin/sh
# Runs the differential driver natively and as a Windows exe under the test
# session's Wine on the same corpus, and fails unless both outputs are
# identical byte for byte.
#   compare.sh NATIVE_DRIVER WINDOWS_DRIVER CORPUS WORK_DIR
# TELM_WINE_RUN names cmake/wine-run.sh (set by the test).
set -eu
native=$1
windows=$2
corpus=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
work=$(mkdir -p "$4" && cd "$4" && pwd)
: "${TELM_WINE_RUN:?TELM_WINE_RUN must name cmake/wine-run.sh}"

if [ ! -x "$native" ]; then
    echo "native driver $native is missing: build the native tree first (make build-native)" >&2
    exit 1
fi

# The Windows form of a host path, through Wine's Z: drive.
windows_path() {
    printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"
}

rm -f "$work/native.txt" "$work/windows.txt"
"$native" "$corpus" "$work/native.txt"
"$TELM_WINE_RUN" "$windows" "$(windows_path "$corpus")" "$(windows_path "$work/windows.txt")" \
    </dev/null
[ -f "$work/windows.txt" ] || { echo "the Windows driver wrote no output" >&2; exit 1; }

expected=$(grep -cv '^#' "$corpus")
lines=$(wc -l <"$work/native.txt")
if [ "$lines" -ne "$expected" ]; then
    echo "native output has $lines lines for $expected corpus lines" >&2
    exit 1
fi
if ! cmp "$work/native.txt" "$work/windows.txt"; then
    diff "$work/native.txt" "$work/windows.txt" | head -n 60
    exit 1
fi
echo "native and Windows outputs agree on $lines lines"
