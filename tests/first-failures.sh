#!/usr/bin/env bash
# The first failures of test outputs in their own words, short enough for
# the tail of a log (a CI summary) to show them:
#   tests/first-failures.sh OUTPUT...
# A failed check or a runtime error gives its line and three after it (200
# characters each); a
# leak or a memory error gives its first twelve frames on one line, each as
# function and file without addresses, since the stack is what names it; a
# hung GUI program (tests/gui/xvfb-run.sh) its main thread's first twelve
# functions.
for output in "$@"; do
  { grep -E -A3 ': Failure$|runtime error:|did not reach its state' "$output" || true; } | cut -c1-200
  awk '/^==[0-9]+==ERROR/ { print; next }
       /^(Direct|Indirect) leak|^(READ|WRITE) of size/ { if (line != "") print line; line = $0; n = 0; next }
       /^ *#[0-9]+ 0x/ && line != "" && n < 12 { $1 = ""; $2 = ""; sub(/^ *(in )?/, ""); line = line " < " $0; n++; next }
       /still running after [0-9]+ s; its threads/ { print; next }
       /^Thread 1 / { main = 1; line = "main thread:"; n = 0; next }
       main && /^#[0-9]+ / && n < 12 { f = $0; sub(/^#[0-9]+ +(0x[0-9a-f]+ in )?/, "", f); sub(/ .*/, "", f); line = line " < " f; n++; next }
       main && /^Thread / { main = 0; print line; line = "" }
       /^$/ { if (line != "") print line; line = "" }
       END { if (line != "") print line }' "$output" | head -6
done | grep -v -E '^--$' | cut -c1-1200 | head -30
