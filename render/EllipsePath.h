// The ellipse of a box as a closed piece of the path buffer.
#pragma once

namespace kvn {

struct WorldMapping;

// Starts a new piece in the current path list, marks it closed and appends the
// ellipse inscribed in the box (x1, y1)-(x2, y2) (world units, either corner
// order) as four cubic quadrants in 1/256 device units.
void AddEllipsePath(const WorldMapping& mapping, double x1, double y1, double x2, double y2);

}  // namespace kvn
