# Helpers of the benchmarks, sourced by each bench/*.sh: paired, alternating runs of our
# command and a reference command, and their medians and ratio.
#
#   compare_runs NAME RUNS 'OUR COMMAND' 'REFERENCE COMMAND'
#
# runs both commands RUNS times each, alternating (ours, reference, ours, ...), with their
# output discarded, and prints one line: the medians in milliseconds, the median of the per-pair ratios, and the ratio of the
# medians. Wall time comes from `date +%s%N` around each run, so both include a process
# start. With MEASURE=memory the peak resident set size of each run (GNU time's %M, in KB)
# is compared instead; with MEASURE=cpu the processor time (user + system, GNU time's %U and
# %S), which other work on the machine disturbs less than the wall time.
#
#   bench_runtimes            the runtimes to measure on, one home a line: BENCH_JDKS (blank
#                             separated) or JDK 17 and every runtime of release 25 or later
#                             in /usr/lib/jvm
#   runtime_release HOME      the feature release a runtime declares
#   warm_cache 'COMMAND' DIR  runs a packed `cds auto` command until its cache in DIR is
#                             made and in use (a recording start, the creation, the start
#                             that publishes it), so that measured runs begin with the third

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
  elif [ "${MEASURE:-time}" = cpu ]; then
    /usr/bin/time -f '%U %S' -o "$bench_out_dir/.rss" sh -c "$1" >/dev/null 2>&1 </dev/null
    awk '{ printf "%d\n", ($1 + $2) * 1e9 }' "$bench_out_dir/.rss"
  else
    start=$(now_ns)
    sh -c "$1" >/dev/null 2>&1 </dev/null
    end=$(now_ns)
    echo $((end - start))
  fi
}

runtime_release() {
  sed -n 's/^JAVA_VERSION="\([0-9]*\).*/\1/p' "$1/release" 2>/dev/null | head -n 1
}

bench_runtimes() {
  if [ -n "${BENCH_JDKS:-}" ]; then
    printf '%s\n' $BENCH_JDKS
    return
  fi
  [ -r /usr/lib/jvm/java-17-openjdk-amd64/release ] && echo /usr/lib/jvm/java-17-openjdk-amd64
  for home in /usr/lib/jvm/*; do
    [ -L "$home" ] && continue
    release=$(runtime_release "$home")
    [ -n "$release" ] && [ "$release" -ge 25 ] && [ -x "$home/bin/java" ] && echo "$home"
  done
  return 0
}

# The pid in the owner file of a cache that is being recorded or created, if any.
cache_owner() {
  cat "$1"/*.owner 2>/dev/null | awk 'NR == 1 { print $2 }'
}

warm_cache() {
  command=$1 dir=$2
  tries=0
  while [ "$tries" -lt 10 ]; do
    sh -c "$command" >/dev/null 2>&1 </dev/null
    if ls "$dir"/*.stamp >/dev/null 2>&1 && [ -z "$(cache_owner "$dir")" ]; then
      return 0
    fi
    if ls "$dir"/*.failed >/dev/null 2>&1; then
      echo "bench: no cache could be made in $dir" >&2
      return 1
    fi
    owner=$(cache_owner "$dir")
    while [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null; do sleep 0.2; done
    tries=$((tries + 1))
  done
  echo "bench: the cache in $dir is not in use after $tries starts" >&2
  return 1
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
  if [ "${MEASURE:-time}" = cpu ]; then unit="ms cpu" scale=1000000; fi
  ours_median=$(awk -v s=$scale '{ print $1 / s }' "$samples" | median)
  reference_median=$(awk -v s=$scale '{ print $2 / s }' "$samples" | median)
  pair_ratio=$(awk '{ print $1 / $2 }' "$samples" | median)
  # The spread of the paired ratios: their lower and upper quartiles.
  spread=$(awk '{ print $1 / $2 }' "$samples" | sort -g | awk '{ v[NR] = $1 } END {
    lo = int((NR + 3) / 4); hi = int((3 * NR + 3) / 4); if (lo < 1) lo = 1; if (hi < 1) hi = 1
    printf "%.3f-%.3f", v[lo], v[hi] }')
  line=$(awk -v n="$name" -v o="$ours_median" -v r="$reference_median" -v p="$pair_ratio" \
             -v u="$unit" -v k="$runs" -v q="$spread" 'BEGIN {
    printf "%-44s ours %9.1f %s  reference %9.1f %s  ratio %.3f (median of %d paired ratios, quartiles %s; ratio of medians %.3f)\n",
           n, o, u, r, u, p, k, q, o / r }')
  echo "$line"
  rm -f "$samples" "$bench_out_dir/.rss"
}
