#!/bin/sh
# Class path assembly of a `libs` tree of 20,000 jars in 1,000 directories against `find`
# listing the same tree. Needs the Linux tree; `make bench` runs it.
set -eu
. "$(dirname "$0")/lib.sh"
runs=${BENCH_RUNS:-15}
build="$bench_root/build/linux"
tree="$bench_out_dir/class-path"

if [ ! -e "$tree/done" ]; then
  rm -rf "$tree"
  for group in $(seq -w 0 49); do
    for leaf in $(seq -w 0 19); do
      dir="$tree/libs/g$group/d$leaf"
      mkdir -p "$dir"
      (cd "$dir" && touch $(seq -f 'lib%02g.jar' 0 19))
    done
  done
  echo "not an executable" > "$tree/app"
  echo "libs $tree/libs" > "$tree/app.cfg"
  touch "$tree/done"
fi

count=$(find "$tree/libs" -name '*.jar' | wc -l)
entries=$("$build/bench/class_path/wyn_class_path_bench" "$tree/app" | tr ':' '\n' | grep -c '\.jar$')
[ "$count" -eq "$entries" ] || { echo "bench: $entries class path entries for $count jars" >&2; exit 1; }
compare_runs "class path of $count jars / find (time)" "$runs" \
  "'$build/bench/class_path/wyn_class_path_bench' '$tree/app'" "find '$tree/libs' -name '*.jar'"
