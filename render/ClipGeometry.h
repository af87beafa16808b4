// Small clip helpers for single segments: a double-precision segment cut to a
// rectangle (hatch lines), an integer end-point clip (outline strokes), and
// the turn of a point about the origin used with them.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "model/Geometry.h"
#include "model/WorldMapping.h"

namespace kvn {

// Moves a and b onto the sides of the rectangle (left <= right, top <= bottom;
// either order is accepted), at most four moves, each keeping the segment's
// direction. True when what remains overlaps the rectangle's interior on both
// axes strictly: a segment on a side, or touching only a side, gives false, as
// does any coordinate that is not a finite number.
bool ClipSegmentToRect(DPoint& a, DPoint& b, double left, double top, double right, double bottom);

// Moves a along the segment towards b onto the rectangle, side by side in the
// order left, right, top, bottom; a move happens only where the side lies
// strictly between a and b. True when a ends inside, sides included.
bool ClipEndPointToRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, DevicePoint& a,
                        const DevicePoint& b);

// Turns the point about the origin by `angle` degrees (x' = x cos - y sin,
// y' = x sin + y cos) with the cached sine and cosine; 0 leaves it untouched.
inline void RotatePoint(DPoint& point, double angle) { RotatePoint(point, DPoint{}, angle); }

}  // namespace kvn
