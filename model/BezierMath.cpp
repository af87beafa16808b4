#include "model/BezierMath.h"
#include "foundation/MathConstants.h"

#include <cfloat>
#include <cmath>

namespace kvn {

namespace {


DPoint Lerp(const DPoint& a, const DPoint& b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// Roots in (0, 1) of a t^2 + b t + c; at most two, written to `roots`.
int UnitRoots(double a, double b, double c, double roots[2]) {
  int n = 0;
  auto keep = [&](double t) {
    if (t > 0 && t < 1) roots[n++] = t;
  };
  if (std::fabs(a) < kFloatEpsilon) {
    if (b != 0) keep(-c / b);
    return n;
  }
  const double disc = b * b - 4 * a * c;
  if (disc < 0) return 0;
  if (disc == 0) {
    keep(-b / (2 * a));
    return n;
  }
  // The form that avoids cancellation between -b and the root.
  const double s = std::sqrt(disc);
  const double q = -0.5 * (b + (b < 0 ? -s : s));
  keep(q / a);
  if (q != 0) keep(c / q);
  return n;
}

void Halve(const Cubic& c, Cubic& left, Cubic& right) {
  const DPoint p01 = Lerp(c.p[0], c.p[1], 0.5);
  const DPoint p12 = Lerp(c.p[1], c.p[2], 0.5);
  const DPoint p23 = Lerp(c.p[2], c.p[3], 0.5);
  const DPoint a = Lerp(p01, p12, 0.5);
  const DPoint b = Lerp(p12, p23, 0.5);
  const DPoint m = Lerp(a, b, 0.5);
  left = Cubic{{c.p[0], p01, a, m}};
  right = Cubic{{m, b, p23, c.p[3]}};
}

// Whether q lies outside the span of a and b. Symmetric in a and b: a curve
// and its reverse flatten to the same points.
bool Outside(double a, double b, double q) { return q < std::fmin(a, b) || q > std::fmax(a, b); }

// Gauss-Legendre nodes and weights on [-1, 1].
constexpr double kGl3x[3] = {-0.7745966692414834, 0.0, 0.7745966692414834};
constexpr double kGl3w[3] = {0.5555555555555556, 0.8888888888888888, 0.5555555555555556};
constexpr double kGl5x[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831, 0.9061798459386640};
constexpr double kGl5w[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889, 0.4786286704993665,
                             0.2369268850561891};

double SpeedIntegral(const Cubic& c, double a, double b) {
  const double half = 0.5 * (b - a);
  const double mid = 0.5 * (a + b);
  double sum = 0;
  for (int i = 0; i < 5; ++i) {
    const DPoint d = CubicDerivative(c, mid + half * kGl5x[i]);
    sum += kGl5w[i] * std::hypot(d.x, d.y);
  }
  return sum * half;
}

double AdaptiveLength(const Cubic& c, double a, double b, double whole, double tolerance, int depth) {
  const double m = 0.5 * (a + b);
  const double left = SpeedIntegral(c, a, m);
  const double right = SpeedIntegral(c, m, b);
  if (depth == 0 || !(std::fabs(left + right - whole) > tolerance)) return left + right;
  return AdaptiveLength(c, a, m, left, tolerance * 0.5, depth - 1) +
         AdaptiveLength(c, m, b, right, tolerance * 0.5, depth - 1);
}

}  // namespace

DPoint CubicPoint(const Cubic& c, double t) {
  const double u = 1 - t;
  const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
  return {b0 * c.p[0].x + b1 * c.p[1].x + b2 * c.p[2].x + b3 * c.p[3].x,
          b0 * c.p[0].y + b1 * c.p[1].y + b2 * c.p[2].y + b3 * c.p[3].y};
}

DPoint CubicDerivative(const Cubic& c, double t) {
  const double u = 1 - t;
  const double d0 = 3 * u * u, d1 = 6 * u * t, d2 = 3 * t * t;
  return {d0 * (c.p[1].x - c.p[0].x) + d1 * (c.p[2].x - c.p[1].x) + d2 * (c.p[3].x - c.p[2].x),
          d0 * (c.p[1].y - c.p[0].y) + d1 * (c.p[2].y - c.p[1].y) + d2 * (c.p[3].y - c.p[2].y)};
}

void CubicBezierSlice(DPoint out[4], const DPoint in[4], double t0, double t1) {
  const Cubic c{{in[0], in[1], in[2], in[3]}};
  const double k = (t1 - t0) / 3;
  const DPoint a = CubicPoint(c, t0);
  const DPoint b = CubicPoint(c, t1);
  const DPoint da = CubicDerivative(c, t0);
  const DPoint db = CubicDerivative(c, t1);
  out[0] = a;
  out[1] = {a.x + k * da.x, a.y + k * da.y};
  out[2] = {b.x - k * db.x, b.y - k * db.y};
  out[3] = b;
}

void GetBezierBounds(DRect& box, const Cubic& c, BezierExtremes* extremes) {
  DPoint candidates[6];
  int n = 0;
  candidates[n++] = c.p[0];
  candidates[n++] = c.p[3];
  // d/dt of the cubic is A t^2 + B t + C per axis, with the factor 3 kept.
  auto addRoots = [&](double p0, double p1, double p2, double p3) {
    const double a = 3.0 * (-p0 + 3 * p1 - 3 * p2 + p3);
    const double b = 6.0 * (p0 - 2 * p1 + p2);
    const double cc = 3.0 * (p1 - p0);
    double roots[2];
    const int k = UnitRoots(a, b, cc, roots);
    for (int i = 0; i < k; ++i) candidates[n++] = CubicPoint(c, roots[i]);
  };
  addRoots(c.p[0].x, c.p[1].x, c.p[2].x, c.p[3].x);
  addRoots(c.p[0].y, c.p[1].y, c.p[2].y, c.p[3].y);

  BezierExtremes e{candidates[0], candidates[0], candidates[0], candidates[0]};
  box = {candidates[0].x, candidates[0].y, candidates[0].x, candidates[0].y};
  for (int i = 1; i < n; ++i) {
    const DPoint& q = candidates[i];
    if (q.x < box.x1) {
      box.x1 = q.x;
      e.minX = q;
    }
    if (q.x > box.x2) {
      box.x2 = q.x;
      e.maxX = q;
    }
    if (q.y < box.y1) {
      box.y1 = q.y;
      e.minY = q;
    }
    if (q.y > box.y2) {
      box.y2 = q.y;
      e.maxY = q;
    }
  }
  if (extremes) *extremes = e;
}

void FlattenBezier(GrowArray<DPoint>& out, const Cubic& c, double relativeTolerance) {
  out.Append(c.p[0]);
  DRect box;
  GetBezierBounds(box, c, nullptr);
  const double tolerance = (box.Width() + box.Height()) * relativeTolerance * 0.5;
  if (tolerance > kFloatEpsilon) {
    Cubic scratch = c;
    SubdivideBezier(scratch, out, 15, tolerance);
  }
  out.Append(c.p[3]);
}

void SubdivideBezier(Cubic& c, GrowArray<DPoint>& out, int depth, double tolerance) {
  if (depth <= 0) {
    out.Append(c.p[3]);
    return;
  }
  const DPoint& p0 = c.p[0];
  const DPoint& p1 = c.p[1];
  const DPoint& p2 = c.p[2];
  const DPoint& p3 = c.p[3];
  const double dx = p3.x - p0.x;
  const double dy = p3.y - p0.y;
  // Work along the chord's main axis: u runs along it, v across.
  const bool alongX = std::fabs(dx) >= std::fabs(dy);
  auto u = [alongX](const DPoint& p) { return alongX ? p.x : p.y; };
  auto v = [alongX](const DPoint& p) { return alongX ? p.y : p.x; };
  const double du = alongX ? dx : dy;
  const double dv = alongX ? dy : dx;

  const bool outside = Outside(u(p0), u(p3), u(p1)) || Outside(u(p0), u(p3), u(p2));
  if (!outside) {
    if (std::fabs(du) < kFloatEpsilon) {
      out.Append(p3);
      return;
    }
    const double m = dv / du;
    // Deviation measured across the main axis, not perpendicular to the chord.
    const double d1 = std::fabs(v(p1) - v(p0) - (u(p1) - u(p0)) * m);
    const double d2 = std::fabs(v(p2) - v(p0) - (u(p2) - u(p0)) * m);
    if (d1 <= tolerance && d2 <= tolerance) {
      out.Append(p3);
      return;
    }
  }
  Cubic left, right;
  Halve(c, left, right);
  c = left;
  SubdivideBezier(c, out, depth - 1, tolerance);
  SubdivideBezier(right, out, depth - 1, tolerance);
}

double CubicLength(const Cubic& c) {
  double polygon = 0;
  for (int i = 0; i < 3; ++i) polygon += std::hypot(c.p[i + 1].x - c.p[i].x, c.p[i + 1].y - c.p[i].y);
  if (!(polygon > 0)) return polygon == 0 ? 0 : polygon;  // zero, or NaN passed on
  return AdaptiveLength(c, 0, 1, SpeedIntegral(c, 0, 1), polygon * 1e-10, 24);
}

double CubicSignedArea(const Cubic& c) {
  double sum = 0;
  for (int i = 0; i < 3; ++i) {
    const double t = 0.5 + 0.5 * kGl3x[i];
    const DPoint p = CubicPoint(c, t);
    const DPoint d = CubicDerivative(c, t);
    sum += kGl3w[i] * (p.x * d.y - p.y * d.x);
  }
  return 0.25 * sum;  // x 0.5 for the interval, x 0.5 for the area
}

}  // namespace kvn
