// The segment-level part of the curve clip: bounds, cuts and the test of one
// segment against the clip rectangle. Integer geometry in 1/256 pixel; the
// cubic's power-basis coefficients and its roots are doubles (all values come
// from 32-bit integers, so they are finite).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

#include "render/CurveClip.h"

namespace kvn {

namespace {

__extension__ typedef __int128 Int128;

std::int32_t Saturate(Int128 v) {
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return std::int32_t(v);
}

// floor(v + 0.5), limited to the 32-bit range (every value here lies in the
// convex hull of 32-bit points; the limit only guards the conversion).
std::int32_t Rnd(double v) {
  const double r = std::floor(v + 0.5);
  if (!(r > -2147483648.0)) return INT32_MIN;  // NaN too
  if (r >= 2147483647.0) return INT32_MAX;
  return std::int32_t(r);
}

// Power basis of one coordinate: P(t) = ((a t + b) t + c) t + p0.
struct Axis {
  double a, b, c, p0;
  Axis(std::int32_t q0, std::int32_t q1, std::int32_t q2, std::int32_t q3) {
    p0 = q0;
    c = 3.0 * (double(q1) - q0);
    b = 3.0 * (double(q2) - q1) - c;
    a = double(q3) - q0 - c - b;
  }
  double At(double t) const { return ((a * t + b) * t + c) * t + p0; }
  double Slope(double t) const { return (3.0 * a * t + 2.0 * b) * t + c; }
};

Axis XAxis(const DeviceSegment& s) { return Axis(s.v[0], s.v[2], s.v[4], s.v[6]); }
Axis YAxis(const DeviceSegment& s) { return Axis(s.v[1], s.v[3], s.v[5], s.v[7]); }

void SwapAxes(DeviceSegment& s) {
  for (int i = 0; i < 8; i += 2) std::swap(s.v[i], s.v[i + 1]);
}

// ---- roots of a t^3 + b t^2 + c t + d in the cut window ----

constexpr double kWindowLow = 1e-7;
constexpr double kWindowLowThird = 1e-6;  // the third trigonometric root
constexpr double kWindowHigh = 0.9999999;
constexpr double kTwoThirdsPi = 2.0943951023931953;

struct Cubic1 {
  double a, b, c, d;
  double At(double t) const { return ((a * t + b) * t + c) * t + d; }
  double Slope(double t) const { return (3.0 * a * t + 2.0 * b) * t + c; }
};

// The closed forms lose digits when the leading coefficient is small against
// the others (|b/a| up to 2^35 here), which could put a cut a few units off
// the edge and leave it crossing. A few Newton steps, each kept only when it
// lowers the residual, restore the root to full precision.
double Polish(const Cubic1& f, double t) {
  if (!std::isfinite(t)) return t;
  double r = std::fabs(f.At(t));
  for (int i = 0; i < 4 && r > 0; ++i) {
    const double slope = f.Slope(t);
    if (slope == 0 || !std::isfinite(slope)) break;
    const double next = t - f.At(t) / slope;
    const double rn = std::fabs(f.At(next));
    if (!(rn < r)) break;
    t = next;
    r = rn;
  }
  return t;
}

bool InWindow(double t, double low) { return t > low && t < kWindowHigh; }

// The first root, in the order of the closed forms, inside the window.
bool FindCut(const Cubic1& f, double& t) {
  double roots[3];
  double lows[3] = {kWindowLow, kWindowLow, kWindowLow};
  int n = 0;
  const double a = f.a, b = f.b, c = f.c, d = f.d;
  if (std::fabs(a) >= 1) {
    const double ba = b / a, ca = c / a, da = d / a;
    const double p = ca - ba * ba / 3;
    const double q = 2 * ba * ba * ba / 27 + da - ca * ba / 3;
    const double disc = p * p * p / 27 + q * q / 4;
    const double shift = -ba / 3;
    if (disc < 0) {
      if (p <= 0) {
        const double r = std::sqrt(-p / 3);
        const double r3 = 2 * r * r * r;
        if (r3 != 0) {
          const double theta = std::acos(std::clamp(-q / r3, -1.0, 1.0));
          roots[n++] = 2 * r * std::cos(theta / 3) + shift;
          roots[n++] = 2 * r * std::cos(kTwoThirdsPi - theta / 3) + shift;
          lows[n] = kWindowLowThird;
          roots[n++] = 2 * r * std::cos(theta / 3 + kTwoThirdsPi) + shift;
        }
      }
    } else {
      const double sd = std::sqrt(disc);
      roots[n++] = std::cbrt(sd - q / 2) + std::cbrt(-q / 2 - sd) + shift;
    }
  } else if (std::fabs(b) >= 1) {
    const double cb = c / b;
    const double disc = cb * cb - 4 * d / b;
    if (disc >= 0) {
      const double sq = std::sqrt(disc);
      roots[n++] = (-cb - sq) / 2;
      roots[n++] = (sq - cb) / 2;
    }
  } else if (std::fabs(c) >= 1) {
    roots[n++] = -d / c;
  }
  for (int i = 0; i < n; ++i) {
    const double root = Polish(f, roots[i]);
    if (InWindow(root, lows[i])) {
      t = root;
      return true;
    }
  }
  return false;
}

// ---- straight segments ----

// One end point replaced: the second part starts at (x, y), the first ends
// there; the control point beside it moves along so the part stays straight.
void SetStart(DeviceSegment& s, std::int32_t x, std::int32_t y) {
  s.v[0] = s.v[2] = x;
  s.v[1] = s.v[3] = y;
}
void SetEnd(DeviceSegment& s, std::int32_t x, std::int32_t y) {
  s.v[4] = s.v[6] = x;
  s.v[5] = s.v[7] = y;
}

bool TestStraight(SegmentCut& out, const DeviceSegment& s, const ClipRect& r) {
  const DevicePoint p0{s.v[0], s.v[1]}, p3{s.v[6], s.v[7]};
  out.first = DeviceSegment::Line(p0.x, p0.y, p0.x, p0.y);
  out.second = DeviceSegment::Line(p3.x, p3.y, p3.x, p3.y);
  // 64-bit: the half-plane rectangles of the contour clipper use the limits.
  const std::int64_t x1 = r.x1, y1 = r.y1, x2 = r.x2, y2 = r.y2;
  const std::int64_t minX = std::min(p0.x, p3.x), maxX = std::max(p0.x, p3.x);
  const std::int64_t minY = std::min(p0.y, p3.y), maxY = std::max(p0.y, p3.y);
  if (maxX <= x1 + 1 || minX >= x2 - 1 || maxY <= y1 + 1 || minY >= y2 - 1) {
    out.firstOutside = out.secondOutside = true;
    return true;
  }
  // Entry and exit through the vertical edges first.
  if (p0.x != p3.x) {
    const bool right = p0.x < p3.x;
    const std::int32_t entry = right ? r.x1 : r.x2;
    const std::int32_t exit = right ? r.x2 : r.x1;
    auto between = [&](std::int32_t e) { return right ? (p0.x < e && e < p3.x) : (p0.x > e && e > p3.x); };
    if (between(entry)) {
      out.firstOutside = true;
      SetStart(out.second, entry, IntersectLineX(p0, p3, entry));
      return true;
    }
    if (between(exit)) {
      out.secondOutside = true;
      SetEnd(out.first, exit, IntersectLineX(p0, p3, exit));
      return true;
    }
  }
  if (p0.y == p3.y) return false;
  const bool down = p0.y < p3.y;
  const std::int32_t entry = down ? r.y1 : r.y2;
  const std::int32_t exit = down ? r.y2 : r.y1;
  auto between = [&](std::int32_t e) { return down ? (p0.y < e && e < p3.y) : (p0.y > e && e > p3.y); };
  if (between(entry)) {
    out.firstOutside = true;
    SetStart(out.second, IntersectLineY(p0, p3, entry), entry);
    return true;
  }
  if (between(exit)) {
    out.secondOutside = true;
    SetEnd(out.first, IntersectLineY(p0, p3, exit), exit);
    return true;
  }
  return false;
}

bool TestCurve(SegmentCut& out, const DeviceSegment& s, const ClipRect& r) {
  SegmentBounds box;
  CubicBoundsInt(box, s);
  if (box.minX >= r.x1 && box.maxX <= r.x2 && box.minY >= r.y1 && box.maxY <= r.y2) return false;
  const std::int64_t x1 = r.x1, y1 = r.y1, x2 = r.x2, y2 = r.y2;
  if (box.maxX > x1 + 1 && box.minX < x2 - 1 && box.maxY > y1 + 1 && box.minY < y2 - 1) {
    const struct {
      std::int32_t edge;
      std::int32_t lo, hi;
      bool vertical;
    } edges[4] = {{r.x1, box.minX, box.maxX, true},
                  {r.x2, box.minX, box.maxX, true},
                  {r.y1, box.minY, box.maxY, false},
                  {r.y2, box.minY, box.maxY, false}};
    for (const auto& e : edges) {
      if (!(e.lo < e.edge && e.edge < e.hi)) continue;
      if (CutCubicAtLine(out.first, out.second, s, e.edge, e.vertical)) {
        out.firstOutside = out.secondOutside = false;
        return true;
      }
    }
    return false;
  }
  out.first = DeviceSegment::Line(s.v[0], s.v[1], s.v[0], s.v[1]);
  out.second = DeviceSegment::Line(s.v[6], s.v[7], s.v[6], s.v[7]);
  out.firstOutside = out.secondOutside = true;
  return true;
}

bool Inside(std::int32_t x, std::int32_t y, const ClipRect& r) { return x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2; }

}  // namespace

std::int32_t IntersectLineX(const DevicePoint& p0, const DevicePoint& p1, std::int32_t edge) {
  std::int64_t den = std::int64_t(p1.x) - p0.x;
  const std::int32_t fallback = Saturate(Int128(p0.y) - 1);
  if (den == 0) return fallback;
  // |dy x dx| reaches 2^64: 128-bit products.
  Int128 num = Int128(std::int64_t(p1.y) - p0.y) * (std::int64_t(edge) - p0.x);
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const Int128 half = den / 2;
  const Int128 q = num >= 0 ? (num + half) / den : (num - half) / den;
  const Int128 result = Int128(p0.y) + q;
  if (result < INT32_MIN || result > INT32_MAX) return fallback;
  return std::int32_t(result);
}

std::int32_t IntersectLineY(const DevicePoint& p0, const DevicePoint& p1, std::int32_t edge) {
  return IntersectLineX(DevicePoint{p0.y, p0.x}, DevicePoint{p1.y, p1.x}, edge);
}

void CubicSubsegmentInt(DeviceSegment& out, const DeviceSegment& s, double t0, double t1) {
  const double span = (t1 - t0) / 3;
  const Axis axes[2] = {XAxis(s), YAxis(s)};
  for (int k = 0; k < 2; ++k) {
    const Axis& ax = axes[k];
    const double start = ax.At(t0);
    const double end = ax.At(t1);
    out.v[0 + k] = Rnd(start);
    out.v[2 + k] = Rnd(start + ax.Slope(t0) * span);
    out.v[4 + k] = Rnd(end - ax.Slope(t1) * span);
    out.v[6 + k] = Rnd(end);
  }
}

void CubicBoundsInt(SegmentBounds& out, const DeviceSegment& s) {
  const Axis axes[2] = {XAxis(s), YAxis(s)};
  double lo[2], hi[2];
  for (int k = 0; k < 2; ++k) {
    const Axis& ax = axes[k];
    lo[k] = std::min<double>(s.v[k], s.v[6 + k]);
    hi[k] = std::max<double>(s.v[k], s.v[6 + k]);
    auto widen = [&](double t) {
      if (!(t >= 0 && t <= 1)) return;
      const double v = ax.At(t);
      lo[k] = std::min(lo[k], v);
      hi[k] = std::max(hi[k], v);
    };
    // Extremes where the derivative 3a t^2 + 2b t + c vanishes.
    if (std::fabs(ax.a) >= FLT_EPSILON) {
      const double disc = ax.b * ax.b - 3 * ax.a * ax.c;
      if (disc >= 0) {
        const double sq = std::sqrt(disc);
        widen((-ax.b - sq) / (3 * ax.a));
        widen((sq - ax.b) / (3 * ax.a));
      }
    } else if (ax.b != 0) {
      widen(-ax.c / (2 * ax.b));
    }
  }
  out.minX = Rnd(lo[0]);
  out.maxX = Rnd(hi[0]);
  out.minY = Rnd(lo[1]);
  out.maxY = Rnd(hi[1]);
}

bool CutCubicAtLine(DeviceSegment& first, DeviceSegment& second, const DeviceSegment& s, std::int32_t edge,
                    bool verticalEdge) {
  // Always solve y(t) = edge: a vertical edge exchanges the axes first.
  DeviceSegment w = s;
  if (verticalEdge) SwapAxes(w);
  const Axis y = YAxis(w);
  double t = 0;
  if (!FindCut(Cubic1{y.a, y.b, y.c, y.p0 - edge}, t)) return false;
  CubicSubsegmentInt(first, w, 0, t);
  CubicSubsegmentInt(second, w, t, 1);
  if (verticalEdge) {
    SwapAxes(first);
    SwapAxes(second);
  }
  return true;
}

bool TestSegmentAgainstRect(SegmentCut& out, const DeviceSegment& s, const ClipRect& r) {
  out.firstOutside = out.secondOutside = false;
  if (Inside(s.v[0], s.v[1], r) && Inside(s.v[2], s.v[3], r) && Inside(s.v[4], s.v[5], r) &&
      Inside(s.v[6], s.v[7], r))
    return false;
  return s.IsStraight() ? TestStraight(out, s, r) : TestCurve(out, s, r);
}

}  // namespace kvn
