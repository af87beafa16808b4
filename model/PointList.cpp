#include "model/PointList.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/BezierMath.h"
#include "model/Geometry.h"
#include "model/RoundedCorners.h"

namespace kvn {

namespace {

// Curve kind by the flag formula, combinations beyond 3 included.
int RawCurveKind(std::uint8_t flags) {
  return 3 * ((flags >> 4) & 1) + 2 * ((flags >> 3) & 1) + ((flags >> 2) & 1);
}

// Packed triples: double j of the list lives in point j / 2, x or y.
double PackedGet(const GrowArray<DPoint>& points, std::uint32_t j) {
  const DPoint& p = points[j / 2];
  return (j & 1) ? p.y : p.x;
}
void PackedSet(GrowArray<DPoint>& points, std::uint32_t j, double v) {
  DPoint& p = points[j / 2];
  ((j & 1) ? p.y : p.x) = v;
}

// The most triples that fit in 65,535 points: 131,070 doubles.
constexpr std::uint32_t kMaxTriples = PointList16::kMaxPoints * 2 / 3;

// Whether the corners of the list are the point itself: every point of a
// closed list, the inner points of an open one.
bool IsCorner(std::uint32_t i, std::uint32_t n, bool closed) { return closed || (i > 0 && i + 1 < n); }

}  // namespace

void PointList16::AppendCapped(GrowArray<DPoint>& points, const DPoint& p) {
  if (points.Count() >= kMaxPoints) return;
  points.Append(p);
}

PointList::PointList() = default;

void PointList::Assign(const PointList& other) {
  if (this == &other) return;
  flags_ = other.flags_;
  weight_ = other.weight_;
  tight_ = other.tight_;
  hull_ = other.hull_;
  points_.Clear();
  points_.Append(other.points_.Items(), other.points_.Count());
}

void PointList::SetClosed(bool closed) {
  flags_ = closed ? std::uint8_t(flags_ | kFlagClosed) : std::uint8_t(flags_ & ~kFlagClosed);
}

void PointList::SetCurveKind(int kind) {
  flags_ &= std::uint8_t(~kCurveBits);
  if (kind == 1) flags_ |= kFlagCurve1;
  if (kind == 2) flags_ |= kFlagCurve2;
  if (kind == 3) flags_ |= kFlagCurve3;
}

void PointList::SetPoints(const DPoint* points, std::uint32_t n) {
  if (n > kMaxPoints) n = kMaxPoints;
  if (points == nullptr) n = 0;
  if (n > 0 && points == points_.Items()) {
    // Our own leading points: keeping them is all there is to do.
    if (n < points_.Count()) points_.SetCount(n);
    return;
  }
  points_.Clear();
  points_.Append(points, n);
}

bool PointList::InsertPoint(const DPoint& p, std::uint32_t position) {
  const std::uint32_t count = points_.Count();
  if (count >= kMaxPoints) return false;
  const DPoint value = p;  // p may live in our own storage, which may move
  if (position >= count) {
    points_.Append(value);
    return true;
  }
  points_.SetCount(count + 1);
  std::memmove(static_cast<void*>(points_.Items() + position + 1), points_.Items() + position,
               std::size_t(count - position) * sizeof(DPoint));
  points_[position] = value;
  return true;
}

bool PointList::RemovePoint(std::uint32_t index, bool allowEmpty) {
  const std::uint32_t count = points_.Count();
  if (index >= count) return false;
  const std::uint32_t minimum = IsClosed() ? 3 : (allowEmpty ? 0 : 2);
  if (count - 1 < minimum) return false;
  points_.DetachAt(index);
  return true;
}

int PointList::GetCurveKind(std::uint32_t* usedCount) const {
  const std::uint32_t count = points_.Count();
  int kind = RawCurveKind(flags_);
  std::uint32_t used = count;
  if (kind > 3) {
    kind = 0;  // not a kind any writer makes: drawn as straight edges
  } else if (kind == 3) {
    if (count < 4) {
      kind = 0;
    } else {
      used = 4 + 3 * ((count - 4) / 3);
    }
  }
  if (usedCount) *usedCount = used;
  return kind;
}

void PointList::SetFromCubics(const Cubic* records, std::uint32_t n, bool closed) {
  points_.Clear();
  SetClosed(closed);
  SetCurveKind(3);
  flags_ &= std::uint8_t(~kFlagPacked3D);  // plain 2-D points from here on
  if (records == nullptr || n == 0) return;
  PointList16::AppendCapped(points_, records[0].p[0]);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (int k = 1; k < 4; ++k) PointList16::AppendCapped(points_, records[i].p[k]);
  }
}

