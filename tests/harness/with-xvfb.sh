#!/bin/sh
# Runs a command with a private X display: starts Xvfb on a free display number, runs the
# command with DISPLAY set, stops Xvfb, and exits with the command's status.
set -u
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
tries=0
while [ ! -s "$fdfile" ] && [ $tries -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
display=$(head -n1 "$fdfile")
rm -f "$fdfile"
if [ -z "$display" ]; then
  kill "$xvfb" 2>/dev/null
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
DISPLAY=":$display" "$@"
status=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status
