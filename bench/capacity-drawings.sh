#!/usr/bin/env bash
# Writes the capacity drawings of kvn-bench-import-capacity (symbols placed
# by arrays and inserts, a long text placed 200 times, paper views over a
# model, native drawings that place a large block or nest a lattice) into a
# folder, then opens each with the release kvn-dump and, unless
# --no-render, paints it with kvn-render at 1600 x 1200, each under
# /usr/bin/time: its result, wall time and peak resident memory.
#   bash bench/capacity-drawings.sh [folder] [--no-render]
# (build the release tools and bench first: bash scripts/build.sh release)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-/tmp/kvn-capacity}"
render=1
[ "${2:-}" = "--no-render" ] && render=0
mkdir -p "$folder"
"$root/build/bench/kvn-bench-import-capacity" --write "$folder" >/dev/null
measure() {  # tool, file, extra arguments...
  local tool="$1" file="$2"
  shift 2
  local out
  out="$( { /usr/bin/time -f '%e s %M KB' "$@" 2>&1 >/dev/null; } 2>&1 | tail -1 || true)"
  printf '  %-10s %s\n' "$tool" "$out"
}
for file in "$folder"/*; do
  case "$file" in *.png) continue ;; esac
  name="$(basename "$file")"
  result="$("$root/build/tools/kvn-dump" "$file" 2>/dev/null | head -c 400 | grep -o '"result": [0-9]*' | head -1 || true)"
  printf '%s (%s B): %s\n' "$name" "$(stat -c %s "$file")" "$result"
  measure kvn-dump "$file" "$root/build/tools/kvn-dump" "$file"
  if [ "$render" -eq 1 ]; then
    measure kvn-render "$file" "$root/build/tools/kvn-render" --width 1600 --height 1200 "$file" "$folder/$name.png"
  fi
done
