#include "model/ArcCubic.h"

#include <cmath>
#include <numbers>

namespace kvn {

void MakeArcCubic(Cubic& out, const DPoint& centre, double r, double a0, double a1) {
  constexpr double kRad = std::numbers::pi / 180.0;
  const double s0 = std::sin(a0 * kRad), c0 = std::cos(a0 * kRad);
  const double s1 = std::sin(a1 * kRad), c1 = std::cos(a1 * kRad);
  const double k = r * 4.0 / 3.0 * std::tan((a1 - a0) * kRad / 4.0);
  out.p[0] = {centre.x + r * c0, centre.y + r * s0};
  out.p[3] = {centre.x + r * c1, centre.y + r * s1};
  // Tangent directions: a0 + 90 degrees at the start, a1 - 90 at the end.
  out.p[1] = {out.p[0].x - k * s0, out.p[0].y + k * c0};
  out.p[2] = {out.p[3].x + k * s1, out.p[3].y - k * c1};
}

}  // namespace kvn
