#!/bin/sh
# Checks that a launcher stub carries the capability text by which the packer tells a stub
# that can unpack a Java runtime carried inside the program from an older one.
# Usage: check-stub-capability.sh STUB
if grep -q -a -F "wyn-stub-capability: embedded-runtime/1" "$1"; then
    echo "$1 carries the embedded-runtime capability"
    exit 0
fi
echo "$1 lacks the text wyn-stub-capability: embedded-runtime/1" >&2
exit 1
