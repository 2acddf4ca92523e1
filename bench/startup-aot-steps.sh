#!/bin/sh
# The two steps of the ahead-of-time cache of `cds auto` (runtimes of release 25 and later),
# with Debian's Rhino running -e 'print(1+1)': the recording start against a plain start of
# the same packed program without `cds` (paired, each recording with an empty cache, the
# creation it starts waited for outside the measurement), then the creation on its own, as
# the launcher starts it: its wall time and peak memory (medians of 5). Other runtimes:
# nothing to measure. Needs the Linux tree and the `rhino` package.
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
jdk=${BENCH_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
release=$(runtime_release "$jdk")
if [ "${release:-0}" -lt 25 ]; then
  echo "runtime release ${release:-unknown}: no ahead-of-time cache, nothing to measure"
  exit 0
fi
build="$bench_root/build/linux"
jar=/usr/share/java/js.jar
work="$bench_out_dir/aot-steps"
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
pack plain ""
pack recording "cds auto
"
export JAVA_HOME="$jdk" XDG_CACHE_HOME="$work/cache"
unset JRE_HOME CLASSPATH CLASS_PATH JAVA_TOOL_OPTIONS JDK_JAVA_OPTIONS JDK_AOT_VM_OPTIONS || true
cache="$work/cache/wyn/cds"

wait_for_creation() {
  owner=$(cache_owner "$cache")
  while [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null; do sleep 0.2; done
}

: > "$work/samples"
i=0
while [ "$i" -lt "$runs" ]; do
  rm -rf "$work/cache"
  start=$(now_ns)
  "$work/recording" >/dev/null 2>&1 </dev/null
  recording=$(($(now_ns) - start))
  grep -q '^create ' "$cache"/*.owner 2>/dev/null || { echo "bench: the start did not record" >&2; exit 1; }
  wait_for_creation
  start=$(now_ns)
  "$work/plain" >/dev/null 2>&1 </dev/null
  plain=$(($(now_ns) - start))
  echo "$recording $plain" >> "$work/samples"
  i=$((i + 1))
done
awk '{ print $1 / $2 }' "$work/samples" | sort -g | awk -v k="$runs" \
  -v o="$(awk '{ print $1 / 1e6 }' "$work/samples" | median)" \
  -v r="$(awk '{ print $2 / 1e6 }' "$work/samples" | median)" '{ v[NR] = $1 } END {
  lo = int((NR + 3) / 4); hi = int((3 * NR + 3) / 4)
  m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "%-44s ours %9.1f ms  reference %9.1f ms  ratio %.3f (median of %d paired ratios, quartiles %.3f-%.3f)\n",
         "recording start / plain start, packed Rhino", o, r, m, k, v[lo], v[hi] }'

# The creation as the launcher starts it, from the configuration the last start recorded.
configuration=$(ls "$cache"/*.aotconf)
: > "$work/creation"
for i in 1 2 3 4 5; do
  /usr/bin/time -f '%e %M' -o "$work/one" "$jdk/bin/java" --enable-native-access=ALL-UNNAMED \
    -cp "$work/recording" -XX:AOTMode=create -XX:AOTConfiguration="$configuration" \
    -XX:AOTCache="$work/created.aot" >/dev/null 2>&1 </dev/null
  cat "$work/one" >> "$work/creation"
done
printf '%-44s %.2f s wall, %d KB peak memory (medians of 5; cache %d KB)\n' \
  "creation of the cache, packed Rhino" "$(awk '{ print $1 }' "$work/creation" | median)" \
  "$(awk '{ print $2 }' "$work/creation" | median)" "$(($(stat -c %s "$work/created.aot") / 1024))"
