#!/usr/bin/env bash
# Configures and builds into a build folder.
#   scripts/build.sh [release|asan] [target...] -> build/ or build-asan/
# (every target when none is named). The sanitizer build is optimised like the
# release build and instruments the product's code; test code is compiled
# alike in both, so that the second build takes it from the compiler cache.
# With ccache, compiles are shared between clean clones in other folders:
# paths are taken relative to the checkout's parent (CCACHE_BASEDIR), the
# build folder is not hashed into debug-info builds (CCACHE_NOHASHDIR), and
# the build's hits and misses are printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-release}"
[ "$#" -gt 0 ] && shift
targets=()
for t in "$@"; do targets+=(--target "$t"); done
jobs="${KVN_JOBS:-$(nproc)}"
case "$kind" in
  release) dir=build; args=(-DCMAKE_BUILD_TYPE=Release) ;;
  asan)    dir=build-asan; args=(-DCMAKE_BUILD_TYPE=Release -DKVN_SANITIZE=ON -DKVN_BUILD_BENCH=OFF -DKVN_SHARED_LIBS=ON) ;;
  *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac

stats() { ccache --print-stats 2>/dev/null | awk -v k="$1" '$1 == k { print $2 }'; }
have_ccache=0
if command -v ccache >/dev/null 2>&1; then
  have_ccache=1
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
  hits_before=$(( $(stats direct_cache_hit) + $(stats preprocessed_cache_hit) ))
  misses_before=$(stats cache_miss)
fi

start=$(date +%s)
cmake -S . -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$jobs" "${targets[@]}"
echo "build.sh: $kind built in $(( $(date +%s) - start )) s on $jobs cores"

if [ "$have_ccache" -eq 1 ]; then
  hits=$(( $(stats direct_cache_hit) + $(stats preprocessed_cache_hit) - hits_before ))
  misses=$(( $(stats cache_miss) - misses_before ))
  echo "build.sh: ccache $hits hits, $misses misses (CCACHE_BASEDIR=$CCACHE_BASEDIR, cache $(ccache --get-config cache_dir))"
fi
