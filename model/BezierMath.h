// Helpers on single cubic records: slicing, exact bounds, flattening into
// points, and the measures (length, signed area) that point lists need.
//
// "FLT_EPSILON" below is 2^-23 = 1.1920928955078125e-7, used as an absolute
// threshold in drawing units, as the stored drawings were made with it.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "model/Cubic.h"

namespace kvn {

DPoint CubicPoint(const Cubic& c, double t);
// First derivative with respect to t.
DPoint CubicDerivative(const Cubic& c, double t);

// The part of `in` between parameters t0 and t1 as a new cubic: its ends are
// the curve points at t0 and t1, its control points those ends plus and minus
// (t1 - t0) / 3 times the derivative there. `out` may not alias `in`.
void CubicBezierSlice(DPoint out[4], const DPoint in[4], double t0, double t1);

// The curve points that touch each side of the box.
struct BezierExtremes {
  DPoint minX, minY, maxX, maxY;
};

// Exact box of the curve (not of its control points): the end points and the
// curve points at the roots in (0, 1) of dx/dt and dy/dt. A quadratic whose
// leading coefficient (times 3) is below FLT_EPSILON is solved as linear.
void GetBezierBounds(DRect& box, const Cubic& c, BezierExtremes* extremes = nullptr);

// Appends the start point, the end points of the flat enough pieces of the
// curve (depth 15, tolerance (box width + height) x relative x 0.5), and the
// end point once more, so a flattened curve always ends with its end point.
// A curve whose tolerance is not above FLT_EPSILON gives start and end only.
void FlattenBezier(GrowArray<DPoint>& out, const Cubic& c, double relativeTolerance);

// Appends the end points of the flat enough pieces of `c`, in order. A piece is
// flat when both control points lie between its ends along the chord's main
// axis and deviate from the chord by at most `tolerance` measured across that
// axis; otherwise it is halved (de Casteljau) until `depth` runs out. `c` is
// used as scratch.
void SubdivideBezier(Cubic& c, GrowArray<DPoint>& out, int depth, double tolerance);

// Arc length, by adaptive Gauss-Legendre quadrature to about 1e-10 of the
// control polygon's length.
double CubicLength(const Cubic& c);

// Half the integral of x dy - y dx along the curve; summed over a closed chain
// of records it is the enclosed area, positive for counter-clockwise. Exact:
// the integrand is a polynomial of degree 5, which 3-point Gauss-Legendre
// integrates without error.
double CubicSignedArea(const Cubic& c);

}  // namespace kvn
