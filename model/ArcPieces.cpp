#include "model/ArcPieces.h"

#include <algorithm>
#include <cmath>

#include "model/ArcCubic.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {
constexpr double kEpsilon = 1.1920928955078125e-7;  // single-precision epsilon
// An arc whose centre lies farther than this, squared, in chord lengths is
// treated as a straight line.
constexpr double kFlatRatioSquared = 1000000.0;

// In (-180, 180]: a y of -0.0 (which the centre's arithmetic can produce)
// counts as +0.0, so a point straight left of the centre is at 180, not -180.
double AngleOf(double y, double x) { return std::atan2(y == 0 ? 0.0 : y, x) * kDegPerRad; }
}  // namespace

bool CircleThroughPoints(DPoint& centre, double& startAngle, double& endAngle, double& radius, const DPoint& p0,
                         const DPoint& p1, const DPoint& p2) {
  centre = {};
  startAngle = endAngle = radius = 0;
  // Relative to the start point.
  const double bx = p1.x - p0.x, by = p1.y - p0.y;
  const double cx = p2.x - p0.x, cy = p2.y - p0.y;
  double mx, my;  // the centre
  if (std::fabs(cx) >= kEpsilon) {
    const double d = by - cy * bx / cx;
    if (std::fabs(d) < kEpsilon) return false;
    my = ((bx * bx + by * by) - (cx * cx + cy * cy) * bx / cx) * 0.5 / d;
    mx = ((cx * cx + cy * cy) * 0.5 - cy * my) / cx;
  } else if (std::fabs(cy) >= kEpsilon) {
    my = cy / 2;
    if (std::fabs(bx) < kEpsilon) return false;
    mx = (bx * bx + (by - my) * (by - my) - my * my) * 0.5 / bx;
  } else {
    // The end is the start: the full circle with p1 opposite p0.
    mx = bx / 2;
    my = by / 2;
  }

  const double t = AngleOf(by - my, bx - mx);
  const double s = AngleOf(-my, -mx);
  double e = AngleOf(cy - my, cx - mx);
  if (e <= s) {
    const double t2 = s < t ? t - 360 : t;
    if (!(e <= t2)) e += 360;
  } else {
    const double t2 = t < s ? t + 360 : t;
    if (!(t2 <= e)) e -= 360;
  }

  const double m = std::max(bx * bx + by * by, (cx - bx) * (cx - bx) + (cy - by) * (cy - by));
  const double far = (mx - bx) * (mx - bx) + (my - by) * (my - by);
  if (m != 0 && far / m > kFlatRatioSquared) return false;

  centre = {mx + p0.x, my + p0.y};
  startAngle = s;
  endAngle = e;
  radius = std::hypot(mx, my);
  return true;
}

ArcCircle CircleOfArc(const DPoint& start, const DPoint& through, const DPoint& end) {
  ArcCircle c;
  c.isArc = CircleThroughPoints(c.centre, c.startAngle, c.endAngle, c.radius, start, through, end);
  return c;
}

void AppendArcBeziers(CubicArray& out, const DPoint& start, const DPoint& through, const DPoint& end,
                      double* outRadius) {
  AppendArcBeziersOnCircle(out, CircleOfArc(start, through, end), start, end, outRadius);
}

void AppendArcBeziersOnCircle(CubicArray& out, const ArcCircle& circle, const DPoint& start, const DPoint& end,
                              double* outRadius) {
  if (!circle.isArc) {
    if (outRadius) *outRadius = 0;
    out.Append64(Cubic::Straight(start, end));
    return;
  }
  const DPoint& centre = circle.centre;
  const double a0 = circle.startAngle, a1 = circle.endAngle, r = circle.radius;
  if (outRadius) *outRadius = r;
  const double sweep = std::fabs(a1 - a0);
  const int pieces = sweep <= 90 + kEpsilon ? 1 : sweep <= 180 + kEpsilon ? 2 : sweep <= 270 + kEpsilon ? 3 : 4;
  const double step = (a1 - a0) / pieces;
  for (int i = 0; i < pieces; ++i) {
    Cubic c;
    const double from = a0 + step * i;
    const double to = i + 1 == pieces ? a1 : a0 + step * (i + 1);
    MakeArcCubic(c, centre, r, from, to);
    // The ends are the caller's points exactly, so that runs of records join.
    if (i == 0) c.p[0] = start;
    if (i + 1 == pieces) c.p[3] = end;
    if (i > 0) c.p[0] = out[out.Count() - 1].p[3];
    out.Append64(c);
  }
}

}  // namespace kvn
