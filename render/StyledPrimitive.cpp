// Styled primitive output (see StyledPrimitive.h): the clip sink, the GDI
// path output, the flattening and the software dash walk.
#include "render/StyledPrimitive.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/gdi/DeviceContext.h"
#include "render/CurveClip.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

// ---- process-wide scratch (GUI thread only) ----
GrowArray<std::int32_t> flatPoints(64);   // the flattened part, 1/256 pixel
GrowArray<std::int32_t> dashPoints(64);   // the current dash polyline, 1/256 pixel
GrowArray<std::int32_t> symbolPoints(64);
GrowArray<TPoint> devicePoints(64);       // whole pixels for Polyline / PolyDraw
GrowArray<std::uint8_t> deviceTypes(64);
GrowArray<std::int64_t> entryEnds(16);    // cumulative pattern entry ends, shifted

constexpr std::int32_t kNarrowLimit = 32767;
constexpr std::int32_t kWideLimit = 524287;
// A dash polyline whose first edge is shorter than 100/256 pixel (squared
// 10,000) starts at its second point when the caller trims short starts.
constexpr std::int64_t kShortStartSquared = 10000;
constexpr int kFlattenMaxDepth = 14;
// A quarter pixel across the chord.
constexpr std::int64_t kFlatTolerance = 64;

std::int32_t ToPixel(std::int64_t v) { return std::int32_t((v + 128) >> 8); }

