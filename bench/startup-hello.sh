#!/bin/sh
# A packed hello world against `java -cp hello.jar` on the same JDK: start-up time and peak
# memory. Needs the Linux tree (make build-linux); `make bench` runs it.
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
jdk=${BENCH_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
build="$bench_root/build/linux"
work="$bench_out_dir/hello"
mkdir -p "$work"

printf 'mainclass com.example.hello.Hello\njre_order e\n' > "$work/pack-hello.cfg"
"$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/pack-hello.cfg" \
  --jar "$build/examples/hello.jar" --output "$work/hello" >/dev/null
rm -f "$work/pack-hello.cfg"

export JAVA_HOME="$jdk"
unset JRE_HOME CLASSPATH CLASS_PATH JAVA_TOOL_OPTIONS || true
compare_runs "packed hello / java -cp (time)" "$runs" \
  "'$work/hello'" "'$jdk/bin/java' -cp '$build/examples/hello.jar' com.example.hello.Hello"
MEASURE=memory compare_runs "packed hello / java -cp (peak memory)" "$runs" \
  "'$work/hello'" "'$jdk/bin/java' -cp '$build/examples/hello.jar' com.example.hello.Hello"
