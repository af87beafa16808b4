#include "model/RoundedCorners.h"
#include "foundation/MathConstants.h"

#include <cfloat>
#include <cmath>
#include <numbers>

namespace kvn {

namespace {

// Handle of a quarter circle of radius 1: 4 (sqrt 2 - 1) / 3.
constexpr double kCircleHandle = 0.552284749830793;
// Beyond this tan(turn / 2) the corner is a reversal for all practical radii.
constexpr double kMaxTangentRatio = 1000000.0;

DPoint Dir(double degrees) { return {std::cos(degrees * kRadPerDeg), std::sin(degrees * kRadPerDeg)}; }
DPoint Add(const DPoint& p, const DPoint& u, double k) { return {p.x + u.x * k, p.y + u.y * k}; }

// Arc records of a rounded corner, filled by Geometry().
struct CornerArcs {
  Cubic record[2];
  int count = 0;
};

bool Geometry(const DPoint& a, const DPoint& b, const DPoint& c, double r, RoundedCorner& out, CornerArcs* arcs) {
  out = RoundedCorner{b, b};
  if (!(r > 0)) return false;
  const double theta1 = std::atan2(b.y - a.y, b.x - a.x) / kRadPerDeg;
  const double theta2 = std::atan2(c.y - b.y, c.x - b.x) / kRadPerDeg;
  const double alpha = std::fabs(theta2 - theta1) / 2;
  const double s = std::fabs(std::sin(alpha * kRadPerDeg));
  const double co = std::fabs(std::cos(alpha * kRadPerDeg));
  if (!(co >= kFloatEpsilon) || !(s >= kFloatEpsilon) || s / co > kMaxTangentRatio) return false;

  double t = r * s / co;
  const double len1 = (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y);
  const double len2 = (c.x - b.x) * (c.x - b.x) + (c.y - b.y) * (c.y - b.y);
  if (t * t > len1 || t * t > len2) {
    t = std::sqrt(std::fmin(len1, len2));
    r = t * co / s;
  }
  if (!(t > 0) || !std::isfinite(t) || !(r > 0) || !std::isfinite(r)) return false;

  const DPoint u1 = Dir(theta1);
  const DPoint u2 = Dir(theta2);
  out.start = Add(b, u1, -t);
  out.end = Add(b, u2, t);

  double psi = std::fmod(theta2 - (theta1 - 180), 360.0);
  if (psi < 0) psi += 360;
  int d = 1;
  if (psi > 180) {
    psi -= 360;
    d = -1;
  }
  const double half = 90 - std::fabs(psi) / 2;
  out.angle = std::fabs(psi);
  out.sweep = 180 - std::fabs(psi);
  out.radius = r;
  out.tangent = t;
  out.direction = d;
  out.rounded = true;
  if (!arcs) return true;

  const double k = r * kCircleHandle * half;
  if (half <= 45) {
    const double h = k / 45;
    arcs->record[0] = Cubic{{out.start, Add(out.start, u1, h), Add(out.end, u2, -h), out.end}};
    arcs->count = 1;
  } else {
    const double m = psi / 2 + theta1 - 180;  // bisector, pointing from b into the corner
    const DPoint mid = Add(b, Dir(m), std::sqrt(t * t + r * r) - r);
    const double h = k / 90;
    arcs->record[0] = Cubic{{out.start, Add(out.start, u1, h), Add(mid, Dir(m - 90 * d), h), mid}};
    arcs->record[1] = Cubic{{mid, Add(mid, Dir(m + 90 * d), h), Add(out.end, u2, -h), out.end}};
    arcs->count = 2;
  }
  return true;
}

void Emit(CubicArray* records, GrowArray<DPoint>* onCurve, const Cubic& record) {
  if (records) records->Append64(record);
  if (onCurve) onCurve->Append(record.p[0]);
}

}  // namespace

bool ComputeRoundedCorner(const DPoint& a, const DPoint& b, const DPoint& c, double r, RoundedCorner& out) {
  return Geometry(a, b, c, r, out, nullptr);
}

bool RoundCorner(RoundedCorner* corner, CubicArray* records, GrowArray<DPoint>* onCurve, const DPoint& a,
                 const DPoint& b, const DPoint& c, double r, PendingSegment& pending) {
  RoundedCorner geometry;
  CornerArcs arcs;
  const bool rounded = Geometry(a, b, c, r, geometry, &arcs);
  if (!(pending.from == geometry.start)) Emit(records, onCurve, Cubic::Straight(pending.from, geometry.start));
  for (int i = 0; i < arcs.count; ++i) Emit(records, onCurve, arcs.record[i]);
  pending.from = geometry.end;
  if (corner) *corner = geometry;
  return rounded;
}

void RoundedPolylineToBeziers(CubicArray& records, GrowArray<DPoint>* onCurve, const DPoint* points,
                              std::uint32_t n, bool closed, double radius, const double* radii) {
  if (points == nullptr || n == 0) return;
  const std::uint32_t before = records.Count();
  if ((radius == 0 && radii == nullptr) || n < 3) {
    for (std::uint32_t i = 0; i + 1 < n; ++i) Emit(&records, onCurve, Cubic::Straight(points[i], points[i + 1]));
    if (closed && n >= 2) Emit(&records, onCurve, Cubic::Straight(points[n - 1], points[0]));
  } else {
    auto radiusAt = [&](std::uint32_t i) { return radius != 0 ? radius : radii[i]; };
    PendingSegment pending;
    if (!closed) {
      pending.from = points[0];
      for (std::uint32_t i = 1; i + 1 < n; ++i) {
        RoundCorner(nullptr, &records, onCurve, points[i - 1], points[i], points[i + 1], radiusAt(i), pending);
      }
      if (!(pending.from == points[n - 1])) {
        Emit(&records, onCurve, Cubic::Straight(pending.from, points[n - 1]));
      }
    } else {
      RoundedCorner first;
      ComputeRoundedCorner(points[n - 1], points[0], points[1], radiusAt(0), first);
      pending.from = first.end;
      for (std::uint32_t i = 1; i < n; ++i) {
        const DPoint& next = points[i + 1 < n ? i + 1 : 0];
        RoundCorner(nullptr, &records, onCurve, points[i - 1], points[i], next, radiusAt(i), pending);
      }
      RoundCorner(nullptr, &records, onCurve, points[n - 1], points[0], points[1], radiusAt(0), pending);
    }
  }
  if (onCurve && records.Count() > before) onCurve->Append(records[records.Count() - 1].p[3]);
}

}  // namespace kvn
