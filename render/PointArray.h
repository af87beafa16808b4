// PointArray: a growable run of 16-byte points (x, y as doubles), the form in
// which flattened outlines and polygon corners travel between the path
// helpers.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"

namespace kvn {

static_assert(sizeof(DPoint) == 16);

class PointArray {
 public:
  explicit PointArray(std::uint32_t step = 8) : points(step) {}
  // Appends n points in one block copy; when they do not fit the capacity
  // becomes twice the old one plus n.
  void AppendPoints(const DPoint* src, std::uint32_t n) {
    if (src && n) points.Append(src, n);
  }
  void Add(const DPoint& p) { points.Append(p); }
  void Clear() { points.Clear(); }
  std::uint32_t Count() const { return points.Count(); }
  const DPoint* Items() const { return points.Items(); }
  const DPoint& operator[](std::uint32_t i) const { return points[i]; }

  GrowArray<DPoint> points;
};

}  // namespace kvn
