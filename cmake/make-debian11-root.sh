#!/bin/sh
# Makes, once, the Debian 11 (bullseye) root in which the packed Linux program is tested on
# the oldest C library it supports: a minimal system made by debootstrap from Debian's archive,
# with that system's own JDK 17 (openjdk-17-jre-headless) and libzip (libzip4, which wynpack
# needs). About 4 minutes and 700 MB.
#
# The root is made in a temporary directory beside its place and renamed when complete, so an
# interrupted run never leaves a half root that a later test would use. Where it cannot be
# made (not root, no room, no way to the archive) the reason goes into debian11-root.unavailable
# beside it, the test that needs it reports that reason as its skip, and this script still
# succeeds: the build does not need the root.
# Usage: make-debian11-root.sh (as root; called by install-deps.sh)
set -e
cache=$(sh "$(dirname "$0")/cache-dir.sh")
root="$cache/debian11-root"
reason_file="$root.unavailable"
jvm=usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so
libzip=usr/lib/x86_64-linux-gnu/libzip.so.4
mirror=http://deb.debian.org/debian
needed_kib=1500000

complete() { [ -e "$1/$jvm" ] && [ -e "$1/$libzip" ]; }
complete "$root" && exit 0

unavailable() {
    echo "wyn: no Debian 11 test root: $*" >&2
    echo "$*" >"$reason_file"
    exit 0
}

# Unmounts whatever debootstrap left mounted under a directory (/proc, /sys, a bound /dev),
# deepest first.
unmount_under() {
    awk -v dir="$1/" 'index($2 "/", dir) == 1 { print $2 }' /proc/mounts | sort -r |
        while read -r mount_point; do umount -l "$mount_point" || true; done
}

# Removes a directory without crossing into a file system mounted inside it.
remove_tree() {
    unmount_under "$1"
    rm -rf --one-file-system "$1"
}

[ "$(id -u)" -eq 0 ] || unavailable "debootstrap needs root (run: sudo sh cmake/install-deps.sh)"
command -v debootstrap >/dev/null 2>&1 || unavailable "debootstrap is not installed"
mkdir -p "$cache"
available_kib=$(df -Pk "$cache" | awk 'NR == 2 { print $4 }')
[ "$available_kib" -ge "$needed_kib" ] ||
    unavailable "only ${available_kib} KiB free in $cache, debootstrap needs about ${needed_kib} KiB"

exec 9>"$root.lock"
flock 9
complete "$root" && exit 0
# Temporary roots of interrupted runs (the lock says none is in use).
for stale in "$root".tmp.*; do
    [ -d "$stale" ] && remove_tree "$stale"
done

echo "wyn: making the Debian 11 test root in $root (debootstrap, about 4 minutes)"
work=$(mktemp -d "$root.tmp.XXXXXX")
log="$root.log"
trap 'remove_tree "$work"' EXIT
if ! debootstrap --variant=minbase --include=openjdk-17-jre-headless,libzip4 bullseye "$work" "$mirror" \
        >"$log" 2>&1; then
    unavailable "debootstrap bullseye from $mirror failed ($(grep -E '^[EW]:' "$log" | tail -n 1)); its log: $log"
fi
complete "$work" || unavailable "debootstrap made a root without $jvm or $libzip; its log: $log"
rm -f "$work"/var/cache/apt/archives/*.deb
unmount_under "$work"
chmod 755 "$work"
# A root of an older list of packages goes only once the new one is in place.
[ -e "$root" ] && mv "$root" "$root.tmp.old"
mv "$work" "$root"
trap - EXIT
remove_tree "$root.tmp.old"
rm -f "$reason_file"
echo "wyn: Debian 11 test root ready: $root"