std::int32_t Clamp32(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

ClipRect ScaledRect(const DeviceRect& r, std::int32_t limit) {
  std::int64_t x1 = std::min(r.left, r.right), x2 = std::max(r.left, r.right);
  std::int64_t y1 = std::min(r.top, r.bottom), y2 = std::max(r.top, r.bottom);
  if (limit > 0) {
    x1 = std::clamp<std::int64_t>(x1, -limit, limit);
    x2 = std::clamp<std::int64_t>(x2, -limit, limit);
    y1 = std::clamp<std::int64_t>(y1, -limit, limit);
    y2 = std::clamp<std::int64_t>(y2, -limit, limit);
  }
  return {Clamp32(x1 * 256), Clamp32(y1 * 256), Clamp32(x2 * 256), Clamp32(y2 * 256)};
}

// Shifted coordinates reach 2^32, so squares and the step products need
// more than 64 bits.
__extension__ typedef __int128 Wide;

// (v * num) / den, truncating; 128 bits only where 64 could overflow.
std::int64_t MulDiv(std::int64_t v, std::int64_t num, std::int64_t den) {
  constexpr std::int64_t kSafe = std::int64_t(1) << 31;
  if (v > -kSafe && v < kSafe && num >= 0 && num < kSafe) return v * num / den;
  return std::int64_t(Wide(v) * num / den);
}

std::int64_t ISqrt(Wide v) {
  if (v <= 0) return 0;
  if (v < (Wide(1) << 62)) {
    // The usual edge: 64 bits hold every square below (r < 2^31 + 1).
    const std::int64_t v64 = std::int64_t(v);
    std::int64_t r = std::int64_t(std::sqrt(double(v64)));
    while (r * r > v64) --r;
    while ((r + 1) * (r + 1) <= v64) ++r;
    return r;
  }
  Wide r = Wide(std::sqrt(double(v)));
  while (r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return std::int64_t(r);
}

// ---- flattening ----

bool FlatEnough(const std::int32_t* v) {
  const std::int64_t dx = std::int64_t(v[6]) - v[0], dy = std::int64_t(v[7]) - v[1];
  const int along = std::llabs(dx) >= std::llabs(dy) ? 0 : 1;
  const int across = 1 - along;
  const std::int64_t dAlong = along == 0 ? dx : dy;
  const std::int64_t dAcross = along == 0 ? dy : dx;
  if (dAlong == 0) {
    // Both ends in one point: flat only when the control points lie there
    // too (a loop out and back is no point).
    for (int c = 2; c <= 4; c += 2) {
      if (std::llabs(std::int64_t(v[c]) - v[0]) > kFlatTolerance ||
          std::llabs(std::int64_t(v[c + 1]) - v[1]) > kFlatTolerance)
        return false;
    }
    return true;
  }
  const std::int64_t lo = std::min(v[along], v[6 + along]), hi = std::max(v[along], v[6 + along]);
  // Chords and offsets below 2^26 (a quarter of a million pixels: anything
  // on a screen) decide without dividing; the rest divide as the rule reads.
  constexpr std::int64_t kNear = std::int64_t(1) << 26;
  const std::int64_t d = std::llabs(dAlong);
  const bool small = d < kNear;
  for (int c = 2; c <= 4; c += 2) {
    const std::int64_t ca = v[c + along];
    if (ca < lo || ca > hi) return false;
    const std::int64_t a = std::int64_t(v[c + across]) - v[across];
    if (small && a > -kNear && a < kNear) {
      // share = trunc(t dAcross / dAlong) lies within the tolerance of a
      // when a - 64 <= share <= a + 64. With m = t dAcross sign(dAlong),
      // share is floor(m / d) for m >= 0 and ceil(m / d) below, so the two
      // bounds are products (below 2^53: |t|, |dAcross| <= d here).
      const std::int64_t m = (ca - v[along]) * (dAlong < 0 ? -dAcross : dAcross);
      const std::int64_t upper = a + kFlatTolerance, lower = a - kFlatTolerance;
      const bool near = m >= 0 ? (m < (upper + 1) * d && m >= lower * d) : (m <= upper * d && m > (lower - 1) * d);
      if (!near) return false;
      continue;
    }
    // Both factors reach 2^32: their product needs more than 64 bits, unless
    // the chord is shorter than 2^31 (|ca - v[along]| and |dAcross| are at
    // most |dAlong| here).
    const std::int64_t share = d < (std::int64_t(1) << 31) ? (ca - v[along]) * dAcross / dAlong
                                                            : std::int64_t(Wide(ca - v[along]) * dAcross / dAlong);
    const std::int64_t off = a - share;
    if (std::llabs(off) > kFlatTolerance) return false;
  }
  return true;
}

std::int32_t Mid(std::int32_t a, std::int32_t b) { return std::int32_t((std::int64_t(a) + b + 1) >> 1); }

// The subdivision of a segment moved by whole units is the moved subdivision
// of the segment: the midpoints (a + b + 1) >> 1 move with it (the move,
// doubled, is even) and the flatness test reads differences only. So the
// points of a small segment are kept relative to its start, keyed by its
// other three points relative to the start, and a later segment of the same
// shape anywhere (the same circle, arc or symbol repeated across a drawing,
// each of its quarters) takes them without subdividing again.
constexpr std::uint32_t kSmallCurveMaxPoints = 15;
struct SmallCurve {
  // The three relative points as six 16-bit values, the last two in `key1`.
  std::uint64_t key0 = 0;
  std::uint32_t key1 = 0;
  std::uint32_t count = 0;  // points kept; 0: empty entry
  std::int16_t points[2 * kSmallCurveMaxPoints];
};
// 256 shapes, 20 KB a thread that draws.
constexpr std::uint32_t kSmallCurveBits = 8;
thread_local SmallCurve smallCurves[1u << kSmallCurveBits];

}  // namespace

void FlattenCubicInt(GrowArray<std::int32_t>& points, const DeviceSegment& s) {
  const std::int32_t* v = s.v;
  std::int64_t rel[6];
  bool small = true;
  for (int i = 0; i < 6; ++i) {
    rel[i] = std::int64_t(v[2 + i]) - v[i & 1];
    small &= rel[i] >= INT16_MIN && rel[i] <= INT16_MAX;
  }
  if (!small) {
    FlattenCubicIntWalk(points, s);
    return;
  }
  auto u16 = [&](int i) { return std::uint64_t(std::uint16_t(rel[i])); };
  const std::uint64_t key0 = u16(0) | u16(1) << 16 | u16(2) << 32 | u16(3) << 48;
  const std::uint32_t key1 = std::uint32_t(u16(4) | u16(5) << 16);
  const std::uint64_t mixed = (key0 ^ (std::uint64_t(key1) * 0x9E3779B97F4A7C15ull)) * 0xD6E8FEB86659FD93ull;
  SmallCurve& kept = smallCurves[mixed >> (64 - kSmallCurveBits)];
  const std::int32_t x0 = v[0], y0 = v[1];
  if (kept.count != 0 && kept.key0 == key0 && kept.key1 == key1) {
    const std::uint32_t first = points.Count();
    points.SetCount(first + 2 * kept.count);
    std::int32_t* out = points.Items() + first;
    for (std::uint32_t i = 0; i < kept.count; ++i) {
      out[2 * i] = x0 + kept.points[2 * i];
      out[2 * i + 1] = y0 + kept.points[2 * i + 1];
    }
    return;
  }
  const std::uint32_t first = points.Count();
  FlattenCubicIntWalk(points, s);
  // Every point lies in the box of the four (midpoints of midpoints), so
  // relative to the start it fits 16 bits as they do.
  const std::uint32_t made = (points.Count() - first) / 2;
  if (made > kSmallCurveMaxPoints) return;
  const std::int32_t* out = points.Items() + first;
  for (std::uint32_t i = 0; i < made; ++i) {
    kept.points[2 * i] = std::int16_t(out[2 * i] - x0);
    kept.points[2 * i + 1] = std::int16_t(out[2 * i + 1] - y0);
  }
  kept.key0 = key0;
  kept.key1 = key1;
  kept.count = made;
}

void FlattenCubicIntWalk(GrowArray<std::int32_t>& points, const DeviceSegment& s) {
  struct Item {
    DeviceSegment seg;
    int depth;
  };
  // Depth-first, second halves pushed first: at most one pending half per
  // level plus the current one.
  Item stack[kFlattenMaxDepth + 2];
  int top = 0;
  stack[top++] = {s, 0};
  while (top > 0) {
    const Item item = stack[--top];
    const std::int32_t* v = item.seg.v;
    if (item.depth >= kFlattenMaxDepth || FlatEnough(v)) {
      points.Append(&v[6], 2);
      continue;
    }
    std::int32_t m[14];
    for (int k = 0; k < 2; ++k) {
      const std::int32_t p01 = Mid(v[k], v[2 + k]), p12 = Mid(v[2 + k], v[4 + k]), p23 = Mid(v[4 + k], v[6 + k]);
      const std::int32_t p012 = Mid(p01, p12), p123 = Mid(p12, p23);
      const std::int32_t mid = Mid(p012, p123);
      m[0 + k] = v[k];
      m[2 + k] = p01;
      m[4 + k] = p012;
      m[6 + k] = mid;
      m[8 + k] = p123;
      m[10 + k] = p23;
      m[12 + k] = v[6 + k];
    }
    DeviceSegment first, second;
    std::copy(m, m + 8, first.v);
    std::copy(m + 6, m + 14, second.v);
    stack[top++] = {second, item.depth + 1};
    stack[top++] = {first, item.depth + 1};
  }
}

std::uint32_t BuildPenDashArray(std::uint32_t* out, const std::int32_t* pattern, std::uint32_t count,
                                std::uint32_t capacity) {
  if (!pattern || count == 0) return 0;
  std::uint32_t start = 0;
  while (start < count && pattern[start] < 0) ++start;
  if (start == count) start = 0;
  std::uint32_t n = 0;
  auto store = [&](std::int64_t length) {
    if (n + 1 >= capacity) return false;
    out[n++] = std::uint32_t(std::min<std::int64_t>(length, UINT32_MAX));
    return true;
  };
  std::uint32_t i = 0;
  while (i < count) {
    const bool dash = pattern[(start + i) % count] >= 0;
    std::int64_t run = 0;
    while (i < count && (pattern[(start + i) % count] >= 0) == dash) {
      run += std::llabs(std::int64_t(pattern[(start + i) % count]));
      ++i;
    }
    const bool atDash = (n % 2) == 0;
    if (dash != atDash && !store(0)) return 0;
    if (!store(run)) return 0;
  }
  if ((n % 2) != 0 && !store(0)) return 0;
  return n;
}

namespace {

// ---- one part ----

class PartOutput final : public ClipPartSink {
 public:
  PartOutput(const StyledPrimitive& a, TDC* dc, cRasterSurface* raster, bool dryRun)
      : a_(a), dc_(dc), raster_(raster), dryRun_(dryRun) {}

  bool visible = false;

  bool OnClipPart(const ClipPart& part, bool closed) override {
    if (part.Empty()) return false;
    visible = true;
    if (dryRun_) return true;
    Draw(part, closed);
    return false;
  }

 private:
  bool Dashing() const {
    return a_.pattern && a_.patternCount != 0 && a_.patternLength >= 256 && PatternTotal() > 0;
  }
  std::int64_t PatternTotal() const {
    std::int64_t t = 0;
    for (std::uint32_t i = 0; i < a_.patternCount; ++i) t += std::llabs(std::int64_t(a_.pattern[i]));
    return t;
  }

  void Draw(const ClipPart& part, bool closed) {
    const bool dashing = Dashing();
    bool polyline;
    if (!a_.penDashes) {
      polyline = a_.polylineMode != 0;
    } else if (!dashing) {
      polyline = false;
    } else if (a_.symbols && !a_.symbols->empty()) {
      polyline = true;
    } else {
      std::uint32_t entries[10];
      polyline = BuildPenDashArray(entries, a_.pattern, a_.patternCount, 10) == 0;
    }
    if (polyline) {
      PolylineRoute(part, closed, dashing);
    } else {
      GdiPathOutput(part, closed);
    }
  }

  // ---- GDI path output ----
  void GdiPathOutput(const ClipPart& part, bool closed) {
    if (!dc_) return;
    if (part.Count() == 1 && part[0].IsStraight()) {
      const DeviceSegment& s = part[0];
      dc_->MoveTo(ToPixel(s.v[0]), ToPixel(s.v[1]));
      dc_->LineTo(ToPixel(s.v[6]), ToPixel(s.v[7]));
      return;
    }
    devicePoints.Clear();
    deviceTypes.Clear();
    for (std::uint32_t i = 0; i < part.Count(); ++i) {
      const DeviceSegment& s = part[i];
      if (i == 0) AddPoint(s.v, kPtMoveTo);
      if (s.IsStraight()) {
        AddPoint(s.v + 6, kPtLineTo);
      } else {
        AddPoint(s.v + 2, kPtBezierTo);
        AddPoint(s.v + 4, kPtBezierTo);
        AddPoint(s.v + 6, kPtBezierTo);
      }
    }
    if (closed) {
      deviceTypes[deviceTypes.Count() - 1] |= kPtCloseFigure;
    } else if (a_.paintEndPoints) {
      const TPoint last = devicePoints[devicePoints.Count() - 1];
      dc_->MoveTo(last.x, last.y);
      dc_->LineTo(last.x, last.y);
    }
    if (devicePoints.Count() > std::uint32_t(INT32_MAX)) return;
    dc_->PolyDraw(devicePoints.Items(), deviceTypes.Items(), int(devicePoints.Count()));
  }
  static void AddPoint(const std::int32_t* xy, std::uint8_t type) {
    devicePoints.Append(TPoint{ToPixel(xy[0]), ToPixel(xy[1])});
    deviceTypes.Append(type);
  }

  // ---- polylines ----
  void OutputPolyline(const std::int32_t* xy, std::uint32_t count, bool closed) {
    if (count < 2) return;
    if (dc_) {
      devicePoints.Clear();
      for (std::uint32_t i = 0; i < count; ++i)
        devicePoints.Append(TPoint{ToPixel(xy[2 * i]), ToPixel(xy[2 * i + 1])});
      if (closed) devicePoints.Append(devicePoints[0]);
      // A dot (a dash of length 0) would draw nothing on a device, whose
      // lines leave out their last pixel: it becomes one pixel long.
      if (count == 2 && devicePoints[0] == devicePoints[1]) devicePoints[1].x += 1;
      if (devicePoints.Count() > std::uint32_t(INT32_MAX)) return;
      dc_->Polyline(devicePoints.Items(), int(devicePoints.Count()));
    } else if (raster_) {
      raster_->DrawPolyline(xy, count, a_.width, a_.color, a_.trimShortStart, closed);
    }
  }

  void Dot(std::int64_t x, std::int64_t y) {
    const std::int32_t xy[4] = {Clamp32(x), Clamp32(y), Clamp32(x), Clamp32(y)};
    OutputPolyline(xy, 2, false);
  }

  void FlushDash() {
    std::uint32_t n = dashPoints.Count() / 2;
    const std::int32_t* p = dashPoints.Items();
    if (n >= 2 && a_.trimShortStart) {
      const std::int64_t dx = std::int64_t(p[2]) - p[0], dy = std::int64_t(p[3]) - p[1];
      if (dx * dx + dy * dy < kShortStartSquared) {
        p += 2;
        --n;
      }
    }
    OutputPolyline(p, n, false);
    dashPoints.Clear();
  }

  void DrawSymbols(std::uint32_t entry, std::int64_t x, std::int64_t y, double angleDeg) {
    if (!a_.symbols) return;
    const std::int32_t wanted = entry == 0 ? std::int32_t(a_.patternCount) - 1 : std::int32_t(entry) - 1;
    const double rad = angleDeg * std::numbers::pi / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    const double k = a_.symbolScale * 1024.0;
    for (const PatternSymbol& sym : *a_.symbols) {
      if (sym.index != wanted) continue;
      const DPoint off{sym.offset.x * c - sym.offset.y * s, sym.offset.x * s + sym.offset.y * c};
      auto place = [&](const DPoint& p, std::int32_t* out) {
        const DPoint q = sym.noRotate ? p : DPoint{p.x * c - p.y * s, p.x * s + p.y * c};
        const double vx = std::floor((q.x + off.x) * k + 0.5), vy = std::floor((q.y + off.y) * k + 0.5);
        out[0] = Clamp32(x + std::int64_t(std::clamp(vx, -1e12, 1e12)));
        out[1] = Clamp32(y + std::int64_t(std::clamp(vy, -1e12, 1e12)));
      };
      for (const CubicArray& line : sym.polylines) {
        for (const Cubic& cubic : line) {
          DeviceSegment seg;
          for (int i = 0; i < 4; ++i) place(cubic.p[i], seg.v + 2 * i);
          symbolPoints.Clear();
          symbolPoints.Append(seg.v, 2);
          if (seg.IsStraight()) {
            symbolPoints.Append(seg.v + 6, 2);
          } else {
            FlattenCubicInt(symbolPoints, seg);
          }
          OutputPolyline(symbolPoints.Items(), symbolPoints.Count() / 2, false);
        }
      }
    }
  }

  void PolylineRoute(const ClipPart& part, bool closed, bool dashing) {
    flatPoints.Clear();
    for (std::uint32_t i = 0; i < part.Count(); ++i) AppendPolylineSegment(flatPoints, part[i]);
    const std::uint32_t n = flatPoints.Count() / 2;
    if (!dashing) {
      OutputPolyline(flatPoints.Items(), n, closed);
      return;
    }
    DashWalk(n, closed);
  }

  // The software dash walk over flatPoints (n points), in 1/256 pixel
  // shifted left by `shift` bits for sub-unit precision of the cut points.
  void DashWalk(std::uint32_t n, bool closed) {
    const int shift = (a_.penDashes || a_.wideCoordinates) ? 4 : 8;
    const std::int32_t* pts = flatPoints.Items();
    const std::uint32_t count = a_.patternCount;
    // Cumulative entry ends, shifted.
    entryEnds.SetCount(count);
    std::int64_t* const cum_ = entryEnds.Items();
    std::int64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      total += std::llabs(std::int64_t(a_.pattern[i])) << shift;
      cum_[i] = total;
    }
    const bool withSymbols = a_.symbols && !a_.symbols->empty();
    dashPoints.Clear();
    if (a_.paintEndPoints && n > 0) Dot(pts[0], pts[1]);

    std::int64_t run = 0;
    std::int64_t lastEntry = -1;
    std::uint32_t entry = 0;
    std::int64_t lastX = 0, lastY = 0;  // end of the dash polyline, shifted
    const std::uint32_t edges = (closed && n >= 3) ? n : (n > 0 ? n - 1 : 0);

    auto appendShifted = [&](std::int64_t x, std::int64_t y) {
      const std::int32_t xy[2] = {Clamp32(x >> shift), Clamp32(y >> shift)};
      dashPoints.Append(xy, 2);
      lastX = x;
      lastY = y;
    };

    // Walks edge e; on the completion pass stops when the dash ends. Answers
    // false when the walk must stop.
    auto walkEdge = [&](std::uint32_t e, bool completing) -> bool {
      const std::uint32_t i0 = e, i1 = e + 1 == n ? 0 : e + 1;
      const std::int64_t ax = std::int64_t(pts[2 * i0]) << shift, ay = std::int64_t(pts[2 * i0 + 1]) << shift;
      const std::int64_t bx = std::int64_t(pts[2 * i1]) << shift, by = std::int64_t(pts[2 * i1 + 1]) << shift;
      const std::int64_t dx = bx - ax, dy = by - ay;
      if (dx == 0 && dy == 0) return true;
      const std::int64_t len = ISqrt(Wide(dx) * dx + Wide(dy) * dy);
      if (len == 0) return true;
      const double angle = withSymbols ? std::atan2(double(dy), double(dx)) * 180.0 / std::numbers::pi : 0.0;
      const std::int64_t phase = run % total;
      entry = 0;
      // An entry that ends exactly here is taken with nothing left, so that a
      // dot standing at an edge start is not skipped.
      while (entry + 1 < count && cum_[entry] < phase) ++entry;
      std::int64_t left = cum_[entry] - phase;
      std::int64_t pos = 0;
      std::int64_t sx = ax, sy = ay;
      int wraps = 0;
      for (;;) {
        const std::int64_t entryLength = std::llabs(std::int64_t(a_.pattern[entry])) << shift;
        const bool isDash = a_.pattern[entry] >= 0;
        if (std::int64_t(entry) != lastEntry) {
          if (completing && !isDash) return false;
          if (withSymbols && left == entryLength) DrawSymbols(entry, sx >> shift, sy >> shift, angle);
          lastEntry = entry;
        }
        const bool edgeEnds = pos + left >= len;
        std::int64_t ex, ey;
        if (edgeEnds) {
          ex = bx;
          ey = by;
        } else {
          ex = ax + MulDiv(dx, pos + left, len);
          ey = ay + MulDiv(dy, pos + left, len);
        }
        if (isDash) {
          if (dashPoints.Count() == 0) {
            appendShifted(sx, sy);
          } else if (lastX != sx || lastY != sy) {
            FlushDash();
            appendShifted(sx, sy);
          }
          appendShifted(ex, ey);
        }
        if (edgeEnds) {
          run += len;
          return true;
        }
        pos += left;
        sx = ex;
        sy = ey;
        entry = entry + 1 == count ? 0 : entry + 1;
        left = std::llabs(std::int64_t(a_.pattern[entry])) << shift;
        if (entry == 0 && ++wraps >= 3 && total == 0) return true;
      }
    };

    for (std::uint32_t e = 0; e < edges; ++e) walkEdge(e, false);
    // A closed part whose end lies inside a dash walks on over its start
    // until that dash ends, so the dash across the first corner is whole.
    if (closed && n >= 3 && a_.pattern[entry] >= 0) {
      for (std::uint32_t e = 0; e < edges; ++e)
        if (!walkEdge(e, true)) break;
    }
    const bool endsInGap = a_.pattern[entry] < 0;
    FlushDash();
    if (!closed && endsInGap && a_.paintEndPoints && n > 0) Dot(pts[2 * (n - 1)], pts[2 * (n - 1) + 1]);
  }

  const StyledPrimitive& a_;
  TDC* dc_;
  cRasterSurface* raster_;
  bool dryRun_;
};

// ScaledRect of the last few rectangles: the strokes of a paint share the
// device clip, widened by a margin that follows their width, of which a
// drawing has a handful.
ClipRect CachedScaledRect(const DeviceRect& r, std::int32_t limit) {
  struct Entry {
    DeviceRect rect;
    std::int32_t limit = -1;
    ClipRect clip;
  };
  constexpr int kEntries = 4;
  static Entry entries[kEntries];
  static int next = 0;
  for (const Entry& e : entries)
    if (e.limit == limit && e.rect == r) return e.clip;
  Entry& e = entries[next];
  next = (next + 1) % kEntries;
  e.rect = r;
  e.limit = limit;
  e.clip = ScaledRect(r, limit);
  return e.clip;
}

}  // namespace

