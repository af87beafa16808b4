// DRect: axis-parallel rectangle of doubles for extents and clipping.
// The all-zero rectangle stands for "no rectangle" in Intersect.
#pragma once

#include "foundation/DPoint.h"

namespace kvn {

struct DRect {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;

  void Normalize();
  void Offset(double dx, double dy);
  void Inflate(double dx, double dy);
  // First-flag idiom: while `first` is set the rectangle becomes a copy of the
  // argument and the flag is cleared, so a caller can grow a box from nothing.
  // No normalisation.
  void Union(const DRect& r, bool& first);
  void AddPoint(const DPoint& p, bool& first);
  // Strict overlap: rectangles that only touch give all zero.
  void Intersect(const DRect& r);
  bool IsZero() const { return x1 == 0 && y1 == 0 && x2 == 0 && y2 == 0; }
  double Width() const { return x2 - x1; }
  double Height() const { return y2 - y1; }

  friend bool operator==(const DRect&, const DRect&) = default;
};

}  // namespace kvn
