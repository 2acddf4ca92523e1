#!/bin/sh
# Output redirection benchmark: a Java program prints SIZE bytes (default 100 MiB) to
# System.out in 8 KiB writes.
#   1. packed with `stdout FILE` against `java -cp ... > FILE` on the same runtime: the ratio
#      of the median wall times and of the median write phases (goal: at most 1.05);
#   2. packed with the Java-side fallback forced (WYN_REDIRECT_FALLBACK=1, every byte through
#      RedirOutputStream's natives): the throughput of the write phase (goal: 200 MB/s or more).
# Needs the Linux tree (`make build-linux`). Files go to a scratch directory under /tmp.
#
#   bench/redirect.sh [RUNS] [SIZE]
set -eu
runs=${1:-5}
size=${2:-104857600}
cd "$(dirname "$0")/.."
build=build/linux
jar=$build/test-apps/redirect-app.jar
java=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}/bin/java
for f in "$build/bin/wynpack" "$build/src/wyn" "$jar"; do
  [ -e "$f" ] || { echo "bench: $f is missing; run 'make build-linux' first" >&2; exit 1; }
done
work=$(mktemp -d /tmp/wyn-bench-redirect.XXXXXX)
trap 'rm -rf "$work"' EXIT

printf 'mainclass com.example.redirect.Printer\nstdout %s/out.file\n' "$work" > "$work/pack-app.cfg"
"$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/pack-app.cfg" --jar "$jar" \
  --output "$work/app" >/dev/null

now_ns() { date +%s%N; }

# median of the lines of a file
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: > "$work/plain.ms"; : > "$work/packed.ms"; : > "$work/fallback.ns"
: > "$work/plain.ns"; : > "$work/packed.ns"
i=0
while [ $i -lt "$runs" ]; do
  rm -f "$work/out.file"
  start=$(now_ns)
  "$java" -cp "$jar" com.example.redirect.Printer timed "$size" 2>&1 > "$work/out.file" |
    sed -n 's/^write-ns //p' >> "$work/plain.ns"
  echo $((($(now_ns) - start) / 1000000)) >> "$work/plain.ms"

  rm -f "$work/out.file"
  start=$(now_ns)
  JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64} "$work/app" timed "$size" 2>&1 |
    sed -n 's/^write-ns //p' >> "$work/packed.ns"
  echo $((($(now_ns) - start) / 1000000)) >> "$work/packed.ms"
  [ "$(stat -c %s "$work/out.file")" -eq "$size" ] || { echo "bench: output incomplete" >&2; exit 1; }

  rm -f "$work/out.file"
  JAVA_HOME=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64} WYN_REDIRECT_FALLBACK=1 \
    "$work/app" timed "$size" 2>&1 | sed -n 's/^write-ns //p' >> "$work/fallback.ns"
  [ "$(stat -c %s "$work/out.file")" -eq "$size" ] || { echo "bench: fallback output incomplete" >&2; exit 1; }
  i=$((i + 1))
done

plain=$(median "$work/plain.ms")
packed=$(median "$work/packed.ms")
fallback=$(median "$work/fallback.ns")
echo "java -cp > file:              ${plain} ms (median of $runs, $size bytes)"
echo "packed, stdout file:          ${packed} ms (median of $runs)"
awk -v p="$packed" -v j="$plain" 'BEGIN { printf "ratio packed/java, wall time: %.3f (goal <= 1.05)\n", p / j }'
awk -v p="$(median "$work/packed.ns")" -v j="$(median "$work/plain.ns")" \
  'BEGIN { printf "ratio packed/java, write phase: %.3f (goal <= 1.05)\n", p / j }'
awk -v n="$fallback" -v s="$size" \
  'BEGIN { printf "Java-side fallback: %.0f MB/s writing (median of write phases, goal >= 200)\n", s / (n / 1e9) / 1e6 }'