void PointList::SetFromCubics3D(const Cubic3D* records, std::uint32_t n, bool closed) {
  points_.Clear();
  SetClosed(closed);
  SetCurveKind(3);
  flags_ |= kFlagPacked3D;
  if (records == nullptr || n == 0) return;
  Add3DPoint(records[0].p[0]);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (int k = 1; k < 4; ++k) Add3DPoint(records[i].p[k]);
  }
}

std::uint32_t PointList::Count3D() const { return std::uint32_t(std::uint64_t(points_.Count()) * 2 / 3); }

Vec3 PointList::Get3DPoint(std::uint32_t i) const {
  if (i >= Count3D()) return {};
  const std::uint32_t j = 3 * i;
  return {PackedGet(points_, j), PackedGet(points_, j + 1), PackedGet(points_, j + 2)};
}

bool PointList::Add3DPoint(const Vec3& p) {
  const std::uint32_t used = 3 * Count3D();  // doubles in use
  const std::uint32_t needed = (used + 3 + 1) / 2;
  if (needed > kMaxPoints) return false;
  const std::uint32_t old = points_.Count();
  if (needed > old) {
    points_.SetCount(needed);
    for (std::uint32_t i = old; i < needed; ++i) points_[i] = DPoint{};
  }
  PackedSet(points_, used, p.x);
  PackedSet(points_, used + 1, p.y);
  PackedSet(points_, used + 2, p.z);
  flags_ |= kFlagPacked3D;
  return true;
}

void PointList::Set3DPoints(const Vec3* points, std::uint32_t n) {
  points_.Clear();
  flags_ |= kFlagPacked3D;
  if (points == nullptr) return;
  if (n > kMaxTriples) n = kMaxTriples;
  const std::uint32_t needed = (3 * n + 1) / 2;
  points_.SetCount(needed);
  for (std::uint32_t i = 0; i < needed; ++i) points_[i] = DPoint{};
  for (std::uint32_t i = 0; i < n; ++i) {
    PackedSet(points_, 3 * i, points[i].x);
    PackedSet(points_, 3 * i + 1, points[i].y);
    PackedSet(points_, 3 * i + 2, points[i].z);
  }
}

void PointList::Rotate(const DPoint& centre, double angle) {
  for (DPoint& p : points_) RotatePoint(p, centre, angle);
}

void PointList::UpdateBounds() {
  const int kind = GetCurveKind();
  if (kind == 0 || kind == 2) {
    GetPointsBounds(tight_, points_.Items(), points_.Count());
    hull_ = tight_;
    return;
  }
  CubicArray records;
  ToBeziers(records);
  tight_ = DRect{};
  bool first = true;
  for (const Cubic& c : records) {
    DRect box;
    GetBezierBounds(box, c);
    tight_.Union(box, first);
  }
  hull_ = tight_;
  if (kind == 3) {
    bool firstHull = records.Empty();
    for (const Cubic& c : records) {
      DRect box;
      GetPointsBounds(box, c.p, 4);
      hull_.Union(box, firstHull);
    }
  }
}

void PointList::StraightenCurves() {
  if (GetCurveKind() == 0) return;
  CubicArray records;
  ToBeziers(records);
  if (records.Empty()) return;
  for (std::uint32_t i = 0; i < records.Count(); ++i) {
    const Cubic& c = records[i];
    if (!c.IsStraight()) return;
    if (i > 0 && !(c.p[0] == records[i - 1].p[3])) return;
  }
  GrowArray<DPoint> straight(8);
  PointList16::AppendCapped(straight, records[0].p[0]);
  for (const Cubic& c : records) PointList16::AppendCapped(straight, c.p[3]);
  points_ = std::move(straight);
  flags_ &= std::uint8_t(~kCurveBits);
}

