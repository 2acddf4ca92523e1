#!/bin/sh
# Prints the directory that holds the 32-bit Windows DLLs for wine64's WoW64 mode (see
# install-deps.sh), kept outside the build trees so that `make clean` keeps the download:
# $WYN_CACHE_DIR, else $XDG_CACHE_HOME/wyn, else ~/.cache/wyn; then wine-wow64.
echo "${WYN_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/wyn}/wine-wow64"
