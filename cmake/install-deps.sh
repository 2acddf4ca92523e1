#!/bin/sh
# Installs what the build and the tests need on a Debian 12 machine.
# As root it runs `apt-get update` once and installs the missing packages;
# as any other user it names the missing packages and stops.
set -e

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

for pkg in cmake make g++ googletest libgtest-dev \
           g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 \
           wine64 xvfb x11-apps imagemagick libzip-dev unzip fonts-dejavu-core \
           trayer xdotool x11-utils icoutils osslsigncode openssl; do
  have_pkg "$pkg" || need="$need $pkg"
done
if ! command -v javac >/dev/null 2>&1 || [ ! -e /usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so ]; then
  have_pkg openjdk-17-jdk || need="$need openjdk-17-jdk"
fi

[ -z "$need" ] && exit 0

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
