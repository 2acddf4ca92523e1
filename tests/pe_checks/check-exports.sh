#!/bin/sh
# check-exports.sh OBJDUMP EXE NAME...
# Checks that EXE's export table holds every NAME exactly (on x86 the names carry the stdcall
# decoration, so this also checks the argument byte counts).
set -u
objdump=$1 exe=$2
shift 2
headers=$("$objdump" -p "$exe") || { echo "cannot read $exe"; exit 1; }
# The names of the export name table, one a line.
exported=$(echo "$headers" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
fail=0
for name in "$@"; do
  if echo "$exported" | grep -qxF "$name"; then
    echo "exports $name"
  else
    echo "FAIL: $name is not exported"
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "PASS: $exe exports all $# names"
exit $fail
