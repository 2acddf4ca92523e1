#!/bin/sh
# Start-up benchmark: a packed hello world started by the launcher against the same classes
# started with `java -cp`. Prints the median wall time of each over RUNS runs, in
# milliseconds, and the launcher's overhead. Run after `make demo` (it uses dist/demo/).
#
#   bench/startup.sh [RUNS]
set -eu
runs=${1:-15}
cd "$(dirname "$0")/.."
exe=dist/demo/hello-linux-x86_64
jar=build/linux/examples/hello.jar
java=${JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}/bin/java
[ -x "$exe" ] || { echo "bench: run 'make demo' first" >&2; exit 1; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }

median_ms() {
  i=0
  : > /tmp/wyn-bench.$$
  while [ $i -lt "$runs" ]; do
    start=$(now_ms)
    "$@" >/dev/null 2>&1
    end=$(now_ms)
    echo $((end - start)) >> /tmp/wyn-bench.$$
    i=$((i + 1))
  done
  sort -n /tmp/wyn-bench.$$ | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
  rm -f /tmp/wyn-bench.$$
}

launcher=$(median_ms "$exe")
plain=$(median_ms "$java" -cp "$jar" com.example.hello.Hello)
echo "packed executable: ${launcher} ms (median of $runs)"
echo "java -cp:          ${plain} ms (median of $runs)"
echo "launcher overhead: $((launcher - plain)) ms"
