#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite.
#   scripts/test.sh          in the sanitizer build: AddressSanitizer and
#                            UndefinedBehaviorSanitizer on the product's code
#   scripts/test.sh release  against the optimised build users run
#   scripts/test.sh asan -R Ruler      (further arguments go to ctest)
# Both builds compile the product with the same sources and the tests with the
# same flags, so the suite runs once, where it finds the most: under the
# sanitizers.
# Exits non-zero on any failure. A test that skipped (a missing tool, display
# or file) is reported as skipped with its reason; with KVN_FORBID_SKIPS=1 (as
# CI sets it) a skip fails the run too.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=asan
case "${1:-}" in release|asan) kind="$1"; shift ;; esac
bash scripts/install-deps.sh
bash scripts/build.sh "$kind"
dir=build; [ "$kind" = asan ] && dir=build-asan
if [ "$kind" = asan ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
start=$(date +%s)
output="$dir/Testing/ctest-output.txt"
mkdir -p "$dir/Testing"
status=0
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" "$@" </dev/null | tee "$output" || status=$?
echo "test.sh: $kind tests ran in $(( $(date +%s) - start )) s"

# CTest lists skipped programs after "The following tests did not run:";
# the reasons are in the full log, one "kvn-test: skipped" line per test.
skipped="$(sed -n '/^The following tests did not run:/,/^[^[:space:]]/p' "$output" | grep -E '\(Skipped\)' || true)"
if [ -n "$skipped" ]; then
  echo "test.sh: skipped test programs:"
  echo "$skipped"
  grep -h '^kvn-test: skipped ' "$dir/Testing/Temporary/LastTest.log" 2>/dev/null || true
  if [ "${KVN_FORBID_SKIPS:-0}" = 1 ]; then
    echo "test.sh: tests skipped, and this run must run them all (KVN_FORBID_SKIPS=1)" >&2
    [ "$status" -eq 0 ] && status=1
  fi
fi
# Last, where a short tail of the output (a CI summary) still shows them:
# the first failures' own words, a few lines each.
if [ "$status" -ne 0 ]; then
  echo "test.sh: the first failures:"
  bash tests/first-failures.sh "$output" || true
fi
exit "$status"
