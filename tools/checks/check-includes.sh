#!/bin/sh
# Fails, naming each file and line, when a room of src/ includes a room above it. Rooms stack
# one way: base <- platform, format <- config <- runtime, args_output <- splash, instances, tray <-
# launcher; rooms on one level do not include each other. Tests beside the code follow the
# same rule. resources/ holds data that any room may include.
set -u
src="${1:-$(dirname "$0")/../../src}"
level() {
    case "$1" in
    base) echo 0 ;;
    platform | format) echo 1 ;;
    config) echo 2 ;;
    runtime | args_output) echo 3 ;;
    splash | instances | tray) echo 4 ;;
    launcher) echo 5 ;;
    resources) echo -1 ;;
    *) echo "" ;;
    esac
}
status=0
for file in $(find "$src" -name '*.cpp' -o -name '*.h' | sort); do
    room=${file#"$src"/}
    room=${room%%/*}
    own=$(level "$room")
    if [ -z "$own" ]; then
        echo "$file: not in a known room" >&2
        status=1
        continue
    fi
    grep -n '^#include "' "$file" | while IFS= read -r line; do
        target=${line#*#include \"}
        target=${target%%/*}
        case "$target" in *\"*) continue ;; esac
        other=$(level "$target")
        [ -z "$other" ] && continue
        if [ "$target" != "$room" ] && [ "$other" -ge "$own" ]; then
            echo "$file:${line%%:*}: the $room room includes $target, which is not below it" >&2
            echo x
        fi
    done | grep -q x && status=1
done
[ $status -eq 0 ] && echo "include order: every room includes only rooms below it"
exit $status
