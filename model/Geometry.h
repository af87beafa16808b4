// Plane geometry shared by the drawing objects: turning points about a centre,
// keeping angles in their range, and the box of a point run.
//
// Angles are degrees. Stored angles live in (-180, 180]; a positive rotation
// turns points counter-clockwise (y up).
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"

namespace kvn {

// Turns `point` about `centre` by `angle` degrees; an angle of exactly 0 leaves
// the point bit-for-bit unchanged. Sine and cosine come from the one-entry
// degree cache, so runs of points turned by the same angle cost one sin/cos.
void RotatePoint(DPoint& point, const DPoint& centre, double angle);
// Scales a point about a centre, each axis by its own factor.
inline void ScaleAbout(DPoint& p, const DPoint& centre, const DPoint& factors) {
  p.x = (p.x - centre.x) * factors.x + centre.x;
  p.y = (p.y - centre.y) * factors.y + centre.y;
}

// The angle reduced into (-180, 180]: -180 gives 180, 540 gives 180.
double NormalizeAngle(double angle);

// x1, y1 the smallest and x2, y2 the largest coordinates of n points; all zero
// when n is 0 or `points` is null.
void GetPointsBounds(DRect& out, const DPoint* points, std::uint32_t n);

}  // namespace kvn
