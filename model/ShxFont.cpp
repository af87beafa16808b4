#include "model/ShxFont.h"

#include <cmath>
#include <cstring>

namespace kvn {

namespace {
ShxMetricsSource& Source() {
  static ShxMetricsSource source = nullptr;
  return source;
}
ShxOutlineSource outlineSource = nullptr;
bool SameBits(const DPoint& a, const DPoint& b) { return std::memcmp(&a, &b, sizeof(DPoint)) == 0; }

// Straight records (a, a, b, b), each starting on the bits its predecessor
// ended on.
bool IsChainedStraight(const CubicArray& polyline) {
  const Cubic* r = polyline.Items();
  for (std::uint32_t i = 0; i < polyline.Count(); ++i) {
    if (!SameBits(r[i].p[0], r[i].p[1]) || !SameBits(r[i].p[2], r[i].p[3])) return false;
    if (i > 0 && !SameBits(r[i].p[0], r[i - 1].p[3])) return false;
  }
  return true;
}

}  // namespace

void MakeShxStrokeRuns(ShxOutlineCache& cache) {
  if (cache.strokeRunsMade && cache.strokeRuns.size() == cache.polylines.size()) return;
  cache.strokeRuns.clear();
  cache.vertices.clear();
  cache.strokeRuns.reserve(cache.polylines.size());
  for (const CubicArray& polyline : cache.polylines) {
    ShxOutlineCache::StrokeRun run;
    if (polyline.Count() > 0) {
      run.empty = false;
      // A stroke that comes back to its start is one closed piece, so that
      // its joint is a join and not two caps.
      const DPoint& a = polyline.Items()[0].p[0];
      const DPoint& b = polyline.Items()[polyline.Count() - 1].p[3];
      run.closed = std::fabs(a.x - b.x) < 1e-5 && std::fabs(a.y - b.y) < 1e-5;
      if (IsChainedStraight(polyline)) {
        run.first = std::uint32_t(cache.vertices.size());
        run.count = polyline.Count() + 1;
        for (std::uint32_t i = 0; i < polyline.Count(); ++i) cache.vertices.push_back(polyline.Items()[i].p[0]);
        cache.vertices.push_back(b);
      }
    }
    cache.strokeRuns.push_back(run);
  }
  cache.strokeRunsMade = true;
}

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
