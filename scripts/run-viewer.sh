#!/usr/bin/env bash
# Installs the dependencies, builds the viewer (Release) and starts it.
#   scripts/run-viewer.sh [drawing]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
exec ./build/app/kvn-viewer "$@"
