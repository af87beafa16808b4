#!/usr/bin/env bash
# Runs one command on a private Xvfb display and stops the display afterwards.
#   xvfb-run.sh <command> [args...]
set -u
for n in $(seq 90 160); do
  [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null' EXIT
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.05
done
export DISPLAY="$display" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
"$@"
