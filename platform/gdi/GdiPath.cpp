#include "platform/gdi/GdiPath.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvn {

namespace {

constexpr int kMaxFlattenDepth = 16;

DPoint Mid(const DPoint& a, const DPoint& b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; }

// Appends the end points of the lines approximating the cubic p0..p3.
void FlattenCubic(const DPoint& p0, const DPoint& p1, const DPoint& p2, const DPoint& p3, double tolerance, int depth,
                  GdiPath* out) {
  // The curve lies within 3/4 of the larger second difference of its control
  // polygon from the chord.
  double dx = std::max(std::fabs(p0.x - 2 * p1.x + p2.x), std::fabs(p1.x - 2 * p2.x + p3.x));
  double dy = std::max(std::fabs(p0.y - 2 * p1.y + p2.y), std::fabs(p1.y - 2 * p2.y + p3.y));
  if (depth >= kMaxFlattenDepth || !(0.75 * std::hypot(dx, dy) > tolerance)) {
    out->LineTo(p3);
    return;
  }
  DPoint p01 = Mid(p0, p1), p12 = Mid(p1, p2), p23 = Mid(p2, p3);
  DPoint a = Mid(p01, p12), b = Mid(p12, p23);
  DPoint m = Mid(a, b);
  FlattenCubic(p0, p01, a, m, tolerance, depth + 1, out);
  FlattenCubic(m, b, p23, p3, tolerance, depth + 1, out);
}

// Calls f(first, count, closed) for every figure.
template <class F>
void ForEachFigure(const std::uint8_t* types, std::uint32_t count, F f) {
  std::uint32_t i = 0;
  while (i < count) {
    std::uint32_t start = i++;
    while (i < count && (types[i] & ~kPtCloseFigure) != kPtMoveTo) ++i;
    f(start, i - start, (types[i - 1] & kPtCloseFigure) != 0);
  }
}

// Clips the polygon to the half-plane `inside`, with `cut` giving the
// crossing of an edge with its border.
template <class In, class Cut>
void ClipPolygon(const std::vector<DPoint>& in, std::vector<DPoint>& out, In inside, Cut cut) {
  out.clear();
  if (in.empty()) return;
  DPoint prev = in.back();
  bool prevIn = inside(prev);
  for (const DPoint& cur : in) {
    bool curIn = inside(cur);
    if (curIn != prevIn) out.push_back(cut(prev, cur));
    if (curIn) out.push_back(cur);
    prev = cur;
    prevIn = curIn;
  }
}

// Liang-Barsky: cuts a-b to the box; false when nothing remains.
bool ClipSegment(DPoint& a, DPoint& b, double limit) {
  double t0 = 0, t1 = 1;
  double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x + limit, limit - a.x, a.y + limit, limit - a.y};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    double t = q[k] / p[k];
    if (p[k] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  DPoint na{a.x + t0 * dx, a.y + t0 * dy};
  DPoint nb{a.x + t1 * dx, a.y + t1 * dy};
  a = na;
  b = nb;
  return true;
}

}  // namespace

void GdiPath::MoveTo(const DPoint& p) {
  figureStart_ = points_.Count();
  points_.Add(p);
  types_.Add(kPtMoveTo);
}

void GdiPath::LineTo(const DPoint& p) {
  points_.Add(p);
  types_.Add(kPtLineTo);
}

void GdiPath::BezierTo(const DPoint& c1, const DPoint& c2, const DPoint& end) {
  points_.Add(c1);
  points_.Add(c2);
  points_.Add(end);
  types_.Add(kPtBezierTo);
  types_.Add(kPtBezierTo);
  types_.Add(kPtBezierTo);
}

void GdiPath::CloseFigure() {
  std::uint32_t n = points_.Count();
  if (n < 2 || n - 1 <= figureStart_) return;
  types_[n - 1] |= kPtCloseFigure;
}

void GdiPath::Append(const GdiPath& other) {
  if (other.Empty()) return;
  std::uint32_t base = points_.Count();
  points_.Append(other.points_.Items(), other.points_.Count());
  types_.Append(other.types_.Items(), other.types_.Count());
  figureStart_ = base + other.figureStart_;
}

void GdiPath::Clear() {
  points_.Clear();
  types_.Clear();
  figureStart_ = 0;
}

bool GdiPath::IsFinite() const {
  return std::all_of(points_.begin(), points_.end(),
                     [](const DPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); });
}

