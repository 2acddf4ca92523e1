#!/bin/sh
# Debian's Clojure (clojure, spec.alpha and core.specs.alpha) packed into one executable with
# `cds auto`, running clojure.main -e '(+ 1 2)', against `java -cp` of the same jars on the
# same JDK, once its archive or cache is made and in use (the starts that make it are not
# measured). Needs the Linux tree and the `clojure` package; `make bench` provides both.
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
jdk=${BENCH_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
build="$bench_root/build/linux"
work="$bench_out_dir/clojure"
main=clojure.main
jars="/usr/share/java/clojure.jar /usr/share/java/spec.alpha.jar /usr/share/java/core.specs.alpha.jar"
for jar in $jars; do
  [ -r "$jar" ] || { echo "bench: $jar missing (apt-get install clojure)" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"

printf 'mainclass %s\njre_order e\ncds auto\nargv -e "(+ 1 2)"\n' "$main" > "$work/pack.cfg"
# shellcheck disable=SC2046
"$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/pack.cfg" \
  $(for jar in $jars; do printf -- '--jar %s ' "$jar"; done) --output "$work/clojure-cds" >/dev/null
rm -f "$work/pack.cfg"

export JAVA_HOME="$jdk" XDG_CACHE_HOME="$work/cache"
unset JRE_HOME CLASSPATH CLASS_PATH JAVA_TOOL_OPTIONS || true
class_path=$(echo $jars | tr ' ' ':')
reference="'$jdk/bin/java' -cp '$class_path' $main -e '(+ 1 2)'"
[ "$("$work/clojure-cds")" = 3 ] || { echo "bench: packed Clojure does not print 3" >&2; exit 1; }
warm_cache "'$work/clojure-cds'" "$work/cache/wyn/cds"
compare_runs "packed Clojure -e, cds auto / java -cp (time)" "$runs" "'$work/clojure-cds'" "$reference"
