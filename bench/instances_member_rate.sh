#!/bin/sh
# bench/instances_member_rate.sh [TREE] [COUNT] — the rate of small messages between two
# registry members (tests/instances/instance_member: the launcher's own registry and mailbox
# code without a virtual machine): COUNT (default 10000) bodies of 100 bytes from one member
# to another, from the burst command to the last one received, as messages per second.
# TREE is linux (default) or windows-x86_64, whose members run under Wine; the tree must be
# built.
set -eu
tree=${1:-linux}
count=${2:-10000}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/$tree
work=$(mktemp -d /tmp/wyn-bench-rate-XXXXXX)
appid=wyn-bench-rate-$$
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
if [ "$tree" = linux ]; then
  run_member() { "$build/tests/instances/instance_member" "$appid"; }
else
  export WINEDEBUG=-all WINEPREFIX="$build/wineprefix"
  run_member() { "${WINE:-/usr/lib/wine/wine64}" "$build/tests/instances/instance_member.exe" "$appid"; }
fi

start() {  # start NAME: a member reading commands from the fifo NAME.in
  mkfifo "$work/$1.in"
  run_member < "$work/$1.in" > "$work/$1.out" 2>&1 &
}
start receiver
start sender
exec 3> "$work/receiver.in" 4> "$work/sender.in"
trap 'echo quit >&3; echo quit >&4' EXIT
until grep -q '^joined' "$work/receiver.out" 2>/dev/null && grep -q '^joined' "$work/sender.out" 2>/dev/null; do
  sleep 0.05
done
echo custom >&3
echo custom >&4
until grep -q '^custom' "$work/receiver.out" && grep -q '^custom' "$work/sender.out"; do sleep 0.05; done
receiver=$(sed -n 's/^joined.* self=\([0-9]*\).*/\1/p' "$work/receiver.out")
begin=$(date +%s%N)
echo "burst $receiver $count 100" >&4
until [ "$(grep -c '^received .* size=100 intact=1' "$work/receiver.out")" -ge "$count" ]; do sleep 0.02; done
end=$(date +%s%N)
awk -v ns=$((end - begin)) -v n="$count" -v tree="$tree" 'BEGIN {
  printf "%s: %d messages of 100 bytes between two members in %.2f s: %.0f per second\n", tree, n, ns / 1e9, n / (ns / 1e9)
}'
