#!/bin/sh
# Prints the directory where install-deps.sh keeps what it downloads or makes once, outside
# the build trees so that `make clean` keeps it: $WYN_CACHE_DIR, else $XDG_CACHE_HOME/wyn,
# else ~/.cache/wyn. Beside the Wine DLLs (wine-wow64/) it holds the Debian 11 sysroot the
# Linux programs are built against (debian11-sysroot/) and the Debian 11 root the oldest
# supported system is tested in (debian11-root/).
echo "${WYN_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/wyn}"
