// Hit tests on outlines in device or world coordinates.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"

namespace kvn {

// Even-odd rule: a horizontal ray from the point towards larger x crosses the
// polygon's edges (the last one closing back to points[0]) an odd number of
// times. An edge counts when it spans the point's y with its lower end
// included and its upper end excluded, so a vertex on the ray counts once.
// No points (or null) gives false.
bool PointInPolygon(const DPoint* points, std::uint32_t count, const DPoint& point);

}  // namespace kvn
