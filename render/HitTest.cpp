#include "render/HitTest.h"

namespace kvn {

bool PointInPolygon(const DPoint* points, std::uint32_t count, const DPoint& point) {
  if (!points || count == 0) return false;
  bool inside = false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const DPoint& p = points[i];
    const DPoint& q = points[i + 1 < count ? i + 1 : 0];
    const bool spans = (p.y <= point.y && point.y < q.y) || (q.y <= point.y && point.y < p.y);
    if (!spans) continue;  // also every horizontal edge
    const double crossX = p.x + (point.y - p.y) * (q.x - p.x) / (q.y - p.y);
    if (point.x < crossX) inside = !inside;
  }
  return inside;
}

}  // namespace kvn
