#!/usr/bin/env bash
# Runs one command on a private Xvfb display and stops the display afterwards.
#   xvfb-run.sh <command> [args...]
# Xvfb picks a free display number itself (-displayfd) and writes it once it
# accepts connections, so GUI test programs run in parallel without racing
# for a number, and nothing waits a fixed time for the server.
set -u
fifo_dir="$(mktemp -d)"
mkfifo "$fifo_dir/display"
# -noreset: by default the server resets whenever its last client leaves,
# and refuses connections meanwhile; a program that drives another one (the
# viewer) through short xdotool calls, with no connection of its own, had
# the viewer it started fail to open the display now and then.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo_dir/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$fifo_dir"' EXIT
number=""
read -r -t 30 number <"$fifo_dir/display"
if ! [[ "$number" =~ ^[0-9]+$ ]]; then
  echo "xvfb-run.sh: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$number" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
# Scratch files go into a temporary folder of the program's own, not into
# /tmp, and stay there until the program ends: GTK's file chooser keeps the
# texts of a listed file in its folder model and drops them without freeing
# them when the file vanishes while the model lives (LeakSanitizer reports
# the blocks, and GTK's stripped frames leave no name to suppress them by).
# /tmp loses files all the time while other tests run, and a test's own
# scratch folder goes at its end. The folder is named after the build, the
# program, its arguments and its test filter (given either way: a run of one
# test beside the whole program's run must not empty the folder the other is
# using), and emptied when the program starts instead
# of removed when it ends, so that the folders on the way to it only ever
# gain entries while tests run; its path stays short, as the recent-files
# menu shows paths of up to 70 characters whole.
build="$(cd "$(dirname "$1")/../.." && pwd)"
scratch="/var/tmp/kvn-gui/$(printf '%s\n' "$build" "$(basename "$1")" "${GTEST_FILTER:-}" "${@:2}" | md5sum | cut -c1-8)"
mkdir -p "$scratch"
find "$scratch" -mindepth 1 -delete
export TMPDIR="$scratch" KVN_KEEP_SCRATCH=1
# Every wait of a test is bounded, so a program still running near CTest's
# own time-out (900 s) is stuck where no test can see it: its threads'
# stacks are printed and it is aborted, so that the log says where it stood
# instead of nothing at all. The watch looks every second and ends with the
# program, holding none of its output open for long.
"$@" &
program=$!
hang_limit="${KVN_GUI_HANG_S:-840}"
(
  started=$SECONDS
  while kill -0 "$program" 2>/dev/null; do
    if [ $((SECONDS - started)) -ge "$hang_limit" ]; then
      echo "xvfb-run.sh: $(basename "$1") still running after $hang_limit s; its threads:" >&2
      if command -v gdb >/dev/null; then
        timeout 60 gdb -p "$program" -batch -ex 'thread apply all bt' </dev/null 2>&1 | grep -E '^(Thread|#)' >&2
      fi
      kill -ABRT "$program" 2>/dev/null
      break
    fi
    sleep 1
  done
) &
wait "$program"
