// TRegion: a set of device pixels, held as y-x banded rectangles.
//
// The rectangles are sorted by top, then by left. Rectangles of one band
// share their top and bottom and neither touch nor overlap; bands do not
// overlap, and two bands that touch with the same spans are one band. This
// canonical form makes equal pixel sets compare equal rectangle by rectangle.
//
// Coordinates are device pixels (left and top inside, right and bottom
// outside) within +-kRegionCoordLimit, the range GDI accepts for regions;
// operations that would leave it fail and change nothing.
//
// Polygons become pixels by their centres: pixel (x, y) belongs to a polygon
// region when the point (x + 0.5, y + 0.5) lies inside the polygon under its
// fill mode (alternate: an odd number of crossings; winding: a non-zero
// winding number). A rectangle (0, 0)-(10, 10) so covers pixels 0 to 9.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

inline constexpr std::int32_t kRegionCoordLimit = 1 << 27;

class TRegion {
 public:
  TRegion() = default;
  // The rectangle, normalised and clamped to the coordinate limit; empty for
  // a rectangle without area.
  explicit TRegion(const TRect& rect);
  TRegion(const TRegion& other);
  TRegion& operator=(const TRegion& other);
  TRegion(TRegion&&) noexcept = default;
  TRegion& operator=(TRegion&&) noexcept = default;

  // The union of the rectangles (ExtCreateRegion).
  static TRegion FromRects(const TRect* rects, std::uint32_t count);
  // Polygons in device coordinates (each implicitly closed), counts[i] points
  // each. False (and `out` untouched) for a non-finite coordinate, one beyond
  // the limit, a fill mode other than alternate or winding, or a polygon so
  // tall and slanted that its scan conversion exceeds the work budget.
  static bool FromPolygons(const DPoint* points, const std::uint32_t* counts, std::uint32_t polygonCount, int fillMode,
                           TRegion* out);

  // *this = a (mode) b for kRgnAnd, kRgnOr, kRgnXor, kRgnDiff; kRgnCopy copies
  // a. `a` and `b` may be *this. Returns the kind of the result, or
  // kRegionError (nothing changed) for an unknown mode.
  int Combine(const TRegion& a, const TRegion& b, int mode);
  // Moves the region; kRegionError (nothing moved) when it would leave the limit.
  int Offset(std::int32_t dx, std::int32_t dy);

  // kNullRegion, kSimpleRegion (one rectangle) or kComplexRegion.
  int Kind() const;
  bool IsEmpty() const { return rects_.Count() == 0; }
  // The bounding box; all zero for an empty region.
  TRect GetBox() const;
  bool Contains(std::int64_t x, std::int64_t y) const;

  std::uint32_t RectCount() const { return rects_.Count(); }
  const TRect* Rects() const { return rects_.Items(); }

  friend bool operator==(const TRegion& a, const TRegion& b);

 private:
  GrowArray<TRect> rects_{16};
};

}  // namespace kvn
