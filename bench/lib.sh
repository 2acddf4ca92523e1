# Helpers of the benchmarks, sourced by each bench/*.sh: paired, alternating runs of our
# command and a reference command, and their medians and ratio.
#
#   compare_runs NAME RUNS 'OUR COMMAND' 'REFERENCE COMMAND'
#
# runs both commands RUNS times each, alternating (ours, reference, ours, ...), with their
# output discarded, and prints one line: the medians in milliseconds, the median of the per-pair ratios, and the ratio of the
# medians. Wall time comes from `date +%s%N` around each run, so both include a process
# start. With MEASURE=memory the peak resident set size of each run (GNU time's %M, in KB)
# is compared instead.

bench_root=$(cd "$(dirname "$0")/.." && pwd)
bench_out_dir="$bench_root/build/bench"
mkdir -p "$bench_out_dir"

now_ns() { date +%s%N; }

# Prints the median of the numbers on standard input.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# One measurement of a command: nanoseconds of wall time, or peak KB with MEASURE=memory.
measure_once() {
  if [ "${MEASURE:-time}" = memory ]; then
    /usr/bin/time -f %M -o "$bench_out_dir/.rss" sh -c "$1" >/dev/null 2>&1 </dev/null
    cat "$bench_out_dir/.rss"
  else
    start=$(now_ns)
    sh -c "$1" >/dev/null 2>&1 </dev/null
    end=$(now_ns)
    echo $((end - start))
  fi
}

compare_runs() {
  name=$1 runs=$2 ours=$3 reference=$4
  samples="$bench_out_dir/.samples"
  : > "$samples"
  i=0
  while [ "$i" -lt "$runs" ]; do
    a=$(measure_once "$ours")
    b=$(measure_once "$reference")
    echo "$a $b" >> "$samples"
    i=$((i + 1))
  done
  unit="ms" scale=1000000
  if [ "${MEASURE:-time}" = memory ]; then unit="KB" scale=1; fi
  ours_median=$(awk -v s=$scale '{ print $1 / s }' "$samples" | median)
  reference_median=$(awk -v s=$scale '{ print $2 / s }' "$samples" | median)
  pair_ratio=$(awk '{ print $1 / $2 }' "$samples" | median)
  line=$(awk -v n="$name" -v o="$ours_median" -v r="$reference_median" -v p="$pair_ratio" \
             -v u="$unit" -v k="$runs" 'BEGIN {
    printf "%-44s ours %9.1f %s  reference %9.1f %s  ratio %.3f (median of %d paired ratios; ratio of medians %.3f)\n",
           n, o, u, r, u, p, k, o / r }')
  echo "$line"
  rm -f "$samples" "$bench_out_dir/.rss"
}
