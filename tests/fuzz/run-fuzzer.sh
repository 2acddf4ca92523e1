#!/bin/sh
# Runs one libFuzzer harness for a given time and reports its executions and findings.
#
#   run-fuzzer.sh <harness> <seed-dir> <work-dir> <seconds> [fresh]
#
# New inputs go to <work-dir>/corpus (the checked-in seeds are only read); crashing, leaking
# or hanging inputs (20 s on one input) go to <work-dir>/findings. Slower inputs below that
# are not reported: on a busy machine they measure the machine, not the harness. With "fresh"
# the work directory is emptied first (the short pass of the test suite); otherwise the corpus
# grows from run to run and <work-dir>/executions keeps the running total. Exits non-zero on
# any finding.
set -u
harness=$1 seeds=$2 work=$3 seconds=$4 mode=${5:-}
name=$(basename "$harness" _fuzzer)

[ "$mode" = fresh ] && rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
# Absolute paths: some harnesses change their working directory.
seeds=$(cd "$seeds" && pwd) work=$(cd "$work" && pwd)
findings_before=$(ls "$work/findings" | wc -l)

# Harnesses that need files keep them in a directory of their own, in memory when possible.
scratch_base=/dev/shm
[ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$scratch_base/wyn-fuzz-$name.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

WYN_FUZZ_SCRATCH="$scratch" "$harness" -max_total_time="$seconds" -print_final_stats=1 \
  -timeout=20 -report_slow_units=60 -rss_limit_mb=2048 -max_len=65536 -artifact_prefix="$work/findings/" \
  "$work/corpus" "$seeds" >"$work/log" 2>&1
status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
executions=${executions:-0}
findings=$(( $(ls "$work/findings" | wc -l) - findings_before ))
total=$executions
if [ "$mode" != fresh ]; then
  previous=$(cat "$work/executions" 2>/dev/null || echo 0)
  total=$((previous + executions))
  echo "$total" >"$work/executions"
fi
printf '%-16s %12s executions (%s in total), %s findings, exit %s\n' \
  "$name" "$executions" "$total" "$findings" "$status"
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
  tail -n 60 "$work/log"
  exit 1
fi
