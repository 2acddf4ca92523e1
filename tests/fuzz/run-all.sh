#!/bin/sh
# `make fuzz`: runs every harness of the fuzzing tree, one after another at low priority, for
# FUZZ_SECONDS each (default 300), growing a corpus per harness under <tree>/fuzz-long, and
# prints a line per harness with its executions (this run and all runs) and findings.
#
#   run-all.sh <fuzz-tree> [seconds] [harness...]
set -u
tree=$1 seconds=${2:-300}
shift 2 2>/dev/null || shift $#
here=$(cd "$(dirname "$0")" && pwd)
harnesses=${*:-$(cat "$tree/harnesses.txt")}
failed=0
for name in $harnesses; do
  nice -n 19 sh "$here/run-fuzzer.sh" "$tree/tests/fuzz/${name}_fuzzer" "$here/corpus/$name" \
    "$tree/fuzz-long/$name" "$seconds" || failed=1
done
[ "$failed" -eq 0 ] && echo "no findings" || echo "findings: see the findings/ directories under $tree/fuzz-long"
exit "$failed"
