#!/bin/sh
# Debian's Rhino packed into one executable, running -e 'print(1+1)', against
# `java -cp js.jar` on the same JDK: without class-data sharing, and with `cds auto` once
# its archive or cache is made and in use (the starts that make it are not measured).
# Needs the Linux tree and the `rhino` package; `make bench` provides both.
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
jdk=${BENCH_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
build="$bench_root/build/linux"
jar=/usr/share/java/js.jar
work="$bench_out_dir/rhino"
main=org.mozilla.javascript.tools.shell.Main
[ -r "$jar" ] || { echo "bench: $jar missing (apt-get install rhino)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"

pack() {
  printf 'mainclass %s\njre_order e\nargv -e print(1+1)\n%s' "$main" "$2" > "$work/pack-$1.cfg"
  "$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/pack-$1.cfg" --jar "$jar" \
    --output "$work/$1" >/dev/null
  rm -f "$work/pack-$1.cfg"
}
pack rhino ""
pack rhino-cds "cds auto
"

export JAVA_HOME="$jdk" XDG_CACHE_HOME="$work/cache"
unset JRE_HOME CLASSPATH CLASS_PATH JAVA_TOOL_OPTIONS || true
reference="'$jdk/bin/java' -cp '$jar' $main -e 'print(1+1)'"
[ "$("$work/rhino")" = 2 ] || { echo "bench: packed Rhino does not print 2" >&2; exit 1; }
compare_runs "packed Rhino / java -cp (time)" "$runs" "'$work/rhino'" "$reference"
warm_cache "'$work/rhino-cds'" "$work/cache/wyn/cds"
compare_runs "packed Rhino, cds auto / java -cp (time)" "$runs" "'$work/rhino-cds'" "$reference"
