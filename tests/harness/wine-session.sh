#!/bin/sh
# Runs a Wine command as a session of its own: afterwards the prefix's server is stopped, so
# the next test does not join a desktop that this one created (Wine binds a prefix's desktop
# to the display, or lack of one, of the process that started it).
#
# Wine's helper processes (winedevice.exe, services.exe, explorer.exe) inherit the standard
# output of the process that started them, which is CTest's pipe. One that outlives the
# session (seen: a winedevice.exe still starting while the server was stopped, which then
# started a server of its own) keeps that pipe open, and CTest waits for it until the test's
# timeout. So after stopping the server, every Wine process (an executable under the Wine
# installation) left with this session's WINEPREFIX is killed, and named on standard error;
# other processes of the test, such as Xvfb and the scripts around this one, are left alone.
"$@"
status=$?
/usr/lib/wine/wineserver -k >/dev/null 2>&1
/usr/lib/wine/wineserver -w >/dev/null 2>&1

prefix_processes() {
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    case $(readlink "/proc/$pid/exe" 2>/dev/null) in
      /usr/lib/wine/*) ;;
      *) continue ;;
    esac
    if tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
    fi
  done
}

if [ -n "${WINEPREFIX:-}" ]; then
  rounds=0
  left=$(prefix_processes)
  while [ -n "$left" ] && [ $rounds -lt 50 ]; do
    for pid in $left; do
      name=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
      kill -9 "$pid" 2>/dev/null && echo "wine-session: killed a Wine process left behind: $pid $name" >&2
    done
    /usr/lib/wine/wineserver -k >/dev/null 2>&1
    sleep 0.1
    rounds=$((rounds + 1))
    left=$(prefix_processes)
  done
fi
exit $status