bool PieceInsideClip(const SegmentArray& piece, const ClipRect& r) {
  for (const DeviceSegment& s : piece.segments) {
    for (int i = 0; i < 8; i += 2) {
      if (!PointInsideClip(s.v + i, r)) return false;
    }
  }
  return true;
}

void AppendPolylineSegment(GrowArray<std::int32_t>& points, const DeviceSegment& s) {
  points.Append(s.v, 2);
  if (s.IsStraight()) {
    points.Append(s.v + 6, 2);
  } else {
    FlattenCubicInt(points, s);
  }
}

ClipRect RasterStrokeClip(const DeviceRect& clip, bool wideCoordinates) {
  return ScaledRect(clip, wideCoordinates ? kWideLimit : kNarrowLimit);
}

RasterDashes PrepareRasterDashes(const std::int32_t* pattern, std::uint32_t count, std::int32_t patternLength,
                                 bool paintEndPoints) {
  RasterDashes out;
  out.pattern = pattern;
  out.count = count;
  out.paintEndPoints = paintEndPoints;
  // PartOutput::Dashing.
  if (!pattern || count == 0 || patternLength < 256) return out;
  std::int64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    // A dash entry followed by another dash entry (or a pattern of one dash)
    // continues the same polyline, which the general walk collects.
    if (pattern[i] >= 0 && pattern[i + 1 == count ? 0 : i + 1] >= 0) return out;
    total += std::llabs(std::int64_t(pattern[i]));
  }
  out.usable = total > 0;
  return out;
}

