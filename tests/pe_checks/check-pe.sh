#!/bin/sh
# check-pe.sh OBJDUMP FORMAT EXE
# Checks that EXE is a PE image of FORMAT, for the GUI subsystem, and that it imports from
# system DLLs only (it must start on a Windows machine without MinGW's DLLs).
set -u
objdump=$1 format=$2 exe=$3
fail=0
headers=$("$objdump" -p "$exe") || { echo "cannot read $exe"; exit 1; }

echo "$headers" | grep -q "file format $format" || { echo "FAIL: not $format"; fail=1; }
# Subsystem 2 is the Windows GUI subsystem.
echo "$headers" | grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' || { echo "FAIL: not the GUI subsystem"; fail=1; }

system_dlls="kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll shell32.dll msvcrt.dll ntdll.dll"
for dll in $(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
  case " $system_dlls " in
    *" $dll "*) echo "imports $dll" ;;
    *) case "$dll" in
         api-ms-win-*) echo "imports $dll" ;;
         *) echo "FAIL: imports non-system $dll"; fail=1 ;;
       esac ;;
  esac
done
[ $fail -eq 0 ] && echo "PASS: $exe is $format, GUI subsystem, system imports only"
exit $fail
