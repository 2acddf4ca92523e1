#!/bin/sh
# Exits with 0 where this machine's kernel runs 32-bit x86 code, 1 where it does not: it runs
# a 96-byte static 32-bit ELF program that only exits with status 7. Without ia32 emulation the
# kernel refuses it ("Exec format error").
elf=$(mktemp)
trap 'rm -f "$elf"' EXIT
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\007\000\000\000\315\200' >"$elf"
chmod 700 "$elf"
"$elf" >/dev/null 2>&1
[ $? -eq 7 ]
