#!/bin/sh
# Runs tools/checks/check-includes.sh over small made-up trees, one case per rule, and fails
# naming each case whose exit status or message is not the expected one.
#
#   check_includes_test.sh CHECK-SCRIPT
set -u
check="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
cases=0

# run_case NAME EXPECTED-STATUS EXPECTED-MESSAGE FILE:INCLUDE...
# Every FILE (below src/ or tools/) gets one line '#include "INCLUDE"'; an empty message
# expects the check's success line.
run_case() {
    name="$1" expected="$2" message="$3"
    shift 3
    cases=$((cases + 1))
    tree="$scratch/$cases"
    mkdir -p "$tree/src/base" "$tree/tools/wynpack"
    echo '#pragma once' >"$tree/src/base/text.h"
    for inclusion in "$@"; do
        file="$tree/${inclusion%%:*}"
        mkdir -p "$(dirname "$file")"
        printf '#include "%s"\n' "${inclusion#*:}" >>"$file"
    done
    output=$(sh "$check" "$tree/src" "$tree/tools" 2>&1)
    status=$?
    [ -z "$message" ] && message="include order: every room includes only rooms below it"
    if [ "$status" -ne "$expected" ]; then
        echo "FAIL $name: status $status, expected $expected; output: $output"
        failures=$((failures + 1))
    elif ! printf '%s\n' "$output" | grep -qF -- "$message"; then
        echo "FAIL $name: output lacks \"$message\": $output"
        failures=$((failures + 1))
    fi
}

run_case "a room includes base" 0 "" "src/format/a.cpp:base/text.h"
run_case "config includes format" 0 "" "src/config/a.cpp:format/zip_records.h"
run_case "format includes platform, its own level" 1 \
    "src/format/a.cpp:1: the format room includes platform, which is not below it" \
    "src/format/a.cpp:platform/files.h"
run_case "platform includes format, its own level" 1 \
    "the platform room includes format, which is not below it" "src/platform/a.cpp:format/a.h"
run_case "format includes config, above it" 1 \
    "the format room includes config, which is not below it" "src/format/a.h:config/payload.h"
run_case "a file outside every room" 1 "src/elsewhere/a.cpp: not in a known room" \
    "src/elsewhere/a.cpp:base/text.h"
run_case "the packer includes format and base" 0 "" "tools/wynpack/a.cpp:format/zip_records.h" \
    "tools/wynpack/b.cpp:base/version.h" "tools/wynpack/c.cpp:a.h"
run_case "the packer includes config" 1 \
    "tools/wynpack/a.cpp:1: the tool wynpack includes config, which is not format or base" \
    "tools/wynpack/a.cpp:config/payload.h"
run_case "a packer unit test includes platform" 1 \
    "the tool wynpack includes platform, which is not format or base" \
    "tools/wynpack/a_test.cpp:platform/files.h"
run_case "another tool includes launcher" 1 \
    "the tool other includes launcher, which is not format or base" \
    "tools/other/deep/a.h:launcher/startup.h"
run_case "a tool's suites read its output with the launcher" 0 "" \
    "tools/wynpack/tests/a_test.cpp:config/payload.h"

echo "$((cases - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
