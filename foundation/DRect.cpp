#include "foundation/DRect.h"

#include <algorithm>
#include <utility>

namespace kvn {

void DRect::Normalize() {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
}

void DRect::Offset(double dx, double dy) {
  x1 += dx;
  x2 += dx;
  y1 += dy;
  y2 += dy;
}

void DRect::Inflate(double dx, double dy) {
  x1 -= dx;
  y1 -= dy;
  x2 += dx;
  y2 += dy;
}

void DRect::Union(const DRect& r, bool& first) {
  if (first) {
    *this = r;
    first = false;
    return;
  }
  x1 = std::min(x1, r.x1);
  y1 = std::min(y1, r.y1);
  x2 = std::max(x2, r.x2);
  y2 = std::max(y2, r.y2);
}

void DRect::AddPoint(const DPoint& p, bool& first) {
  if (first) {
    *this = DRect{p.x, p.y, p.x, p.y};
    first = false;
    return;
  }
  x1 = std::min(x1, p.x);
  y1 = std::min(y1, p.y);
  x2 = std::max(x2, p.x);
  y2 = std::max(y2, p.y);
}

void DRect::Intersect(const DRect& other) {
  if (IsZero()) return;
  if (other.IsZero()) {
    *this = DRect{};
    return;
  }
  Normalize();
  DRect r = other;
  r.Normalize();
  if (r.x2 > x1 && x2 > r.x1 && r.y2 > y1 && y2 > r.y1) {
    *this = DRect{std::max(x1, r.x1), std::max(y1, r.y1), std::min(x2, r.x2), std::min(y2, r.y2)};
  } else {
    *this = DRect{};
  }
}

}  // namespace kvn
