#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite.
#   scripts/test.sh          release build
#   scripts/test.sh asan     AddressSanitizer + UndefinedBehaviorSanitizer build
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-release}"
bash scripts/install-deps.sh
bash scripts/build.sh "$kind"
dir=build; [ "$kind" = asan ] && dir=build-asan
if [ "$kind" = asan ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" </dev/null