bool GdiPath::GetBounds(double* x0, double* y0, double* x1, double* y1) const {
  if (Empty()) return false;
  double ax = points_[0].x, ay = points_[0].y, bx = ax, by = ay;
  for (const DPoint& p : points_) {
    ax = std::min(ax, p.x);
    ay = std::min(ay, p.y);
    bx = std::max(bx, p.x);
    by = std::max(by, p.y);
  }
  *x0 = ax;
  *y0 = ay;
  *x1 = bx;
  *y1 = by;
  return true;
}

double GdiPath::ControlLength() const {
  double total = 0;
  for (std::uint32_t i = 1; i < points_.Count(); ++i) {
    if ((types_[i] & ~kPtCloseFigure) == kPtMoveTo) continue;
    total += std::hypot(points_[i].x - points_[i - 1].x, points_[i].y - points_[i - 1].y);
  }
  return total;
}

void GdiPath::Flatten(double tolerance, GdiPath* out) const {
  out->Clear();
  std::uint32_t n = points_.Count();
  for (std::uint32_t i = 0; i < n; ++i) {
    std::uint8_t type = types_[i] & ~kPtCloseFigure;
    if (type == kPtMoveTo) {
      out->MoveTo(points_[i]);
    } else if (type == kPtBezierTo && i + 2 < n && i > 0) {
      FlattenCubic(points_[i - 1], points_[i], points_[i + 1], points_[i + 2], tolerance, 0, out);
      i += 2;
    } else {
      out->LineTo(points_[i]);
    }
    if (types_[i] & kPtCloseFigure) out->CloseFigure();
  }
}

void GdiPath::ClipToBox(double limit, bool forFill, GdiPath* out) const {
  GdiPath flat;
  Flatten(0.25, &flat);
  out->Clear();
  const DPoint* pts = flat.Points();
  auto inBox = [limit](const DPoint& p) { return std::fabs(p.x) <= limit && std::fabs(p.y) <= limit; };
  std::vector<DPoint> a, b;
  ForEachFigure(flat.Types(), flat.Count(), [&](std::uint32_t first, std::uint32_t count, bool closed) {
    if (std::all_of(pts + first, pts + first + count, inBox)) {
      out->MoveTo(pts[first]);
      for (std::uint32_t k = 1; k < count; ++k) out->LineTo(pts[first + k]);
      if (closed || forFill) out->CloseFigure();
      return;
    }
    if (forFill) {
      a.assign(pts + first, pts + first + count);
      auto cutX = [](double x) {
        return [x](const DPoint& p, const DPoint& q) {
          return DPoint{x, p.y + (q.y - p.y) * (x - p.x) / (q.x - p.x)};
        };
      };
      auto cutY = [](double y) {
        return [y](const DPoint& p, const DPoint& q) {
          return DPoint{p.x + (q.x - p.x) * (y - p.y) / (q.y - p.y), y};
        };
      };
      ClipPolygon(a, b, [limit](const DPoint& p) { return p.x >= -limit; }, cutX(-limit));
      ClipPolygon(b, a, [limit](const DPoint& p) { return p.x <= limit; }, cutX(limit));
      ClipPolygon(a, b, [limit](const DPoint& p) { return p.y >= -limit; }, cutY(-limit));
      ClipPolygon(b, a, [limit](const DPoint& p) { return p.y <= limit; }, cutY(limit));
      if (a.size() < 3) return;
      out->MoveTo(a[0]);
      for (std::size_t k = 1; k < a.size(); ++k) out->LineTo(a[k]);
      out->CloseFigure();
      return;
    }
    std::uint32_t segments = closed ? count : count - 1;
    bool open = false;  // a piece is being continued
    for (std::uint32_t k = 0; k < segments; ++k) {
      DPoint p = pts[first + k];
      DPoint q = pts[first + (k + 1) % count];
      DPoint p0 = p, q0 = q;
      if (!ClipSegment(p, q, limit)) {
        open = false;
        continue;
      }
      if (!open || !(p == p0)) out->MoveTo(p);
      out->LineTo(q);
      open = q == q0;
    }
  });
}

void GdiPath::ToPolygons(GrowArray<DPoint>* points, GrowArray<std::uint32_t>* counts) const {
  GdiPath flat;
  Flatten(0.25, &flat);
  ForEachFigure(flat.Types(), flat.Count(), [&](std::uint32_t first, std::uint32_t count, bool) {
    points->Append(flat.Points() + first, count);
    counts->Add(count);
  });
}

}  // namespace kvn
