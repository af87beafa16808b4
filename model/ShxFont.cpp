#include "model/ShxFont.h"

namespace kvn {

namespace {
ShxMetricsSource& Source() {
  static ShxMetricsSource source = nullptr;
  return source;
}
ShxOutlineSource outlineSource = nullptr;
}  // namespace

void SetShxOutlineSource(ShxOutlineSource source) { outlineSource = source; }

std::unique_ptr<ShxOutlineCache> BuildShxOutlineCache(cText& text, cDrawingData* data, DRect& bounds) {
  bounds = DRect{};
  return outlineSource ? outlineSource(text, data, bounds) : nullptr;
}

void SetShxMetricsSource(ShxMetricsSource source) { Source() = source; }

bool GetShxLineMetrics(ShxFont& font, ShxLineMetrics& out) {
  out = ShxLineMetrics{};
  if (!Source()) return false;
  if (Source()(font, out)) return true;
  out = ShxLineMetrics{};
  return false;
}

}  // namespace kvn
