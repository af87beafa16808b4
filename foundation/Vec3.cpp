#include "foundation/Vec3.h"

#include <cfloat>
#include <cmath>
#include <numbers>

namespace kvn {

void Vec3::Normalize() {
  double l = std::sqrt(LengthSq());
  if (std::fabs(l) < 1e-20) {
    x = y = z = 0;
    return;
  }
  x /= l;
  y /= l;
  z /= l;
}

Vec3 Vec3::Normalized() const {
  Vec3 v = *this;
  v.Normalize();
  return v;
}

void Vec3::ToSpherical(Vec3& out) const {
  const double m = DBL_MIN;
  double r = std::sqrt(LengthSq());
  out = Vec3{r, std::atan2(y, x + m), std::asin(z / (r + m))};
}

void Vec3::DirectionAnglesOf(const Vec3& v) {
  double l = std::sqrt(v.LengthSq());
  if (std::fabs(l) < 1e-50) {
    x = y = z = 0;
    return;
  }
  Vec3 r{std::acos(v.x / l), std::acos(v.y / l), std::acos(v.z / l)};
  *this = r;
}

void Vec3::ToDirectionAngles() { DirectionAnglesOf(*this); }

void Vec3::AxisAnglesOf(const Vec3& v) {
  Vec3 r{AngleOfVector2D(0, 0, v.y, v.z), AngleOfVector2D(0, 0, v.z, v.x), AngleOfVector2D(0, 0, v.x, v.y)};
  *this = r;
}

double AngleOfVector2D(double x1, double y1, double x2, double y2) {
  const double pi = std::numbers::pi;
  double dx = x2 - x1, dy = y2 - y1;
  double l = std::sqrt(dx * dx + dy * dy);
  if (std::fabs(l) < 1e-50) return 0;
  // acos keeps full precision near the axes, where atan2 of tiny components is noisy.
  if (dx >= 0) return dy >= 0 ? std::acos(dx / l) : 2 * pi - std::acos(dx / l);
  return dy >= 0 ? pi - std::acos(-dx / l) : pi + std::acos(-dx / l);
}

}  // namespace kvn
