#!/bin/sh
# Makes, once, the Debian 11 (bullseye) sysroot that the Linux programs users run (the launcher
# stub and wynpack) are built against, so that they start on glibc 2.31 and later: the C
# library (glibc 2.31) and the C++ runtime of GCC 10 (libstdc++.a, libgcc.a, libgcc_eh.a),
# libzip (with the libraries it needs, for the linker), zlib and the sd-bus header, all from
# Debian 11's own packages. The build machine's GCC compiles and links with them
# (cmake/wyn_debian11_sysroot.cmake); the build machine's C library and C++ runtime would bring
# symbols of glibc 2.32 to 2.36 (arc4random, _dl_find_object, the merged libdl and libpthread,
# __libc_single_threaded), which older systems do not have.
#
# The packages are downloaded with apt-get under a private state (a source list naming only
# bullseye, checked with the Debian archive keys the build machine has), not installed, and
# extracted; absolute symbolic links are made relative so that they point into the sysroot.
# The sysroot is made in a temporary directory beside its place and renamed when complete.
# About 15 MB to download, 75 MB extracted.
# Usage: make-debian11-sysroot.sh (called by install-deps.sh)
set -e
cache=$(sh "$(dirname "$0")/cache-dir.sh")
sysroot="$cache/debian11-sysroot"
mirror=http://deb.debian.org/debian
packages="libc6 libc6-dev libcrypt1 libcrypt-dev linux-libc-dev libgcc-10-dev libstdc++-10-dev
          libzip4 libzip-dev zlib1g zlib1g-dev libbz2-1.0 libssl1.1 libsystemd-dev"

# Complete when it holds every package named above (the list may have grown since it was made).
complete=yes
for package in $packages; do
    grep -q "^$package " "$sysroot/packages" 2>/dev/null || complete=no
done
[ "$complete" = yes ] && exit 0

mkdir -p "$cache"
exec 9>"$sysroot.lock"
flock 9
# Temporary directories of interrupted runs (the lock says none is in use).
rm -rf "$sysroot".tmp.*
echo "wyn: making the Debian 11 sysroot in $sysroot"
work=$(mktemp -d "$sysroot.tmp.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts" \
         "$work/debs" "$work/root"
echo "deb $mirror bullseye main" >"$work/apt/sources.list"
: >"$work/apt/status"
apt_private() {
    apt-get -qq -o Dir::Etc::SourceList="$work/apt/sources.list" \
        -o Dir::Etc::SourceParts="$work/apt/parts" -o Dir::Etc::PreferencesParts="$work/apt/parts" \
        -o Dir::State::Lists="$work/apt/lists" -o Dir::State::status="$work/apt/status" \
        -o Dir::Cache="$work/apt/cache" -o APT::Architectures=amd64 -o APT::Architecture=amd64 \
        -o APT::Sandbox::User=root "$@"
}
if ! apt_private update >"$work/apt.log" 2>&1; then
    cat "$work/apt.log" >&2
    echo "wyn: could not read Debian 11's package index from $mirror" >&2
    exit 1
fi
# shellcheck disable=SC2086
if ! (cd "$work/debs" && apt_private download $packages >"$work/apt.log" 2>&1); then
    cat "$work/apt.log" >&2
    echo "wyn: could not download Debian 11's packages ($(echo $packages)) from $mirror" >&2
    exit 1
fi
for deb in "$work"/debs/*.deb; do
    dpkg-deb -x "$deb" "$work/root"
    dpkg-deb -W --showformat='${Package} ${Version}\n' "$deb" >>"$work/root/packages"
done
find "$work/root" -type l -lname '/*' | while read -r link; do
    target=$(readlink "$link")
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$work/root$target")" "$link"
done
chmod 755 "$work/root"
rm -rf "$sysroot"
mv "$work/root" "$sysroot"
echo "wyn: Debian 11 sysroot ready: $sysroot"
