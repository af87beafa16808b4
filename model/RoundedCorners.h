// Polylines whose corners are rounded by circular arcs, as cubic records.
//
// Each corner B between the edges A->B and B->C is cut back by the tangent
// distance T = r tan(turn / 2) on both edges; the arc from S = B - T u1 to
// E = B + T u2 is one cubic record for a sweep up to 90 degrees, two records
// through the arc's middle beyond. Handles grow linearly with the sweep:
// 0.552284749830793 r (the circle constant 4 (sqrt 2 - 1) / 3) for a quarter
// circle, in proportion below. A corner whose edges are shorter than T uses the
// shorter edge as T and shrinks the radius to fit; neighbouring corners each
// limit themselves against their own edges only, so arcs may overlap on a
// short edge.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"
#include "model/Cubic.h"

namespace kvn {

// One corner as rounded; start == end == the corner for a sharp one.
struct RoundedCorner {
  DPoint start;          // S, where the arc leaves the incoming edge
  DPoint end;            // E, where it joins the outgoing edge
  double angle = 180;    // |psi|: opening angle between the two edges, degrees
  double sweep = 0;      // 180 - |psi|: turn of the arc, degrees
  double radius = 0;     // radius used (shrunk when the edges were too short)
  double tangent = 0;    // T
  int direction = 0;     // -1 counter-clockwise turn, +1 clockwise, 0 sharp
  bool rounded = false;
};

// Geometry of the corner at b; false (and a sharp corner) when r is not above
// 0, the edges are collinear or reverse, or a shrunk radius leaves nothing.
bool ComputeRoundedCorner(const DPoint& a, const DPoint& b, const DPoint& c, double r, RoundedCorner& out);

// Where the straight run that leads to the next corner starts.
struct PendingSegment {
  DPoint from;
};

// Emits (when `records` is given) the straight record from pending.from to the
// corner's start, unless they coincide, then the corner's arc records, and
// moves pending.from to the corner's end. A sharp corner emits the run to b.
// `onCurve`, when given, receives the start of every emitted record.
// Returns whether the corner was rounded.
bool RoundCorner(RoundedCorner* corner, CubicArray* records, GrowArray<DPoint>* onCurve, const DPoint& a,
                 const DPoint& b, const DPoint& c, double r, PendingSegment& pending);

// The records of a whole polyline. With radius 0 and no per-vertex radii, or
// with fewer than 3 points, one straight record per edge (and the closing edge
// of a closed list of at least 2 points). Otherwise every corner (the inner
// points of an open list; every point of a closed one) is rounded with
// `radius`, or with radii[i] when `radius` is 0; an open list starts at its
// first point and ends at its last, a closed one starts and ends at the end of
// the first corner's arc. `onCurve`, when given, receives the start of every
// record and the end of the last: the on-curve points of the chain.
void RoundedPolylineToBeziers(CubicArray& records, GrowArray<DPoint>* onCurve, const DPoint* points,
                              std::uint32_t n, bool closed, double radius, const double* radii);

}  // namespace kvn
