// Small plane helpers of the drawing objects beside model/Geometry.h:
// turning a vector about the origin, and a ratio that stays finite.
#pragma once

#include "foundation/DPoint.h"

namespace kvn {

// x' = x cos a - y sin a, y' = x sin a + y cos a (a in degrees, positive
// counter-clockwise); an angle of 0 or NaN leaves the vector unchanged.
void RotateVector(DPoint& vector, double angle);

// a / b, or 1.0 when a or b is 0 (a scale that cannot be measured leaves
// things as they are).
double SafeRatio(double a, double b);

}  // namespace kvn
