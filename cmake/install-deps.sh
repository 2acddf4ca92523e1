#!/bin/sh
# Installs what the build and the tests need on a Debian 12 machine, and the packages named
# as arguments (the benchmarks' own, for example).
# As root it runs `apt-get update` once and installs the missing packages;
# as any other user it names the missing packages and stops.
#
# The x86 Windows tests run 32-bit programs under wine64's WoW64 mode, which needs the
# 32-bit Windows-side DLLs of libwine:i386 (the same version as the installed wine64). The
# package is downloaded and extracted, not installed, into the directory that
# cmake/wine-wow64-dir.sh names, which WINEDLLPATH then points at:
#   i386-windows/  the package's 32-bit Windows DLLs (the rest of the package is dropped)
#   x86_64-unix -> the installed 64-bit Unix side (without it DLLs such as ws2_32 fail)
set -e

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

for pkg in cmake make g++ googletest libgtest-dev \
           g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 \
           wine64 xvfb x11-apps imagemagick libzip-dev zlib1g-dev unzip fonts-dejavu-core \
           trayer xdotool x11-utils libsystemd-dev dbus-daemon clang libclang-rt-14-dev icoutils osslsigncode openssl "$@"; do
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
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $need >/dev/null
fi

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
  apt-get update -qq
fi
echo "wyn: extracting libwine:i386 $wine_version into $wow64"
mkdir -p "$(dirname "$wow64")"
work=$(mktemp -d "$wow64.XXXXXX")
chmod 755 "$work"
download=$(mktemp -d)
trap 'rm -rf "$work" "$download"' EXIT
(cd "$download" && apt-get download -qq -o APT::Sandbox::User=root "libwine:i386=$wine_version" >/dev/null) || {
  apt-get update -qq
  (cd "$download" && apt-get download -qq -o APT::Sandbox::User=root "libwine:i386=$wine_version" >/dev/null)
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
