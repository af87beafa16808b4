#include "model/PlaneVectors.h"

#include <cmath>

#include "foundation/TextFormat.h"

namespace kvn {

void RotateVector(DPoint& vector, double angle) {
  if (angle == 0 || std::isnan(angle)) return;
  const double c = CachedCosDeg(angle);
  const double s = CachedSinDeg(angle);
  const double x = vector.x;
  vector.x = x * c - vector.y * s;
  vector.y = x * s + vector.y * c;
}

double SafeRatio(double a, double b) {
  if (a == 0 || b == 0) return 1.0;
  return a / b;
}

}  // namespace kvn