// --- Record ---------------------------------------------------------------------------------

void PointList::Write(ArchiveWriter& w) const {
  w.WriteByte(flags_);
  const std::uint32_t count = points_.Count();  // never above 65,535
  w.WriteCompactU16(std::uint16_t(count));
  if (count > 0) {
    w.WriteReal(points_[0].x);
    w.WriteReal(points_[0].y);
    for (std::uint32_t i = 1; i < count; ++i) {
      w.WriteDeltaValue(points_[i].x, points_[i - 1].x);
      w.WriteDeltaValue(points_[i].y, points_[i - 1].y);
    }
  }
  if (RawCurveKind(flags_) == 2) w.WriteReal(weight_);
}

void PointList::Read(ArchiveReader& r, int version) {
  flags_ = r.ReadByte();
  points_.Clear();
  if (version < 3061) {
    const std::uint16_t count = r.ReadUInt16();
    const bool oldRadii = version < 3054 && (flags_ & kFlagOldRadii) != 0;
    if (version < 3054) flags_ &= std::uint8_t(~kFlagOldRadii);
    // Two IEEE singles per point.
    if (count != 0 && !r.CanRead(count, 8)) return;
    points_.Reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const DPoint p = r.ReadFloatPoint();
      if (r.HasError()) return;
      points_.Append(p);
    }
    if (oldRadii) {
      if (count != 0 && !r.CanRead(count, 4)) return;
      std::vector<double> radii(count);
      for (double& radius : radii) radius = r.ReadFloat();
      if (!r.HasError()) ConvertOldRadii(radii.data());
    }
  } else {
    const std::uint16_t count = r.ReadCompactU16();
    if (count > 0) {
      // Fewest bits a list of this count can take: two short reals (25 bits
      // each in the legacy real format) and two flag bits per further point,
      // less the up to 7 bits already fetched.
      if (!r.CanRead((41 + 2 * std::uint64_t(count)) / 8, 1)) return;
      points_.Reserve(count);
      DPoint p;
      p.x = r.ReadReal();
      p.y = r.ReadReal();
      if (r.HasError()) return;
      points_.Append(p);
      for (std::uint32_t i = 1; i < count; ++i) {
        // The reader can only tell that no whole byte is left. Up to 7 bits
        // may still wait, enough for 3 repeated points (2 bits each), which a
        // valid record may end with; more points than that cannot be there.
        if (r.AtEnd() && count - i > 3) {
          r.SetError();
          return;
        }
        if (r.ReadBit()) p.x = r.ReadReal();
        if (r.ReadBit()) p.y = r.ReadReal();
        if (r.HasError()) return;  // a real cut short is not a point
        points_.Append(p);
      }
    }
  }
  if (version >= 3054 && RawCurveKind(flags_) == 2) weight_ = version < 3061 ? r.ReadFloat() : r.ReadReal();
}

// Files before 3054 kept a radius per point. One radius for all rounded
// corners is kind 2, with every sharp corner doubled (a zero-length edge keeps
// a corner sharp); differing radii become a cubic chain of the rounded
// polyline, its arcs placed exactly as kind 2 places them.
void PointList::ConvertOldRadii(const double* radii) {
  const std::uint32_t n = points_.Count();
  if (n < 3) return;
  const bool closed = IsClosed();
  std::vector<double> radius(n);
  double common = 0;
  bool uniform = true;
  for (std::uint32_t i = 0; i < n; ++i) {
    // A negative or non-numeric radius is a sharp corner.
    radius[i] = IsCorner(i, n, closed) && radii[i] > 0 && std::isfinite(radii[i]) ? radii[i] : 0.0;
    if (radius[i] == 0) continue;
    if (common == 0) {
      common = radius[i];
    } else if (radius[i] != common) {
      uniform = false;
    }
  }
  if (common == 0) return;

  if (uniform) {
    GrowArray<DPoint> doubled(8);
    doubled.Reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
      PointList16::AppendCapped(doubled, points_[i]);
      if (IsCorner(i, n, closed) && radius[i] == 0) PointList16::AppendCapped(doubled, points_[i]);
    }
    points_ = std::move(doubled);
    SetCurveKind(2);
    weight_ = common;
    return;
  }
  CubicArray records;
  RoundedPolylineToBeziers(records, nullptr, points_.Items(), n, closed, 0.0, radius.data());
  if (!records.Empty()) SetFromCubics(records, closed);
}

