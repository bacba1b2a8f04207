#!/bin/bash
# The exe must load only Windows system DLLs, and must not take number
# formatting or reading from msvcrt.dll: its printf family rounds ties away
# from zero and prints three exponent digits on real Windows.
set -eu
exe=$1
imports=$(x86_64-w64-mingw32-objdump -p "$exe")
dlls=$(echo "$imports" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "DLLs: $(echo $dlls)"
status=0
allowed=" kernel32.dll user32.dll gdi32.dll shell32.dll msvcrt.dll advapi32.dll comctl32.dll ole32.dll "
for dll in $dlls; do
    case $allowed in
    *" $dll "*) ;;
    *) echo "FAIL: imports $dll, which is not a Windows system DLL"; status=1 ;;
    esac
done
# Function names imported from msvcrt.dll, one per line.
msvcrt=$(echo "$imports" | awk '
    /DLL Name:/ { inside = (tolower($3) == "msvcrt.dll") ; next }
    inside && /^\s+[0-9a-f]+\s+[0-9]+\s+\S+/ { print $3 }')
forbidden=$(echo "$msvcrt" | grep -E -x '_?_?(v|vs|vsn|s|sn|f|vf|w)?w?printf(_s|_l|_p)?|_?_?(v|vs|vsn|s|sn|f|vf)?w?scanf(_s|_l)?|_?(sn|vsn|s|vs)w?printf(_s|_l)?|_?(snw|vsnw|vscw|scw)printf(_s|_l)?|wcstod|strtod|_wcstod_l|_strtod_l|atof|_wtof|_atof_l|_wtof_l|wsprintfW' || true)
if [ -n "$forbidden" ]; then
    echo "FAIL: number formatting or reading from msvcrt.dll: $(echo $forbidden)"
    status=1
fi
[ $status -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $status
