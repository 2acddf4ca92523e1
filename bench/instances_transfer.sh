#!/bin/sh
# bench/instances_transfer.sh [ROUNDS] — how fast an object travels between two running
# instances: the time from sendObject of a 4 MiB byte array in one packed instance to its
# onReceive in the other (serialisation, 4097 chunks through the shared mailbox,
# deserialisation), as MB/s, and the time per chunk. Linux, with the real JDK; needs the
# linux tree built (make build-linux).
set -eu
rounds=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
jdk=${WYN_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
work=$(mktemp -d /tmp/wyn-bench-transfer-XXXXXX)
appid=wyn-bench-transfer-$$
trap 'touch "$work/stop"' EXIT
# The instances' shared block lives in the user's private directory: here one of the run's own.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

printf 'mainclass com.example.messages.MessagesApp\nappid %s\nsingleinstance custom\n' "$appid" > "$work/pack-app.cfg"
"$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/pack-app.cfg" \
  --jar "$build/test-apps/messages-app.jar" --output "$work/app" >/dev/null

command() {  # command NAME N TEXT
  printf '%s\n' "$3" > "$work/$1.cmd.$2.tmp" && mv "$work/$1.cmd.$2.tmp" "$work/$1.cmd.$2"
  until grep -q "^done.$2=yes" "$work/$1.out"; do sleep 0.01; done
}

JAVA_HOME=$jdk "$work/app" "$work" receiver > "$work/receiver.out" 2>&1 &
JAVA_HOME=$jdk "$work/app" "$work" sender > "$work/sender.out" 2>&1 &
until grep -q '^pid=' "$work/receiver.out" 2>/dev/null && grep -q '^pid=' "$work/sender.out" 2>/dev/null; do
  sleep 0.05
done
receiver=$(sed -n 's/^pid=//p' "$work/receiver.out")
command receiver 1 receiver

size=$((4 * 1024 * 1024))
for round in $(seq 1 "$rounds"); do
  command sender "$round" "send $receiver $size"
  until [ "$(grep -c '^gotAt=' "$work/receiver.out")" -ge "$round" ]; do sleep 0.01; done
  sent=$(sed -n "s/^sentAt.$round=//p" "$work/sender.out")
  got=$(sed -n 's/^gotAt=//p' "$work/receiver.out" | sed -n "${round}p")
  awk -v ns=$((got - sent)) -v bytes=$size 'BEGIN {
    chunks = int((bytes + 27 + 4 - 1) / 1024) + 1
    printf "4 MiB in %.1f ms: %.1f MB/s, %.1f us per chunk\n", ns / 1e6, bytes / (ns / 1e9) / 1e6, ns / 1e3 / chunks
  }'
done
command sender $((rounds + 1)) stop
command receiver 2 stop
