#!/bin/sh
# Runs a command with an XEmbed system tray (trayer) on the display, so that Wine docks its
# notification icons there; stops the tray afterwards.
set -u
trayer --edge top --align right --widthtype request --height 24 --transparent false \
  --tint 0x333333 --expand true --SetDockType true >/dev/null 2>&1 &
tray=$!
tries=0
until xwininfo -name panel >/dev/null 2>&1 || [ $tries -ge 50 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
"$@"
status=$?
kill "$tray" 2>/dev/null
wait "$tray" 2>/dev/null
exit $status