// --- Measures -------------------------------------------------------------------------------

double PointList::GetLength(bool* exact) const {
  const int kind = GetCurveKind();
  if (exact) *exact = kind == 0 || kind == 2;
  if (kind == 1 || kind == 3) {
    CubicArray records;
    ToBeziers(records);
    double length = 0;
    for (const Cubic& c : records) length += CubicLength(c);
    return length;
  }
  const std::uint32_t n = points_.Count();
  const DPoint* p = points_.Items();
  auto dist = [](const DPoint& a, const DPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); };
  double length = 0;
  for (std::uint32_t i = 0; i + 1 < n; ++i) length += dist(p[i], p[i + 1]);
  const bool closed = IsClosed();
  if (closed && n > 2) length += dist(p[n - 1], p[0]);
  if (kind == 2 && weight_ > 0 && n >= 3) {
    for (std::uint32_t i = 0; i < n; ++i) {
      if (!IsCorner(i, n, closed)) continue;
      RoundedCorner corner;
      if (!ComputeRoundedCorner(p[i == 0 ? n - 1 : i - 1], p[i], p[i + 1 < n ? i + 1 : 0], weight_, corner)) continue;
      // The arc replaces the two tangent pieces of length T.
      length += corner.radius * corner.sweep * std::numbers::pi / 180 - 2 * corner.tangent;
    }
  }
  return length;
}

double PointList::GetArea(bool* exact) const {
  const int kind = GetCurveKind();
  if (exact) *exact = kind == 0 || kind == 2;
  const std::uint32_t n = points_.Count();
  if (!IsClosed() || n < 3) return 0;
  if (kind == 1 || kind == 3) {
    CubicArray records;
    ToBeziers(records);
    if (records.Empty()) return 0;
    double area = 0;
    for (const Cubic& c : records) area += CubicSignedArea(c);
    const DPoint& a = records[records.Count() - 1].p[3];
    const DPoint& b = records[0].p[0];
    area += 0.5 * (a.x * b.y - b.x * a.y);  // closes a chain that does not return
    return std::fabs(area);
  }
  const DPoint* p = points_.Items();
  double twice = 0;  // positive for counter-clockwise
  for (std::uint32_t i = 0; i < n; ++i) {
    const DPoint& prev = p[i == 0 ? n - 1 : i - 1];
    const DPoint& next = p[i + 1 < n ? i + 1 : 0];
    twice += p[i].x * (next.y - prev.y);
  }
  double area = 0.5 * twice;
  if (kind == 2 && weight_ > 0) {
    for (std::uint32_t i = 0; i < n; ++i) {
      RoundedCorner corner;
      if (!ComputeRoundedCorner(p[i == 0 ? n - 1 : i - 1], p[i], p[i + 1 < n ? i + 1 : 0], weight_, corner)) continue;
      // The piece between the two tangents and the arc: kite T r less the
      // sector r^2 phi / 2; cut from the left side for a left turn.
      const double phi = corner.sweep * std::numbers::pi / 180;
      const double piece = corner.tangent * corner.radius - 0.5 * corner.radius * corner.radius * phi;
      area += corner.direction * piece;
    }
  }
  return std::fabs(area);
}

bool TestPolylineEdge(const SegmentTest& test, const void* object, std::span<const DPoint> points, int i, int count,
                      double value) {
  // The count may not reach past the points the caller really has.
  if (!test || count < 2 || std::size_t(count) > points.size() || i < 0 || i >= count) return false;
  const DPoint& from = points[std::size_t(i == 0 ? count - 1 : i - 1)];
  return test(object, from, points[std::size_t(i)], value);
}

}  // namespace kvn
