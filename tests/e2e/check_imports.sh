#!/bin/bash
# The exe must load only Windows system DLLs, and only KERNEL32 and msvcrt
# when it starts: the headless self-test must not pay for the window system,
# whose DLLs are delay-loaded (cmake/delay-load.cmake). Neither import table
# may take number formatting or reading from the system: msvcrt's printf
# family rounds ties away from zero and prints three exponent digits on real
# Windows, and wsprintfW has no floating point at all.
set -eu
exe=$1
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# "dll function" lines of the normal import table, which the loader binds
# before the program starts. The patterns stay POSIX: Debian's awk is mawk,
# which knows no \s.
imported=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '
    /DLL Name:/ { dll = tolower($3); next }
    /^[^[:space:]]/ { dll = "" }
    dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/ { print dll, $3 }')

# "dll function" lines of the delay-import table, which __delayLoadHelper2
# binds on each function's first call.
here=$(cd "$(dirname "$0")" && pwd)
delayed=$(python3 "$here/../../cmake/delay_imports.py" "$exe") || fail "the delay-import table could not be read"

all=$(printf '%s\n%s\n' "$imported" "$delayed")
dlls_of() { echo "$1" | awk 'NF { print $1 }' | sort -u | tr '\n' ' '; }
echo "Loaded at start: $(dlls_of "$imported")"
echo "Delay-loaded: $(dlls_of "$delayed")"

system=" kernel32.dll user32.dll gdi32.dll shell32.dll msvcrt.dll advapi32.dll comctl32.dll ole32.dll "
for dll in $(dlls_of "$all"); do
    case $system in
    *" $dll "*) ;;
    *) fail "imports $dll, which is not a Windows system DLL" ;;
    esac
done

at_start=" kernel32.dll msvcrt.dll "
for dll in $(dlls_of "$imported"); do
    case $at_start in
    *" $dll "*) ;;
    *) fail "$dll loads at start; list these functions in cmake/delay-load/${dll%.dll}.def" \
        "(a new DLL also in CMakeLists.txt's telm_delay_load):" \
        $(echo "$imported" | awk -v d="$dll" '$1 == d { print $2 }') ;;
    esac
done

# MinGW's own start-up code (libmingw32: the _matherr report and the
# pseudo-relocation failure) writes its diagnostics to stderr with msvcrt's
# fprintf and vfprintf; they are in every exe of this toolchain and format
# none of the program's numbers, which C++ sends to MinGW's own printf.
runtime="msvcrt.dll fprintf
msvcrt.dll vfprintf"
forbidden=$(echo "$all" | grep -v -x -F "$runtime" | awk 'NF { print $2 }' |
    grep -E -x '_?_?(v|vs|vsn|s|sn|f|vf|w)?w?printf(_s|_l|_p)?|_?_?(v|vs|vsn|s|sn|f|vf)?w?scanf(_s|_l)?|_?(sn|vsn|s|vs)w?printf(_s|_l)?|_?(snw|vsnw|vscw|scw)printf(_s|_l)?|wcstod|strtod|_wcstod_l|_strtod_l|atof|_wtof|_atof_l|_wtof_l|wv?sprintf[AW]' || true)
if [ -n "$forbidden" ]; then
    fail "number formatting or reading from a system DLL: $(echo $forbidden)"
fi
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
