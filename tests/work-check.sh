#!/usr/bin/env bash
# The long-page GUI tests with the slow drawing's own work far lighter and
# far heavier than the suite gives it: the machine's speed taken out of
# them. Their page is held until it is cancelled and their drawing window's
# repaint takes a set time (tests/gui/GuiTestSupport.h, OpenSlowDrawing), so
# a drawing of 100 times fewer lines stands for a machine 100 times faster,
# and one of many times more lines for a slower one: every run must pass.
#   tests/work-check.sh [release|asan] [ctest arguments...]
# KVN_WORK_SCALES: the factors of the drawing's lines, run in turn (0.01 and
# 100 in the optimised build; 0.01 and 10 under the sanitizers, which draw
# about ten times slower). Builds first (scripts/build.sh). Exits non-zero
# when a run failed; each run's output is in <build>/Testing/.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=release
case "${1:-}" in release|asan) kind="$1"; shift ;; esac
dir=build; scales="0.01 100"
if [ "$kind" = asan ]; then
  dir=build-asan; scales="0.01 10"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
scales="${KVN_WORK_SCALES:-$scales}"
bash scripts/build.sh "$kind" >/dev/null
mkdir -p "$dir/Testing"
failed=0
for scale in $scales; do
  output="$dir/Testing/work-check-$scale.txt"
  start=$(date +%s)
  status=0
  KVN_GUI_SLOW_DRAWING_SCALE="$scale" ctest --test-dir "$dir" -R '^kvn_gui_Print(Gui|PreviewGui)Test$' -j1 \
    --output-on-failure "$@" </dev/null >"$output" 2>&1 || status=$?
  summary="$(grep -E '^[0-9]+% tests passed' "$output" || echo 'no summary')"
  echo "work-check: $kind build, lines x $scale: $(( $(date +%s) - start )) s, $summary"
  if [ "$status" -ne 0 ]; then
    failed=1
    grep -E -A3 ': Failure$|did not reach its state' "$output" | cut -c1-200 | head -20 || true
    echo "work-check: the whole output is in $output"
  fi
done
exit "$failed"
