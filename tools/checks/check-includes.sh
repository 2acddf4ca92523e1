#!/bin/sh
# Fails, naming each file and line, when a room of src/ includes a room above it, or when the
# tools include more of src/ than the formats room and base.
#
# Rooms stack one way: base <- platform, format <- config <- runtime, args_output <- splash,
# instances, tray <- launcher; rooms on one level do not include each other. Tests beside the
# code follow the same rule. resources/ holds data that any room may include. The tools'
# code and the unit tests beside it may include from src/ only format/ and base/, the rooms
# that work on bytes and text without the launcher's system services; a tool's tests/ folder
# holds suites that read the tool's output back with the launcher's own readers, and, like
# the suites of the top-level tests/, may include any room.
#
#   check-includes.sh [SRC-DIR [TOOLS-DIR]]
#
# Defaults: the src/ and tools/ of the tree that holds this script.
set -u
root="$(dirname "$0")/../.."
src="${1:-$root/src}"
tools="${2:-$root/tools}"
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
for dir in "$src" "$tools"; do
    if [ ! -d "$dir" ]; then
        echo "$dir: no such directory" >&2
        exit 1
    fi
done
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
for file in $(find "$tools" -name '*.cpp' -o -name '*.h' | sort); do
    tool=${file#"$tools"/}
    case "/$tool" in */tests/*) continue ;; esac
    tool=${tool%%/*}
    grep -n '^#include "' "$file" | while IFS= read -r line; do
        target=${line#*#include \"}
        target=${target%%/*}
        case "$target" in *\"*) continue ;; esac
        [ -z "$(level "$target")" ] && continue
        if [ "$target" != format ] && [ "$target" != base ]; then
            echo "$file:${line%%:*}: the tool $tool includes $target, which is not format or base" >&2
            echo x
        fi
    done | grep -q x && status=1
done
[ $status -eq 0 ] &&
    echo "include order: every room includes only rooms below it, the tools only format and base"
exit $status
