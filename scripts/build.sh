#!/usr/bin/env bash
# Configures and builds into a build folder.
#   scripts/build.sh [release|asan] -> build/ or build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-release}"
jobs="$(nproc)"
case "$kind" in
  release) dir=build; args=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan)    dir=build-asan; args=(-DCMAKE_BUILD_TYPE=Debug -DKVN_SANITIZE=ON -DKVN_BUILD_BENCH=OFF) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
