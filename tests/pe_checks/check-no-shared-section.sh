#!/bin/sh
# check-no-shared-section.sh OBJDUMP EXE
# Checks that EXE has no section that the loader shares between processes (no ".SHMMESS",
# no section flagged SHARED): such a section would be shared by every process that maps the
# file, of any user and session, without an access check. The instance registry's block is a
# named object of the user instead.
set -u
objdump=$1 exe=$2
sections=$("$objdump" -h "$exe") || { echo "cannot read $exe"; exit 1; }
fail=0
if echo "$sections" | grep -qE '^[[:space:]]*[0-9]+[[:space:]]+\.SHMMESS[[:space:]]'; then
  echo "FAIL: the executable has a .SHMMESS section"; fail=1
fi
if echo "$sections" | grep -qw SHARED; then
  echo "FAIL: a section is shared between processes:"
  echo "$sections" | grep -B1 -w SHARED
  fail=1
fi
[ $fail -eq 0 ] && echo "PASS: no section is shared between processes"
exit $fail