bool DrawDashedRasterSegment(cRasterSurface& raster, const DeviceSegment& segment, const ClipRect& clip,
                             bool wideCoordinates, std::int32_t width, COLORREF color, std::uint8_t trimShortStart,
                             const RasterDashes& dashes) {
  if (!dashes.usable || !StraightSegmentInside(segment, clip)) return false;
  // From here on what PartOutput::DashWalk does for one open edge of two
  // points, with each dash handed to the surface as soon as it is known (the
  // general walk hands it on when the next one starts; nothing else is drawn
  // in between, so the order of the calls is the same). Every gap entry is at
  // least one unit (16 shifted) long, which moves the cut point along the
  // edge's longer axis by more than 16 / sqrt(2) - 1 > 0: the next dash never
  // starts where the previous one ended, so each dash is a polyline of its
  // own two ends.
  const std::int32_t* pattern = dashes.pattern;
  const std::uint32_t count = dashes.count;
  const std::int32_t* a = segment.v;
  const std::int32_t* b = segment.v + 6;
  if (dashes.paintEndPoints) {
    const std::int32_t dot[4] = {a[0], a[1], a[0], a[1]};
    raster.DrawPolyline(dot, 2, width, color, trimShortStart, false);
  }
  const int shift = wideCoordinates ? 4 : 8;
  const std::int64_t ax = std::int64_t(a[0]) << shift, ay = std::int64_t(a[1]) << shift;
  const std::int64_t bx = std::int64_t(b[0]) << shift, by = std::int64_t(b[1]) << shift;
  const std::int64_t dx = bx - ax, dy = by - ay;
  std::uint32_t entry = 0;
  if (dx != 0 || dy != 0) {
    const std::int64_t len = ISqrt(Wide(dx) * dx + Wide(dy) * dy);
    std::int64_t left = std::llabs(std::int64_t(pattern[0])) << shift;
    std::int64_t pos = 0;
    // Inside the clip every point of the segment, shifted back, is a 32-bit
    // value between the ends: no clamping.
    std::int32_t sx = a[0], sy = a[1];
    // MulDiv's 64-bit case for every cut point at once: the factor (below
    // len) and both differences are below 2^31.
    constexpr std::int64_t kSafe = std::int64_t(1) << 31;
    const bool narrow = len < kSafe && dx > -kSafe && dx < kSafe && dy > -kSafe && dy < kSafe;
    for (;;) {
      const bool edgeEnds = pos + left >= len;
      std::int32_t ex, ey;
      if (edgeEnds) {
        ex = b[0];
        ey = b[1];
      } else if (narrow) {
        ex = std::int32_t((ax + dx * (pos + left) / len) >> shift);
        ey = std::int32_t((ay + dy * (pos + left) / len) >> shift);
      } else {
        ex = std::int32_t((ax + MulDiv(dx, pos + left, len)) >> shift);
        ey = std::int32_t((ay + MulDiv(dy, pos + left, len)) >> shift);
      }
      if (pattern[entry] >= 0) {
        // FlushDash: a dash shorter than the trim limit drops its start and
        // with it the whole two-point polyline.
        const std::int64_t ddx = std::int64_t(ex) - sx, ddy = std::int64_t(ey) - sy;
        if (!trimShortStart || ddx * ddx + ddy * ddy >= kShortStartSquared) {
          const std::int32_t xy[4] = {sx, sy, ex, ey};
          raster.DrawPolyline(xy, 2, width, color, trimShortStart, false);
        }
      }
      if (edgeEnds) break;
      pos += left;
      sx = ex;
      sy = ey;
      entry = entry + 1 == count ? 0 : entry + 1;
      left = std::llabs(std::int64_t(pattern[entry])) << shift;
    }
  }
  if (pattern[entry] < 0 && dashes.paintEndPoints) {
    const std::int32_t dot[4] = {b[0], b[1], b[0], b[1]};
    raster.DrawPolyline(dot, 2, width, color, trimShortStart, false);
  }
  return true;
}

