#include "model/ShxFont.h"

namespace kvn {

namespace {
ShxMetricsSource& Source() {
  static ShxMetricsSource source = nullptr;
  return source;
}
}  // namespace

void SetShxMetricsSource(ShxMetricsSource source) { Source() = source; }

bool GetShxLineMetrics(ShxFont& font, ShxLineMetrics& out) {
  out = ShxLineMetrics{};
  if (!Source()) return false;
  if (Source()(font, out)) return true;
  out = ShxLineMetrics{};
  return false;
}

}  // namespace kvn
