#!/bin/sh
# Checks the Linux launcher stub with objdump: every shared library it needs belongs to the C
# library (the C++ runtime and libgcc are linked in), and no symbol asks for a C library newer
# than the oldest one README promises.
# Usage: check-linux-stub.sh STUB OLDEST_GLIBC
stub="$1"
oldest="$2"
status=0
needed=$(objdump -p "$stub" | awk '$1 == "NEEDED" { print $2 }')
if [ -z "$needed" ]; then
    echo "no dynamic dependencies found in $stub" >&2
    exit 1
fi
for library in $needed; do
    case "$library" in
        libc.so.6 | libm.so.6 | libdl.so.2 | libpthread.so.0 | ld-linux-x86-64.so.2) ;;
        *)
            echo "$stub needs $library, which is not part of the C library" >&2
            status=1
            ;;
    esac
done
newest=$(objdump -T "$stub" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/GLIBC_//' | sort -uV | tail -n 1)
if [ -z "$newest" ]; then
    echo "no versioned C library symbols found in $stub" >&2
    exit 1
fi
if [ "$(printf '%s\n%s\n' "$newest" "$oldest" | sort -V | tail -n 1)" != "$oldest" ]; then
    echo "$stub needs glibc $newest, newer than the $oldest that README states" >&2
    status=1
fi
exit $status
