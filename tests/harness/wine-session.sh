#!/bin/sh
# Runs a Wine command as a session of its own: afterwards the prefix's server is stopped, so
# the next test does not join a desktop that this one created (Wine binds a prefix's desktop
# to the display, or lack of one, of the process that started it).
"$@"
status=$?
/usr/lib/wine/wineserver -k >/dev/null 2>&1
/usr/lib/wine/wineserver -w >/dev/null 2>&1
exit $status
