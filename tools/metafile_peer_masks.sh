#!/usr/bin/env bash
# Renders every WMF and EMF of the test data's metafile folder (not the
# damaged bad_ ones) with LibreOffice Draw and stores the ink mask of each
# rendering (kvn-inkmask) in tests/golden/peer/metafile/NAME.pbm, for the
# test that compares kvn-render's pictures of the same files with them.
# Run by hand after installing libreoffice-draw (not needed by CI); look at
# the masks before committing them.
#
#   tools/metafile_peer_masks.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
data=${KVN_TESTDATA:-$root/../shared/testdata}/metafile
out=$root/tests/golden/peer/metafile
inkmask=$build/tools/kvn-inkmask

command -v soffice >/dev/null || { echo "soffice not found: apt-get install libreoffice-draw" >&2; exit 1; }
[ -x "$inkmask" ] || { echo "$inkmask not built" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
# An A4 page at 300 pixels per inch: the picture fills its width.
filter='png:draw_png_Export:{"PixelWidth":{"type":"long","value":"2480"},"PixelHeight":{"type":"long","value":"3508"}}'
for file in "$data"/*.wmf "$data"/*.emf; do
  name=$(basename "$file")
  case "$name" in bad_*) continue ;; esac
  mkdir -p "$tmp/$name"
  soffice --headless "-env:UserInstallation=file://$tmp/profile" --convert-to "$filter" \
    --outdir "$tmp/$name" "$file" >/dev/null 2>&1
  png="$tmp/$name/${name%.*}.png"
  if [ ! -f "$png" ]; then
    echo "$name: LibreOffice made no picture" >&2
    continue
  fi
  printf '%s: ' "$name"
  "$inkmask" "$png" "$out/$name.pbm" || echo "no mask"
done
