#!/usr/bin/env bash
# Runs one command on a private Xvfb display and stops the display afterwards.
#   xvfb-run.sh <command> [args...]
# Xvfb picks a free display number itself (-displayfd) and writes it once it
# accepts connections, so GUI test programs run in parallel without racing
# for a number, and nothing waits a fixed time for the server.
set -u
fifo_dir="$(mktemp -d)"
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo_dir/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$fifo_dir"' EXIT
number=""
read -r -t 30 number <"$fifo_dir/display"
if ! [[ "$number" =~ ^[0-9]+$ ]]; then
  echo "xvfb-run.sh: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$number" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
"$@"
