#!/usr/bin/env bash
# The layer check must fail on an upward include and pass on the allowed ones.
set -uo pipefail
check="$1/scripts/check-layers.sh"
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

mkdir -p "$tmp"/{foundation,platform,model,render,text,app}
echo '#include "foundation/DPoint.h"'   > "$tmp/model/Ok.cpp"
echo '#include "render/DrawInfo.h"'     > "$tmp/model/Draw.cpp"
echo '#include "render/DrawInfo.h"'     > "$tmp/text/Draw.cpp"
echo '#include "model/cOutObj.h"'       > "$tmp/render/Ok.cpp"
echo '#include "render/SheetPainter.h"' > "$tmp/app/Ok.cpp"
echo '#include <vector>'                > "$tmp/foundation/Ok.h"
bash "$check" "$tmp" >/dev/null 2>&1 || fail "allowed includes were refused"

echo '#include "render/PathBuffer.h"' > "$tmp/model/Up.cpp"
out="$(bash "$check" "$tmp" 2>&1)" && fail "model including render/PathBuffer.h passed"
grep -q 'model/Up.cpp includes "render/PathBuffer.h"' <<<"$out" || fail "the message does not name the file: $out"
rm "$tmp/model/Up.cpp"

echo '  #  include "platform/settings/SettingsStore.h"' > "$tmp/foundation/Up.cpp"
bash "$check" "$tmp" >/dev/null 2>&1 && fail "foundation including platform passed"
rm "$tmp/foundation/Up.cpp"

echo '#include "app/AppGlobals.h"' > "$tmp/render/Up.h"
bash "$check" "$tmp" >/dev/null 2>&1 && fail "render including app passed"
echo "checker test passed"
