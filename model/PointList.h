// PointList: the vertex list of polygons, links, walls and glyph contours.
//
// At most 65,535 points (x, y doubles in drawing units); every operation keeps
// that limit, so the count always fits the record's 16-bit field. The flags
// byte says how the vertices are read:
//   0x02        closed
//   0x04, 0x08, 0x10  curve kind = 3 x (0x10) + 2 x (0x08) + (0x04):
//               0 straight edges, 1 smooth curve through the points,
//               2 straight edges with corners rounded by the weight as radius,
//               3 cubic chain (start, two controls, end, then three points per
//               further piece; needs 4 + 3k points)
//   0x80        the points hold packed (x, y, z) triples
//   0x01        per-point corner radii follow, in records before version 3054
//               only; never set after reading
// Tight and hull bounds are a cache refreshed by UpdateBounds.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "foundation/Vec3.h"
#include "model/Cubic.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;
struct WorldMapping;

// Appends to point arrays that must stay within the 16-bit count of the record.
struct PointList16 {
  static constexpr std::uint32_t kMaxPoints = 65535;
  // Appends p unless the array already holds 65,535 points (silently
  // dropped then). Grows to fit.
  static void AppendCapped(GrowArray<DPoint>& points, const DPoint& p);
};

class PointList {
 public:
  static constexpr std::uint32_t kMaxPoints = PointList16::kMaxPoints;
  static constexpr std::uint8_t kFlagOldRadii = 0x01;
  static constexpr std::uint8_t kFlagClosed = 0x02;
  static constexpr std::uint8_t kFlagCurve1 = 0x04;
  static constexpr std::uint8_t kFlagCurve2 = 0x08;
  static constexpr std::uint8_t kFlagCurve3 = 0x10;
  static constexpr std::uint8_t kCurveBits = kFlagCurve1 | kFlagCurve2 | kFlagCurve3;
  static constexpr std::uint8_t kFlagPacked3D = 0x80;

  // Empty, closed, weight 0, bounds zero.
  PointList();
  PointList(const PointList&) = delete;
  PointList& operator=(const PointList&) = delete;
  PointList(PointList&&) noexcept = default;
  PointList& operator=(PointList&&) noexcept = default;

  // Flags, weight and bounds copied, points replaced by a copy.
  void Assign(const PointList& other);

  std::uint32_t Count() const { return points_.Count(); }
  // The vertices; the span cannot change the count.
  std::span<const DPoint> Points() const { return {points_.Items(), points_.Count()}; }
  std::span<DPoint> Points() { return {points_.Items(), points_.Count()}; }

  std::uint8_t Flags() const { return flags_; }
  void SetFlags(std::uint8_t flags) { flags_ = flags; }
  bool IsClosed() const { return (flags_ & kFlagClosed) != 0; }
  void SetClosed(bool closed);
  // Sets the curve bits for kind 0..3 (other values give 0).
  void SetCurveKind(int kind);
  double Weight() const { return weight_; }
  void SetWeight(double weight) { weight_ = weight; }

  // Replaces the vertices by the first min(n, 65535) points.
  void SetPoints(const DPoint* points, std::uint32_t n);
  // Inserts at `position` (appended beyond the end); false at 65,535 points.
  bool InsertPoint(const DPoint& p, std::uint32_t position);
  // False when `index` is not below the count or the count would fall below
  // 3 (closed), 2 (open) or 0 (open with allowEmpty).
  bool RemovePoint(std::uint32_t index, bool allowEmpty);

  // The curve kind (0..3) and, through usedCount, how many points it uses: all
  // of them, or 4 + 3k for a cubic chain. A chain of fewer than 4 points and a
  // flag combination beyond 3 read as straight edges.
  int GetCurveKind(std::uint32_t* usedCount = nullptr) const;

  // Empties the list and makes it a cubic chain (kind 3) of the records with
  // the given closed flag: the first start, then both controls and the end of
  // every record, as long as the list holds fewer than 65,535 points.
  void SetFromCubics(const Cubic* records, std::uint32_t n, bool closed);
  void SetFromCubics(const CubicArray& records, bool closed) { SetFromCubics(records.Items(), records.Count(), closed); }
  // The same with 3-D records, stored as packed triples (flag 0x80).
  void SetFromCubics3D(const Cubic3D* records, std::uint32_t n, bool closed);
  // Packed triples: consecutive doubles x0 y0 z0 x1 y1 z1 ... laid over the
  // 2-D points, an odd number of doubles leaving the last point half used.
  // Both set flag 0x80. Add3DPoint refuses a triple that would not fit in
  // 65,535 points; Set3DPoints keeps the first triples that fit (43,690).
  bool Add3DPoint(const Vec3& p);
  void Set3DPoints(const Vec3* points, std::uint32_t n);
  // Number of triples held by a packed list.
  std::uint32_t Count3D() const;
  Vec3 Get3DPoint(std::uint32_t i) const;

  // Turns every vertex about the centre (degrees, counter-clockwise).
  void Rotate(const DPoint& centre, double angle);

  // Refreshes the cached bounds: kinds 0 and 2 the box of the vertices (for
  // both); kinds 1 and 3 the exact box of the cubic records (tight), and for a
  // cubic chain the hull also takes in every control point.
  void UpdateBounds();
  void GetBounds(DRect& tight, DRect& hull) const {
    tight = tight_;
    hull = hull_;
  }

  // A curved list whose cubic records are all straight and joined end to end
  // becomes a straight list of their ends; anything else stays as it is.
  void StraightenCurves();

  // Appends the list as cubic records by its curve kind (CurveConversion.cpp)
  // and sets out.closed from the list.
  void ToBeziers(CubicArray& out) const;

  // Record of the current form (3111): flags byte, compact count, first point
  // as reals, further coordinates as delta values, weight for kind 2.
  void Write(ArchiveWriter& w) const;
  // Record of any version band. Replaces points, flags and (kind 2) weight; a
  // record that ends early sets the archive's error flag and keeps what was read.
  void Read(ArchiveReader& r, int version);

  // Length of the drawn line. Exact (flag set) for straight edges and rounded
  // corners; curved kinds are measured along their cubic records.
  double GetLength(bool* exact = nullptr) const;
  // Enclosed area of a closed list of at least 3 points, else 0. Exact for
  // straight edges and rounded corners and for cubic records (Green's theorem),
  // but reported exact only for kinds 0 and 2.
  double GetArea(bool* exact = nullptr) const;

  // Empties the renderer's current path and appends the cubic records, mapped
  // to device sub-pixels, as one new piece with the list's closed flag
  // (PointListPath.cpp).
  void AppendToPath(const WorldMapping& mapping) const;

 private:
  void ConvertOldRadii(const double* radii);

  GrowArray<DPoint> points_{8};
  double weight_ = 0.0;
  std::uint8_t flags_ = kFlagClosed;
  DRect tight_;
  DRect hull_;
};

// The general segment test of the geometry helpers: the object the points
// belong to, one edge, and the caller's value (a distance, a tolerance).
using SegmentTest = std::function<bool(const void* object, const DPoint& from, const DPoint& to, double value)>;

// Runs `test` on the edge of the first `count` points that ends at point i:
// from point i - 1 to point i, and for i = 0 the closing edge from the last
// point. False, without a test, for an index outside 0..count-1, fewer than
// two points or no test.
bool TestPolylineEdge(const SegmentTest& test, const void* object, std::span<const DPoint> points, int i, int count,
                      double value);

}  // namespace kvn
