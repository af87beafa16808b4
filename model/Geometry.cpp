#include "model/Geometry.h"

#include <cmath>

#include "foundation/TextFormat.h"

namespace kvn {

void RotatePoint(DPoint& point, const DPoint& centre, double angle) {
  if (angle == 0) return;
  const double c = CachedCosDeg(angle);
  const double s = CachedSinDeg(angle);
  const double dx = point.x - centre.x;
  const double dy = point.y - centre.y;
  point.x = centre.x + c * dx - s * dy;
  point.y = centre.y + s * dx + c * dy;
}

double NormalizeAngle(double angle) {
  double a = std::fmod(angle, 360.0);
  if (a <= -180.0) {
    a += 360.0;
  } else if (a > 180.0) {
    a -= 360.0;
  }
  return a;
}

void GetPointsBounds(DRect& out, const DPoint* points, std::uint32_t n) {
  out = DRect{};
  if (points == nullptr || n == 0) return;
  out = {points[0].x, points[0].y, points[0].x, points[0].y};
  for (std::uint32_t i = 1; i < n; ++i) {
    const DPoint& p = points[i];
    if (p.x < out.x1) out.x1 = p.x;
    if (p.x > out.x2) out.x2 = p.x;
    if (p.y < out.y1) out.y1 = p.y;
    if (p.y > out.y2) out.y2 = p.y;
  }
}

}  // namespace kvn
