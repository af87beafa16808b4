// Control polygons into cubic Bézier chains: the outlines of SPLINE entities,
// spline-fitted polylines, hatch spline edges and DGN B-spline poles.
//
// Two roads:
// - SplineToBeziers, the uniform rule: the points are taken as the poles of a
//   uniform cubic B-spline whose two end legs serve as tangent legs, so the
//   curve starts at the first pole and ends at the last. It is the road for
//   poles that come without knots (DGN, spline-fitted polylines) and for knot
//   vectors that make no curve.
// - BSplineToBeziers, the true curve of degree, knots and weights: every
//   knot span becomes one Bézier piece (blossoming, which is knot insertion
//   to full multiplicity), and each piece is carried into cubics: exactly for
//   polynomial pieces of degree 3 or less, otherwise by Hermite cubics on
//   halves of the piece until every one lies within 1e-6 of the size of the
//   control polygon, measured at equal parameters (a circle stored as a
//   rational quadratic spline, as CAD programs store them, gives 16 cubics
//   a quarter).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "foundation/Vec3.h"
#include "model/Cubic.h"

namespace kvn {

// Appends the segments of the uniform rule; closed: the curve runs round
// through a point near the first pole. Fewer than two points append nothing.
void SplineToBeziers(std::vector<Cubic3D>& out, std::span<const Vec3> points, bool closed);

// Inserts p before `index` (an index at or past the end appends); answers
// the index it went to.
std::uint32_t InsertPointAt(std::vector<Vec3>& points, const Vec3& p, std::uint32_t index);

// Highest degree taken for a true curve; higher ones fall back to the uniform rule.
inline constexpr int kMaxSplineDegree = 15;
// Most segments one true curve may give (a point list holds 21,845 cubics at
// most): past it rational pieces stop being halved and further spans are
// left out.
inline constexpr std::uint32_t kMaxSplineSegments = 20000;

// Whether degree, knots, weights and poles make a curve: 1 <= degree <=
// kMaxSplineDegree, more poles than the degree, knot count = poles + degree
// + 1, finite non-decreasing knots with a domain [knot degree, knot poles] of
// positive length, no weights or one finite positive weight per pole, finite
// poles.
bool IsValidBSpline(int degree, std::span<const double> knots, std::span<const double> weights,
                    std::span<const Vec3> poles);

// Appends the Bézier segments of the curve; false (nothing appended) when
// IsValidBSpline is false.
bool BSplineToBeziers(std::vector<Cubic3D>& out, int degree, std::span<const double> knots,
                      std::span<const double> weights, std::span<const Vec3> poles);

}  // namespace kvn
