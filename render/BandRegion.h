// BandRegion: a software region of device pixels held as y-x banded
// rectangles, the form of the X Window System's region code.
//
// Rectangles are (left, top, right, bottom), right and bottom outside,
// sorted by band (top) and within a band by left; the rectangles of one band
// share top and bottom. Polygons become rectangles through an edge table
// (scan-line entries allocated in blocks of 25) walked with Bresenham steps
// under the even-odd or the winding rule; pixel (x, y) is inside when the
// point (x, y) is (vertices are whole pixels). Binary operations walk both
// rectangle lists band by band (RegionOp) and merge a new band into the one
// above it when both have the same spans and touch.
//
// Every array keeps its memory between uses, so the area fill can reuse one
// region for every area. The result reaches a device context through
// TRegion::FromRects(Rects(), RectCount()).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/GrowArray.h"
#include "model/PathBuffer.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

// Integer polygons for BandRegion::FromPolygons: all points one after the
// other and the point count of each polygon.
struct PolygonList {
  GrowArray<TPoint> points{64};
  GrowArray<std::uint32_t> counts{8};
  void Clear() {
    points.Clear();
    counts.Clear();
  }
};

namespace band_region_detail {

// Bresenham stepping of x along an edge, one scan line at a time: x moves by
// m or m1 = m +- 1 depending on the sign of the error term d. 64-bit, since
// the doubled deltas of 32-bit points need 34 bits.
struct Edge {
  std::int64_t ymax = 0;  // the last scan line of the edge
  std::int64_t x = 0;     // x on the current scan line
  std::int64_t d = 0, m = 0, m1 = 0, incr1 = 0, incr2 = 0;
  Edge* next = nullptr;
  Edge* back = nullptr;
  Edge* nextWinding = nullptr;  // the edges where the winding count changes between inside and outside
  bool clockwise = false;       // runs downwards (from the lower y to the higher)

  void Init(std::int64_t dy, std::int64_t x1, std::int64_t x2) {
    x = x1;
    const std::int64_t dx = x2 - x1;
    m = dx / dy;
    if (dx < 0) {
      m1 = m - 1;
      incr1 = -2 * dx + 2 * dy * m1;
      incr2 = -2 * dx + 2 * dy * m;
      d = 2 * m * dy - 2 * dx - 2 * dy;
    } else {
      m1 = m + 1;
      incr1 = 2 * dx - 2 * dy * m1;
      incr2 = 2 * dx - 2 * dy * m;
      d = -2 * m * dy + 2 * dx;
    }
  }
  void Step() {
    if (m1 > 0) {
      if (d > 0) {
        x += m1;
        d += incr1;
      } else {
        x += m;
        d += incr2;
      }
    } else {
      if (d >= 0) {
        x += m1;
        d += incr1;
      } else {
        x += m;
        d += incr2;
      }
    }
  }
};

// The edges that start on one scan line, sorted by x.
struct ScanLine {
  std::int64_t y = 0;
  Edge* edges = nullptr;
  ScanLine* next = nullptr;
};

struct ScanLineBlock {
  static constexpr int kEntries = 25;
  ScanLine entries[kEntries];
};

}  // namespace band_region_detail

class BandRegion {
 public:
  // Fill rules of FromPolygons; any value other than kWinding is even-odd.
  static constexpr int kEvenOdd = 1;
  static constexpr int kWinding = 2;
  // Scan conversion stops (leaving the region empty) beyond this many
  // edge-rows, so that a polygon millions of pixels tall cannot hang a paint.
  static constexpr std::int64_t kMaxEdgeRows = std::int64_t(1) << 26;
  // Polygons of more points in all are refused as well (each point may give
  // an edge record of 80 bytes).
  static constexpr std::uint64_t kMaxPoints = std::uint64_t(1) << 22;

  struct Cursor {
    const TRect* current = nullptr;
    std::uint32_t remaining = 0;
  };

  BandRegion();
  ~BandRegion();
  BandRegion(const BandRegion&) = delete;
  BandRegion& operator=(const BandRegion&) = delete;

