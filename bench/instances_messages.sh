#!/bin/sh
# bench/instances_messages.sh [COUNT] — messages between running instances with the real JDK
# on Linux (needs the linux tree built):
#  1. three senders each burst COUNT (default 2000) strings of about 100 bytes at one receiver
#     whose onReceive takes 1 ms, while an idle first instance watches: whether all arrive,
#     in order per sender and none twice, and how long the whole took;
#  2. a receiver blocks 10 s in its first onReceive while a sender bursts COUNT strings at it:
#     how long the sender's flush took (its queue going out while the receiver blocks), and
#     how long after the receiver returned the last string arrived;
#  3. the rate of small objects between two instances: COUNT * 5 strings, from the sender's
#     first sendObject to the last onReceive, as messages per second.
set -eu
count=${1:-2000}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
jdk=${WYN_JDK:-/usr/lib/jvm/java-17-openjdk-amd64}
work=$(mktemp -d /tmp/wyn-bench-messages-XXXXXX)
appid=wyn-bench-messages-$$
names=""
cleanup() {
  for name in $names; do
    [ -e "$work/$name.cmd.stop" ] || printf 'stop\n' > "$work/$name.cmd.$(($(cat "$work/$name.n") + 1))"
  done
}
trap cleanup EXIT
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"

printf 'mainclass com.example.messages.MessagesApp\nappid %s\nsingleinstance custom\n' "$appid" > "$work/pack-app.cfg"
"$build/bin/wynpack" --stub "$build/src/wyn" --config "$work/pack-app.cfg" \
  --jar "$build/test-apps/messages-app.jar" --output "$work/app" >/dev/null

start() {  # start NAME: runs an instance and waits until it has joined
  names="$names $1"
  echo 0 > "$work/$1.n"
  JAVA_HOME=$jdk "$work/app" "$work" "$1" > "$work/$1.out" 2>&1 &
  until grep -q '^pid=' "$work/$1.out" 2>/dev/null; do sleep 0.05; done
}
pid_of() { sed -n 's/^pid=//p' "$work/$1.out"; }
command() {  # command NAME TEXT: runs one command and waits for it; prints its number
  n=$(($(cat "$work/$1.n") + 1))
  echo "$n" > "$work/$1.n"
  printf '%s\n' "$2" > "$work/$1.cmd.$n.tmp" && mv "$work/$1.cmd.$n.tmp" "$work/$1.cmd.$n"
  until grep -q "^done.$n=yes" "$work/$1.out"; do sleep 0.01; done
  echo "$n"
}
received() { grep -c "^got from=$2 " "$work/$1.out" || true; }
wait_received() {  # wait_received RECEIVER SENDER_PID COUNT
  until [ "$(received "$1" "$2")" -ge "$3" ]; do sleep 0.05; done
}
# Whether RECEIVER got 0..COUNT-1 from SENDER_PID exactly once each, in order.
in_order() {
  grep "^got from=$2 " "$work/$1.out" | sed 's/.*value=burst-\([0-9]*\):.*/\1/' |
    awk -v count="$3" '$1 != NR - 1 { bad = 1 } END { print (bad || NR != count) ? "NO" : "yes" }'
}
last_at() { grep "^got from=$2 " "$work/$1.out" | tail -1 | sed 's/.* at=//'; }

start first
start receiver
start a
start b
start c
receiver=$(pid_of receiver)
command receiver "receiver 1" >/dev/null
begin=$(date +%s%N)
for s in a b c; do command $s "burst $receiver $count" >/dev/null; done
for s in a b c; do wait_received receiver "$(pid_of $s)" "$count"; done
end=$(date +%s%N)
for s in a b c; do
  echo "bursts: sender $s: $(received receiver "$(pid_of $s)") of $count arrived, in order and once each: $(in_order receiver "$(pid_of $s)" "$count")"
done
awk -v ns=$((end - begin)) -v n=$((3 * count)) 'BEGIN { printf "bursts: %d objects to a receiver taking 1 ms each in %.2f s\n", n, ns / 1e9 }'

start blocked
blocked=$(pid_of blocked)
command blocked "blockonce 10000" >/dev/null
n=$(command a "burst $blocked $count")
n=$(command a "flush")
flushed=$(sed -n "s/^flushed.$n=//p" "$work/a.out")
wait_received blocked "$(pid_of a)" "$count"
unblocked=$(sed -n 's/^unblockedAt=//p' "$work/blocked.out")
last=$(last_at blocked "$(pid_of a)")
echo "blocking receiver: $(received blocked "$(pid_of a)") of $count arrived, in order and once each: $(in_order blocked "$(pid_of a)" "$count")"
echo "blocking receiver: the sender's flush returned after $flushed ms while the receiver blocked"
awk -v ns=$((last - unblocked)) 'BEGIN { printf "blocking receiver: the last object arrived %.1f ms after onReceive returned\n", ns / 1e6 }'

rate=$((count * 5))
command first "receiver" >/dev/null
n=$(command b "burst $(pid_of first) $rate")
sent=$(sed -n "s/^sentAt.$n=//p" "$work/b.out")
wait_received first "$(pid_of b)" "$rate"
last=$(last_at first "$(pid_of b)")
echo "rate: $(received first "$(pid_of b)") of $rate arrived, in order and once each: $(in_order first "$(pid_of b)" "$rate")"
awk -v ns=$((last - sent)) -v n="$rate" 'BEGIN { printf "rate: %d objects of about 100 bytes in %.2f s: %.0f per second\n", n, ns / 1e9, n / (ns / 1e9) }'
for name in $names; do command "$name" stop >/dev/null; touch "$work/$name.cmd.stop"; done
