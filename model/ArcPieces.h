// Circular arcs through three points, as the arc objects, shape fonts and
// importers give them (start, a point on the arc, end), turned into cubic
// records.
#pragma once

#include "foundation/DPoint.h"
#include "model/Cubic.h"

namespace kvn {

// The circle through p0 (start), p1 (a point on the arc) and p2 (end), with
// start and end angles (degrees) arranged so that the arc from start to end
// passes p1: the end angle lies above the start angle for an arc that runs
// counter-clockwise, below it for one that runs clockwise. A start equal to
// the end gives the full circle whose diameter is p0-p1. False, with every
// output 0, for points on a line or an arc so flat that its centre lies more
// than 1000 chord lengths away.
bool CircleThroughPoints(DPoint& centre, double& startAngle, double& endAngle, double& radius, const DPoint& p0,
                         const DPoint& p1, const DPoint& p2);

// What CircleThroughPoints answers, kept together: an arc object keeps it
// between changes of its points, so that each drawing of the arc does not
// work out the circle (three arc tangents) again.
struct ArcCircle {
  DPoint centre;
  double startAngle = 0;
  double endAngle = 0;
  double radius = 0;
  bool isArc = false;  // false: the points make no arc
};
ArcCircle CircleOfArc(const DPoint& start, const DPoint& through, const DPoint& end);

// Appends the arc through start, through and end to `out`: the sweep is cut
// into 1, 2, 3 or 4 equal pieces of at most 90 degrees (each threshold
// allowing the single-precision epsilon), the first piece starting exactly at
// `start` and the last ending exactly at `end`. Points that make no arc give
// one straight record from start to end. The radius (0 for no arc) goes to
// outRadius when given.
void AppendArcBeziers(CubicArray& out, const DPoint& start, const DPoint& through, const DPoint& end,
                      double* outRadius = nullptr);
// The same with the circle of the three points already worked out
// (CircleOfArc(start, through, end)): the very records.
void AppendArcBeziersOnCircle(CubicArray& out, const ArcCircle& circle, const DPoint& start, const DPoint& end,
                              double* outRadius = nullptr);

}  // namespace kvn
