#!/bin/sh
# check-shared-section.sh OBJDUMP EXE
# Checks that EXE has the ".SHMMESS" section that every process of the same image file
# shares: at least 4096 bytes of initialised data, writable and shared, zero-filled in the
# file.
set -u
objdump=$1 exe=$2
sections=$("$objdump" -h "$exe") || { echo "cannot read $exe"; exit 1; }
line=$(echo "$sections" | grep -E '^[[:space:]]*[0-9]+[[:space:]]+\.SHMMESS[[:space:]]') ||
  { echo "FAIL: no .SHMMESS section"; exit 1; }
flags=$(echo "$sections" | grep -A1 -E '^[[:space:]]*[0-9]+[[:space:]]+\.SHMMESS[[:space:]]' | tail -1)
size=$((0x$(echo "$line" | awk '{print $3}')))
echo ".SHMMESS: $size bytes, $flags"
fail=0
[ "$size" -ge 4096 ] || { echo "FAIL: .SHMMESS holds $size bytes, not 4096"; fail=1; }
for flag in CONTENTS ALLOC LOAD DATA SHARED; do
  echo "$flags" | grep -qw "$flag" || { echo "FAIL: .SHMMESS is not $flag"; fail=1; }
done
echo "$flags" | grep -qw READONLY && { echo "FAIL: .SHMMESS is read-only"; fail=1; }
# The bytes in the file: every hex column of the dump is zero.
nonzero=$("$objdump" -s -j .SHMMESS "$exe" | sed -n 's/^ [0-9a-f]\{4,\} \(.\{35\}\).*/\1/p' |
          tr -d ' 0\n' | wc -c)
[ "$nonzero" -eq 0 ] || { echo "FAIL: .SHMMESS is not zero-filled"; fail=1; }
[ $fail -eq 0 ] && echo "PASS: .SHMMESS is $size bytes of shared, writable, zero-filled data"
exit $fail
