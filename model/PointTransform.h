// Point transforms of the shape-font code: scale about the origin, turn
// about the origin, then move.
#pragma once

#include <cmath>
#include <numbers>

#include "foundation/DPoint.h"

namespace kvn {

// point = turn(point x (scaleX, scaleY), degrees) + offset.
inline void TransformPointScaleRotate(DPoint& point, double scaleX, double scaleY, double degrees,
                                      const DPoint& offset) {
  const double x = point.x * scaleX, y = point.y * scaleY;
  const double a = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  point = DPoint{x * c - y * s + offset.x, x * s + y * c + offset.y};
}

}  // namespace kvn
