#!/bin/sh
# Runs every benchmark in bench/ (each *.sh but this one and lib.sh, in name order, with no
# arguments; the start-up ones, startup-*.sh, once on every runtime that bench_runtimes in
# lib.sh names, with BENCH_JDK set to it) and writes what they print, after a note of the
# machine, to build/bench/results.txt.
# `make bench` builds what they need first. BENCH_RUNS sets the runs per side (at least 15).
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
[ "$runs" -ge 15 ] || { echo "bench: BENCH_RUNS must be at least 15" >&2; exit 1; }
export BENCH_RUNS=$runs
results="$bench_out_dir/results.txt"
{
  echo "wyn benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "machine: $(uname -srm), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo)"
  echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "runs per side: $runs, paired and alternating; ratio = ours / reference (lower is better for us)"
  echo
} > "$results"
cat "$results"
status=0
# run_script SCRIPT [RUNTIME HOME]
run_script() {
  name=$(basename "$1")
  echo "== $name${2:+ on $2}" | tee -a "$results"
  if ! BENCH_JDK=${2:-${BENCH_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}} sh "$1" \
      > "$bench_out_dir/.script-output" 2>&1; then
    echo "$name: failed" >> "$bench_out_dir/.script-output"
    status=1
  fi
  tee -a "$results" < "$bench_out_dir/.script-output"
}
# The start-up benchmarks run on every runtime present, one table each; the others once.
for script in "$bench_root"/bench/*.sh; do
  case "$(basename "$script")" in lib.sh | run.sh | startup-*) continue ;; esac
  run_script "$script"
done
for home in $(bench_runtimes); do
  echo | tee -a "$results"
  echo "=== start-up on $(basename "$home") (release $(runtime_release "$home"))" | tee -a "$results"
  for script in "$bench_root"/bench/startup-*.sh; do
    run_script "$script" "$home"
  done
done
rm -f "$bench_out_dir/.script-output"
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$results"
echo "results: $results"
exit $status
