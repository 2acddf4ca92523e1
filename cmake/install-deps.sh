#!/bin/sh
# Installs what the build and the tests need on a Debian 12 machine, and the packages named
# as arguments (the benchmarks' own, for example).
# As root it runs `apt-get update` once and installs the missing packages;
# as any other user it names the missing packages and stops.
#
# Made once in wyn's cache directory (cmake/cache-dir.sh), kept by `make clean`:
#   debian11-sysroot/  Debian 11's C library and C++ runtime, which the Linux stub and wynpack
#                      are built against (make-debian11-sysroot.sh; the build needs it)
#   debian11-root/     a Debian 11 system with its JDK 17, where the packed program is tested
#                      on the oldest supported C library (make-debian11-root.sh; where it
#                      cannot be made, that test is skipped and says why)
#
# The x86 Windows tests run 32-bit programs under wine64's WoW64 mode, which needs the
# 32-bit Windows-side DLLs of libwine:i386 (the same version as the installed wine64). The
# package is downloaded and extracted, not installed, into the directory that
# cmake/wine-wow64-dir.sh names, which WINEDLLPATH then points at:
#   i386-windows/  the package's 32-bit Windows DLLs (the rest of the package is dropped)
#   x86_64-unix -> the installed 64-bit Unix side (without it DLLs such as ws2_32 fail)
set -e

# `apt-get update`, tolerant of a mirror in the middle of a sync: an index that arrives with
# the wrong size fails the whole update (exit status 100, "Mirror sync in progress?"), though
# the packages needed here usually come from other indexes. The update is tried again a few
# times with a pause; if indexes still fail, the run goes on with what apt has, and the
# install or download that follows says clearly what could not be had.
apt_update() {
  update_log=$(mktemp)
  for attempt in 1 2 3 4; do
    if apt-get update -qq >"$update_log" 2>&1; then
      rm -f "$update_log"
      return 0
    fi
    [ "$attempt" -lt 4 ] && sleep $((attempt * 10))
  done
  echo "wyn: apt-get update still reports failed index files after 4 attempts; going on with" \
       "the indexes apt has:" >&2
  grep '^[EW]:' "$update_log" | sed 's/^/wyn:   /' >&2
  rm -f "$update_log"
}

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

for pkg in cmake make g++ googletest libgtest-dev \
           g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 \
           wine64 xvfb x11-apps imagemagick libzip-dev zlib1g-dev unzip fonts-dejavu-core \
           trayer xdotool x11-utils libsystemd-dev dbus-daemon clang libclang-rt-14-dev icoutils osslsigncode openssl \
           libz-mingw-w64-dev \
           debootstrap "$@"; do
  have_pkg "$pkg" || need="$need $pkg"
done
if ! command -v javac >/dev/null 2>&1 || [ ! -e /usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so ]; then
  have_pkg openjdk-17-jdk || need="$need openjdk-17-jdk"
fi

if [ -n "$need" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "wyn: missing packages:$need" >&2
    echo "wyn: install them with: sudo apt-get install$need" >&2
    exit 1
  fi
  echo "wyn: installing:$need"
  export DEBIAN_FRONTEND=noninteractive
  apt_update
  # shellcheck disable=SC2086
  if ! apt-get install -y -qq --no-install-recommends $need >/dev/null; then
    echo "wyn: could not install:$need (apt's messages above say which one is missing)" >&2
    exit 1
  fi
fi

# --- Debian 11: the sysroot the Linux programs are built against, the root they are tested in ---
sh "$(dirname "$0")/make-debian11-sysroot.sh"
sh "$(dirname "$0")/make-debian11-root.sh"

# --- 32-bit Windows DLLs for wine64's WoW64 mode ---
wow64=$(sh "$(dirname "$0")/wine-wow64-dir.sh")
wine_version=$(dpkg-query -W -f='${Version}' libwine:amd64)
if [ "$(cat "$wow64/version" 2>/dev/null)" = "$wine_version" ]; then
  exit 0
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "wyn: the x86 tests need the i386 package architecture:" >&2
    echo "wyn:   sudo dpkg --add-architecture i386 && sudo apt-get update" >&2
    exit 1
  fi
  echo "wyn: adding the i386 package architecture (for libwine:i386)"
  dpkg --add-architecture i386
  apt_update
fi
echo "wyn: extracting libwine:i386 $wine_version into $wow64"
mkdir -p "$(dirname "$wow64")"
work=$(mktemp -d "$wow64.XXXXXX")
chmod 755 "$work"
download=$(mktemp -d)
trap 'rm -rf "$work" "$download"' EXIT
fetch_libwine_i386() {
  (cd "$download" && apt-get download -qq -o APT::Sandbox::User=root "libwine:i386=$wine_version" >/dev/null)
}
fetch_libwine_i386 || { apt_update; fetch_libwine_i386; } || {
  echo "wyn: could not download libwine:i386=$wine_version, which the x86 tests need" >&2
  exit 1
}
dpkg-deb -x "$download"/libwine_*_i386.deb "$work/root"
mv "$work/root/usr/lib/i386-linux-gnu/wine/i386-windows" "$work/i386-windows"
rm -rf "$work/root"
ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$work/x86_64-unix"
echo "$wine_version" >"$work/version"
# Another run may have finished first: keep whichever directory is complete.
rm -rf "$wow64.old"
[ -e "$wow64" ] && mv "$wow64" "$wow64.old"
mv "$work" "$wow64"
rm -rf "$wow64.old"
