#!/bin/sh
# Makes the tree's Wine prefix, the fixture every Wine test of the tree needs:
#
#   wine-prefix.sh <wine>
#
# Wine's first start on a freshly installed machine has been seen to fail where the next one,
# for the other tree's prefix, succeeded. A failed attempt is reported with its status, the
# half-made prefix is removed, and the prefix is made once more; a second failure fails the
# fixture (and with it only this tree's Wine tests).
wine=$1
session=$(dirname "$0")/wine-session.sh
status=0
for attempt in 1 2; do
  "$session" "$wine" wineboot -i && exit 0
  status=$?
  echo "wine-prefix: 'wineboot -i' exited with $status in $WINEPREFIX (attempt $attempt of 2)" >&2
  rm -rf "$WINEPREFIX"
done
exit $status
