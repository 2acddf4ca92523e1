#!/bin/sh
# The runtime carried inside the executable, with a runtime that jlink links from the JDK
# under test (java.base,java.desktop, the way --jlink links it: --strip-debug
# --no-header-files --no-man-pages --generate-cds-archive, no jlink compression):
#   (a) size: the packed hello world against that runtime zipped at the best level
#       (`zip -9 -r`) plus the application's jar; goal at most 1.05
#   (b) first start, extraction included: the median of several starts, each with an empty
#       cache; goal at most 1.5 s
#   (c) later starts against the same runtime as a jre/ beside the program (paired); goal at
#       most 1.05
# (b) and (c) need a stub that extracts a carried runtime; with an older stub only (a) is
# measured, with the capability text appended to the stub (which adds 40 bytes). Needs the
# Linux tree (make build-linux) and `zip`.
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
jdk=${BENCH_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
build="$bench_root/build/linux"
work="$bench_out_dir/embedded-runtime"
capability='wyn-stub-capability: embedded-runtime/1'
command -v zip >/dev/null || { echo "bench: zip missing (apt-get install zip)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"

# The runtime: java.base and java.desktop (what the support classes need) from the JDK.
cds=--generate-cds-archive
[ "$(runtime_release "$jdk")" -ge 17 ] || cds=
"$jdk/bin/jlink" --add-modules java.base,java.desktop --strip-debug --no-header-files \
  --no-man-pages $cds --output "$work/runtime" >/dev/null 2>&1

stub="$build/src/wyn"
can_extract=yes
if ! grep -qa "$capability" "$stub"; then
  can_extract=no
  cp "$stub" "$work/stub"
  printf '%s\000' "$capability" >> "$work/stub"
  stub="$work/stub"
fi

printf 'mainclass com.example.hello.Hello\njre_order r\n' > "$work/embedded.cfg"
"$build/bin/wynpack" --stub "$stub" --config "$work/embedded.cfg" \
  --jar "$build/examples/hello.jar" --runtime "$work/runtime" --output "$work/embedded" \
  >/dev/null 2>&1
mkdir -p "$work/beside"
cp -R "$work/runtime" "$work/beside/jre"
printf 'mainclass com.example.hello.Hello\njre_order b\n' > "$work/beside.cfg"
"$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/beside.cfg" \
  --jar "$build/examples/hello.jar" --output "$work/beside/hello" >/dev/null

# (a) The size against the runtime zipped at the best level plus the application's jar.
(cd "$work/runtime" && zip -q -9 -r "$work/runtime.zip" .)
packed=$(stat -c %s "$work/embedded")
zipped=$(stat -c %s "$work/runtime.zip")
jar=$(stat -c %s "$build/examples/hello.jar")
stub_size=$(stat -c %s "$build/src/wyn")
runtime_size=$(du -sb "$work/runtime" | cut -f1)
awk -v p="$packed" -v z="$zipped" -v j="$jar" -v s="$stub_size" -v r="$runtime_size" 'BEGIN {
  printf "%-44s packed %.2f MB  runtime zip -9 + jar %.2f MB  ratio %.3f (goal <= 1.05; the stub is %.2f MB of it; runtime unpacked %.1f MB)\n",
         "size: packed / zip -9 runtime + jar", p / 1e6, (z + j) / 1e6, p / (z + j), s / 1e6, r / 1e6 }'

if [ "$can_extract" = no ]; then
  echo "first and later starts: skipped, the stub cannot extract a carried runtime"
  exit 0
fi

unset JRE_HOME JAVA_HOME CLASSPATH CLASS_PATH JAVA_TOOL_OPTIONS || true
# (b) First starts: each with an empty cache, so each extracts the runtime.
first_runs=$(( runs < 7 ? runs : 7 ))
samples="$work/first-starts"
: > "$samples"
i=0
while [ "$i" -lt "$first_runs" ]; do
  rm -rf "$work/cache"
  start=$(now_ns)
  output=$(XDG_CACHE_HOME="$work/cache" "$work/embedded" 2>&1 </dev/null || true)
  end=$(now_ns)
  case "$output" in
    *Hello*) ;;
    *) echo "bench: the first start did not run the application: $output" >&2; exit 1 ;;
  esac
  [ -d "$work/cache/wyn/runtimes" ] || {
    echo "bench: the first start extracted nothing into $work/cache/wyn/runtimes" >&2
    exit 1
  }
  echo $((end - start)) >> "$samples"
  i=$((i + 1))
done
awk '{ print $1 / 1e6 }' "$samples" | median | awk -v n="$first_runs" '{
  printf "%-44s %9.1f ms (median of %d, each with an empty cache; goal <= 1500 ms)\n",
         "first start, extraction included", $1, n }'

# (c) Later starts: the extracted copy against the same runtime as jre/ beside the program.
export XDG_CACHE_HOME="$work/cache"
compare_runs "carried runtime, extracted / jre beside (time)" "$runs" \
  "'$work/embedded'" "'$work/beside/hello'"
