#!/usr/bin/env bash
# The GUI and printing test programs on a loaded machine: busy loops keep
# twice as many threads running as there are cores while the programs run
# three times in a row, each run the way the suite runs them (ctest, as many
# at once as there are cores). Every run must pass: the tests wait for the
# states they need, never for a fixed time, and their bounds leave room for
# a busy machine.
#   tests/load-check.sh [asan|release] [ctest arguments...]
# The cores are those this script may use (nproc honours taskset): on a
# shared machine, `taskset -c 0-3 tests/load-check.sh` keeps it to four.
# Builds first (scripts/build.sh). Each run's time and result go to the
# terminal and to <build>/Testing/load-check.txt.
# KVN_LOAD_RUNS: the runs (3). KVN_LOAD_BUSY_PER_CORE: busy loops per core
# (2). KVN_LOAD_BUDGET_S: the seconds the runs may
# take in all; a run that the one before says would not end in time is
# left out (and said so), and ctest stops a run that reaches the end of
# the budget, which fails it. Exits non-zero when a run failed.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=asan
case "${1:-}" in release|asan) kind="$1"; shift ;; esac
runs="${KVN_LOAD_RUNS:-3}"
budget="${KVN_LOAD_BUDGET_S:-0}"
dir=build; [ "$kind" = asan ] && dir=build-asan
bash scripts/build.sh "$kind" >/dev/null
if [ "$kind" = asan ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

cores="$(nproc)"
busy=$(( ${KVN_LOAD_BUSY_PER_CORE:-2} * cores ))
loops=()
stop_loops() {
  local pid
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${loops[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop_loops EXIT
for _ in $(seq 1 "$busy"); do
  nice -n 0 sh -c 'while :; do :; done' &
  loops+=("$!")
done

# The GUI programs (each on its own Xvfb display) and every printing
# program; the CUPS fixture comes with them.
selection='^(kvn_gui_|kvn_tests_print|kvn_cupsd_side_by_side$)'
log="$dir/Testing/load-check.txt"
mkdir -p "$dir/Testing"
{
  echo "load-check: $kind build, $cores cores, $busy busy threads, $(date -u '+%F %T') UTC"
  echo "load-check: load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$log"
start=$(date +%s)
failed=0
failed_outputs=()
last=0
for run in $(seq 1 "$runs"); do
  now=$(date +%s)
  stop_args=()
  if [ "$budget" -gt 0 ]; then
    left=$(( start + budget - now ))
    if [ "$last" -gt 0 ] && [ "$last" -gt "$left" ]; then
      echo "load-check: run $run of $runs left out: the last took ${last} s, ${left} s of the budget are left" | tee -a "$log"
      break
    fi
    stop_args=(--stop-time "$(date -d "@$(( start + budget ))" '+%H:%M:%S %z')")
  fi
  output="$dir/Testing/load-check-run$run.txt"
  status=0
  ctest --test-dir "$dir" -R "$selection" -j "$cores" --output-on-failure "${stop_args[@]}" "$@" \
    </dev/null >"$output" 2>&1 || status=$?
  last=$(( $(date +%s) - now ))
  summary="$(grep -E '^[0-9]+% tests passed' "$output" || echo 'no summary')"
  echo "load-check: run $run: ${last} s, $summary, load average $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$log"
  if [ "$status" -ne 0 ]; then
    failed=1
    failed_outputs+=("$output")
    sed -n '/^The following tests FAILED:/,$p' "$output" | tee -a "$log"
    echo "load-check: the whole output of run $run is in $output" | tee -a "$log"
  fi
done
echo "load-check: $(( $(date +%s) - start )) s in all" | tee -a "$log"
# Last, where a short tail of the output (a CI summary) still shows them:
# the first failures' own words, a few lines each.
if [ "$failed" -ne 0 ]; then
  echo "load-check: the first failures:" | tee -a "$log"
  bash tests/first-failures.sh "${failed_outputs[@]}" | tee -a "$log" || true
fi
exit "$failed"
