#!/bin/sh
# Runs a test of the x86 tree where this machine can execute 32-bit Windows code, and reports
# it skipped where the kernel cannot:
#
#   x86-probe.sh <wine> <probe.exe> <command> [args...]
#
# wine64 runs 32-bit programs in its WoW64 mode, which still executes their code in the CPU's
# 32-bit compatibility mode: a kernel without 32-bit support (ia32 emulation off) refuses it,
# and Wine answers "Application could not be started". Whether a machine has it differs from
# one machine to the next, and a build tree can outlive the machine it was made on, so the
# question is asked when the test runs, not when the tree is configured.
#
# The probe (tests/harness/x86_probe.c) is a 32-bit Windows program of its own, run under the
# same wine64 with the same environment. When it runs, the command runs and its status is the
# test's. When it does not, a minimal 32-bit Linux program asks the kernel directly
# (kernel-runs-32-bit.sh):
#  - the kernel refuses it too: the test is skipped (exit status 77, the tree's
#    SKIP_RETURN_CODE), with the reason on standard output;
#  - the kernel runs it: Wine itself cannot run 32-bit programs here, which is a fault of the
#    set-up, not of the machine: the test fails with what the probe printed.
# WYN_X86_KERNEL=32-bit or no-32-bit stands in for the kernel's answer (the harness's own test
# uses it to follow both branches on any machine).
set -u
wine=$1
probe=$2
shift 2

probe_output=$("$wine" "$probe" 2>&1)
probe_status=$?
case $probe_output in
  *"wyn-x86-probe: 32-bit code runs"*) exec "$@" ;;
esac

kernel_answer() {
  if [ -n "${WYN_X86_KERNEL:-}" ]; then
    echo "$WYN_X86_KERNEL"
  elif "$(dirname "$0")/kernel-runs-32-bit.sh"; then
    echo 32-bit
  else
    echo no-32-bit
  fi
}

if [ "$(kernel_answer)" = no-32-bit ]; then
  echo "SKIP: this machine's kernel does not run 32-bit code, so wine64 cannot run the x86" \
       "programs of this test (a 32-bit program gets \"Exec format error\"); the x86 build and" \
       "its PE checks still ran"
  exit 77
fi
echo "x86-probe: the 32-bit probe failed under $wine (exit status $probe_status) although this" \
     "machine's kernel runs 32-bit code; check WINEDLLPATH and the 32-bit DLLs" \
     "(cmake/install-deps.sh). The probe printed:" >&2
printf '%s\n' "$probe_output" >&2
exit 1
