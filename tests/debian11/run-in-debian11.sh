#!/bin/sh
# Runs the packer and a packed program on the oldest supported system: the Debian 11 root that
# cmake/make-debian11-root.sh makes (glibc 2.31, Debian 11's own JDK 17 and libzip), entered
# with chroot in a mount and process namespace of their own, where /proc is mounted and the
# files under test are bound to /mnt in the layout of dist/. There wynpack packs the hello
# example, and the packed program must start with Debian 11's runtime, run the classes of its
# own archive and print its arguments. The environment inside is a clean one, as a user's.
# Exits with 77 (skipped) and the reason where the root is missing or cannot be entered.
# Usage: run-in-debian11.sh WYNPACK STUB SUPPORT_JAR HELLO_JAR HELLO_CFG
set -u
root="$(sh "$(dirname "$0")/../../cmake/cache-dir.sh")/debian11-root"
oldest_glibc=2.31

skip() {
    echo "skipped: $*"
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ ! -e "$root/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so" ]; then
    reason=$(cat "$root.unavailable" 2>/dev/null) || reason="cmake/install-deps.sh has not made it (make deps)"
    skip "no Debian 11 root in $root: $reason"
fi
[ "$(id -u)" -eq 0 ] || skip "entering the Debian 11 root with chroot needs root"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The example's files apart from the output: a hello.cfg beside it would be read again as its
# external configuration.
mkdir -p "$work/bin" "$work/lib" "$work/stubs/linux-x86_64" "$work/example" "$work/app"
cp "$1" "$work/bin/wynpack" && cp "$2" "$work/stubs/linux-x86_64/wyn" &&
    cp "$3" "$work/lib/wyn-support.jar" && cp "$4" "$work/example/hello.jar" &&
    cp "$5" "$work/example/hello.cfg" || fail "cannot copy the files under test into $work"

# Runs a command inside the root, its output to $work/out and $work/err.
in_root() {
    unshare --mount --pid --fork --mount-proc="$root/proc" sh -c '
        mount --bind "$1" "$2/mnt" || exit 125
        root=$2
        shift 2
        exec chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 "$@"' \
        in_root "$work" "$root" "$@" >"$work/out" 2>"$work/err"
}
show() {
    echo "--- standard output:"
    cat "$work/out"
    echo "--- standard error:"
    cat "$work/err"
}

in_root /bin/true || skip "cannot enter $root: $(cat "$work/err")"

in_root /lib/x86_64-linux-gnu/libc.so.6
grep -q "release version $oldest_glibc\\." "$work/out" ||
    { show; fail "the root's C library is not glibc $oldest_glibc"; }

in_root /mnt/bin/wynpack --target linux-x86_64 --config /mnt/example/hello.cfg \
    --jar /mnt/example/hello.jar --output /mnt/app/hello
status=$?
show
[ "$status" -eq 0 ] || fail "wynpack ended with $status in the Debian 11 root"
grep -q "^wynpack: packed '/mnt/app/hello' for linux-x86_64: " "$work/out" ||
    fail "wynpack did not report the packed program"

in_root /mnt/app/hello first "second argument"
status=$?
show
[ "$status" -eq 0 ] || fail "the packed program ended with $status in the Debian 11 root"
for line in "Hello from a packed Java application!" "Java 17.*(Debian)" "4 argument(s):" \
    "  \\[0\\] --greeting" "  \\[1\\] from wyn" "  \\[2\\] first" "  \\[3\\] second argument" \
    "  wyn.app.path = /mnt/app/hello"; do
    grep -q "^$line\$" "$work/out" || fail "no line '$line' in the packed program's output"
done
echo "packed and ran the hello example on glibc $oldest_glibc with Debian 11's JDK 17"