  // Releases every array and the chained region.
  void Free();
  // No rectangles, extents 0 (memory kept).
  void Clear();
  // The normalised rectangle; empty when it has no width or height.
  void SetRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
  void SetRectFrom(const TRect& rect) { SetRect(rect.left, rect.top, rect.right, rect.bottom); }
  // Scan-converts the polygons (each implicitly closed). False, with the
  // region empty, when the work budget is exceeded.
  bool FromPolygons(const TPoint* points, const std::uint32_t* counts, std::uint32_t polygonCount, int rule);
  bool FromPolygons(const PolygonList& list, int rule) {
    return FromPolygons(list.points.Items(), list.counts.Items(), list.counts.Count(), rule);
  }
  void IntersectRect(const TRect& rect);
  // Removes the other region's pixels (the other region may be this one).
  void Subtract(const BandRegion& other);
  // False, with nothing moved, when a rectangle would leave the 32-bit range.
  bool Offset(std::int32_t dx, std::int32_t dy);
  // A copy of a banded rectangle list; the extents are recomputed.
  void Assign(const TRect* rects, std::uint32_t count);
  // The iteration pair set to the first rectangle and the count.
  Cursor Rewind();

  std::uint32_t RectCount() const { return rects_.Count(); }
  const TRect* Rects() const { return rects_.Items(); }
  bool IsEmpty() const { return rects_.Count() == 0; }
  const TRect& Extents() const { return extents_; }

  // A second region owned by this one and freed with it.
  BandRegion* Chained() const { return chained_.get(); }
  void SetChained(std::unique_ptr<BandRegion> region) { chained_ = std::move(region); }

 private:
  friend void SetRegionExtents(BandRegion* region);
  friend void RegionOp(BandRegion* out, const BandRegion& a, const BandRegion& b,
                       void (*overlap)(GrowArray<TRect>&, const TRect*, const TRect*, const TRect*, const TRect*,
                                       std::int32_t, std::int32_t),
                       void (*nonOverlapA)(GrowArray<TRect>&, const TRect*, const TRect*, std::int32_t, std::int32_t),
                       void (*nonOverlapB)(GrowArray<TRect>&, const TRect*, const TRect*, std::int32_t,
                                           std::int32_t));
  using Edge = band_region_detail::Edge;
  using ScanLineBlock = band_region_detail::ScanLineBlock;

  bool ScanConvert(const TPoint* points, const std::uint32_t* counts, std::uint32_t polygonCount, int rule);
  void SpansToRects();

  GrowArray<TRect> rects_{16};
  Cursor cursor_;
  TRect extents_{};
  std::vector<std::unique_ptr<ScanLineBlock>> scanLineBlocks_;
  std::vector<Edge> edges_;
  GrowArray<TPoint> spans_{64};
  std::unique_ptr<BandRegion> chained_;
};

// Band routines of RegionOp. An overlap routine gets the rectangles of one
// band of each region, [a, aEnd) and [b, bEnd), and the y range where they
// overlap; a non-overlap routine gets one band and the y range where only
// its region has rectangles. Both append rectangles of that y range to `out`.
using RegionOverlapFn = void (*)(GrowArray<TRect>& out, const TRect* a, const TRect* aEnd, const TRect* b,
                                 const TRect* bEnd, std::int32_t top, std::int32_t bottom);
using RegionNonOverlapFn = void (*)(GrowArray<TRect>& out, const TRect* r, const TRect* rEnd, std::int32_t top,
                                    std::int32_t bottom);

// The band walk behind every binary operation; a routine given as null
// produces nothing for its bands. `out` may be `a` or `b`.
void RegionOp(BandRegion* out, const BandRegion& a, const BandRegion& b, RegionOverlapFn overlap,
              RegionNonOverlapFn nonOverlapA, RegionNonOverlapFn nonOverlapB);
// The bounding box of all rectangles, or all 0 when there are none.
void SetRegionExtents(BandRegion* region);

// The input of BandRegion::FromPolygons for path pieces (1/256 device
// pixel): each non-empty piece is clipped to the device clip rectangle
// widened by 2 pixels, flattened, and every point rounded to whole pixels
// ((v + 128) >> 8); each piece gives one polygon.
void FlattenPathToPolygons(PolygonList* out, SegmentArray* const* pieces, std::uint32_t pieceCount,
                           const TRect& deviceClip);

}  // namespace kvn
