#!/usr/bin/env bash
# Installs the dependencies, builds the viewer (Release) and starts it.
#   scripts/run-viewer.sh [drawing]
# Without a drawing it opens the sample drawing that ships with the sources.
set -euo pipefail
here="$(pwd)"
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "$#" -eq 0 ]; then
  set -- "$root/samples/sample.kvn"
elif [ -n "$1" ] && [ "${1#/}" = "$1" ]; then
  # The viewer runs from the project folder; keep a relative drawing path the user's.
  first="$here/$1"; shift; set -- "$first" "$@"
fi
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh release kvn-viewer
exec ./build/app/kvn-viewer "$@"
