#!/bin/sh
# Follows every branch of x86-probe.sh with stand-ins for wine64, whatever this machine's
# kernel can run:
#  - the probe runs: the command runs and its exit status is passed on;
#  - the probe fails and the kernel runs no 32-bit code: skipped (77) with the reason, and the
#    command does not run;
#  - the probe fails although the kernel runs 32-bit code: failed (1), with the probe's output;
#  - the real kernel answers 32-bit or no-32-bit, and the verdict follows it.
set -u
probe_script=$(dirname "$0")/x86-probe.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

cat >"$work/wine-ok" <<'WINE'
#!/bin/sh
echo "wyn-x86-probe: 32-bit code runs"
WINE
cat >"$work/wine-refused" <<'WINE'
#!/bin/sh
echo "Application could not be started, or no application associated with the specified file."
echo "ShellExecuteEx failed: Internal error."
exit 1
WINE
chmod +x "$work/wine-ok" "$work/wine-refused"

# expect <name> <expected status> <text expected in the output or ""> <kernel answer or "">
#        <wine stand-in> <command...>
expect() {
  name=$1 want_status=$2 want_text=$3 kernel=$4 wine=$5
  shift 5
  rm -f "$work/ran"
  output=$(WYN_X86_KERNEL=$kernel "$probe_script" "$work/$wine" probe.exe "$@" 2>&1)
  status=$?
  if [ "$status" -ne "$want_status" ]; then
    echo "FAIL $name: exit status $status, expected $want_status; output: $output"
    failures=$((failures + 1))
  elif [ -n "$want_text" ] && ! printf '%s' "$output" | grep -qF "$want_text"; then
    echo "FAIL $name: output lacks \"$want_text\": $output"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

expect "command runs when the probe runs" 3 "" "" wine-ok sh -c 'touch "$0"; exit 3' "$work/ran"
[ -e "$work/ran" ] || { echo "FAIL the command did not run"; failures=$((failures + 1)); }

expect "skipped without 32-bit support" 77 "this machine's kernel does not run 32-bit code" \
  no-32-bit wine-refused sh -c 'touch "$0"' "$work/ran"
[ -e "$work/ran" ] && { echo "FAIL a skipped test ran its command"; failures=$((failures + 1)); }

expect "failed when wine alone is at fault" 1 "ShellExecuteEx failed" 32-bit wine-refused true

# The kernel's real answer decides between the last two.
if "$(dirname "$0")/kernel-runs-32-bit.sh"; then
  echo "this machine's kernel runs 32-bit code"
  expect "the real kernel's answer: wine at fault" 1 "although this machine's kernel runs" "" wine-refused true
else
  echo "this machine's kernel does not run 32-bit code"
  expect "the real kernel's answer: skipped" 77 "does not run 32-bit code" "" wine-refused true
fi

[ $failures -eq 0 ] || exit 1
echo "x86-probe: every branch as expected"
