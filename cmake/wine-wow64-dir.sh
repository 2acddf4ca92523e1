#!/bin/sh
# Prints the directory that holds the 32-bit Windows DLLs for wine64's WoW64 mode (see
# install-deps.sh), in wyn's cache directory (cache-dir.sh).
echo "$(sh "$(dirname "$0")/cache-dir.sh")/wine-wow64"
