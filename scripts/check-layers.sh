#!/usr/bin/env bash
# Fails when a source file includes a header of a folder its own folder may
# not use. Each folder may include itself and the folders listed for it;
# "render/DrawInfo.h" is the one header of the renderer that the model and
# text may see (the drawing-context interface their Draw bodies call).
#   scripts/check-layers.sh [root]    (default: the project root)
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

# folder: the folders below it that it may include (besides itself)
declare -A ALLOWED=(
  [foundation]=""
  [platform]="foundation"
  [model]="foundation platform"
  [text]="foundation platform model"
  [document]="foundation platform model text"
  [import]="foundation platform model text document"
  [dwg]="foundation platform model text document import"
  [render]="foundation platform model text document"
  # print/dialogs/ (built into the GUI library) places the bound controls
  [print]="foundation platform model text document render controls"
  [controls]="foundation platform"
  [resources]="foundation"
)
# Single headers allowed across the rule above: "folder:header".
EXCEPTIONS=("model:render/DrawInfo.h" "text:render/DrawInfo.h")

status=0
for folder in "${!ALLOWED[@]}"; do
  [ -d "$root/$folder" ] || continue
  while IFS= read -r line; do
    file="${line%%:*}"; rest="${line#*:}"; rest="${rest#*:}"
    target="$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$rest")"
    top="${target%%/*}"
    [ "$top" = "$target" ] && continue            # a header without a folder
    [ "$top" = "$folder" ] && continue
    [ -d "$root/$top" ] || continue                # not one of ours
    ok=0
    for allowed in ${ALLOWED[$folder]}; do [ "$top" = "$allowed" ] && ok=1; done
    for e in "${EXCEPTIONS[@]}"; do [ "$e" = "$folder:$target" ] && ok=1; done
    if [ "$ok" -eq 0 ]; then
      echo "layers: ${file#"$root"/} includes \"$target\" ($folder may not use $top)" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$root/$folder" \
             --include='*.h' --include='*.cpp' --include='*.inc' 2>/dev/null || true)
done
[ "$status" -eq 0 ] && echo "layers: every include goes downward"
exit "$status"
