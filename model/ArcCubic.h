// One circular arc piece of at most 90 degrees as a cubic record.
#pragma once

#include "foundation/DPoint.h"
#include "model/Cubic.h"

namespace kvn {

// The arc of radius r about `centre` from angle a0 to angle a1 (degrees; a1
// below a0 runs clockwise). The control points lie on the end tangents at
// the distance k = r x 4/3 x tan((a1 - a0) / 4), which is 0.552284749830793 r
// for a quarter circle and keeps the radial error of every piece up to 90
// degrees below 2.8e-4 r. (Scaling the quarter-circle constant linearly with
// the sweep instead would miss by up to 4e-3 r near 60 degrees.)
void MakeArcCubic(Cubic& out, const DPoint& centre, double r, double a0, double a1);

}  // namespace kvn
