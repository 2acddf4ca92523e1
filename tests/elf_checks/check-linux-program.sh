#!/bin/sh
# Checks a Linux program that users run (the launcher stub, wynpack) with objdump: every shared
# library it needs belongs to the C library (the C++ runtime and libgcc are linked in) or is
# named as allowed, and no symbol asks for a C library newer than the oldest one README
# promises. Prints the newest glibc version the program asks for.
# Usage: check-linux-program.sh PROGRAM OLDEST_GLIBC [ALLOWED_LIBRARY...]
program="$1"
oldest="$2"
shift 2
status=0
needed=$(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }')
if [ -z "$needed" ]; then
    echo "no dynamic dependencies found in $program" >&2
    exit 1
fi
for library in $needed; do
    case " libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 ld-linux-x86-64.so.2 $* " in
        *" $library "*) ;;
        *)
            echo "$program needs $library, which is not part of the C library" >&2
            status=1
            ;;
    esac
done
newest=$(objdump -T "$program" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/GLIBC_//' | sort -uV | tail -n 1)
if [ -z "$newest" ]; then
    echo "no versioned C library symbols found in $program" >&2
    exit 1
fi
echo "$program: newest C library version asked for: glibc $newest (oldest supported: $oldest)"
if [ "$(printf '%s\n%s\n' "$newest" "$oldest" | sort -V | tail -n 1)" != "$oldest" ]; then
    echo "$program needs glibc $newest, newer than the $oldest that README states; the newer symbols:" >&2
    objdump -T "$program" |
        sed -n 's/.*GLIBC_\([0-9][0-9.]*\))\{0,1\}[[:space:]]\{1,\}\([^[:space:]]*\)$/\1 \2/p' |
        while read -r version symbol; do
            if [ "$(printf '%s\n%s\n' "$version" "$oldest" | sort -V | tail -n 1)" != "$oldest" ]; then
                echo "  $symbol (GLIBC_$version)" >&2
            fi
        done
    status=1
fi
exit $status