bool DrawStyledPrimitive(const StyledPrimitive& args) {
  if (!args.pieces || args.pieceCount == 0) return false;
  const std::int32_t limit = (args.penDashes || args.wideCoordinates) ? kWideLimit : kNarrowLimit;
  const ClipRect clip = CachedScaledRect(args.clip, limit);
  TDC* dc = args.dc;
  cRasterSurface* raster = dc ? nullptr : args.raster;
  const bool hasTarget = dc || raster;
  bool anyVisible = false;
  for (std::uint32_t i = 0; i < args.pieceCount; ++i) {
    const SegmentArray* piece = args.pieces[i];
    if (!piece || piece->Count() == 0) continue;
    if (!args.outputRect) {
      PartOutput out(args, dc, raster, !hasTarget);
      // A piece whose every point lies inside is what the splitter would hand
      // on whole, untouched and with its closed flag, without a cut; most
      // strokes of a paint are such pieces.
      if (PieceInsideClip(*piece, clip)) {
        out.OnClipPart(ClipPart(piece->Items(), piece->Count()), piece->closed != 0);
      } else {
        SplitPieceAtClip(*piece, clip, out, args.splitFlag);
      }
      anyVisible |= out.visible;
      continue;
    }
    // Only a piece that shows inside the clip rectangle is drawn, cut at the
    // output rectangle instead.
    if (!PieceHasVisiblePart(*piece, clip)) continue;
    anyVisible = true;
    if (!hasTarget) continue;
    PartOutput out(args, dc, raster, false);
    SplitPieceAtClip(*piece, ScaledRect(*args.outputRect, 0), out, args.splitFlag);
  }
  return anyVisible;
}

}  // namespace kvn
