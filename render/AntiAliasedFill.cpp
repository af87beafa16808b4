#include "render/AntiAliasedFill.h"

#include <cmath>
#include <algorithm>
#include <limits>
#include <unordered_map>
#include <vector>

#include "render/AntiAliasedRaster.h"
#include "render/AntiAliasedRect.h"
#include "render/CurveClip.h"
#include "render/RasterSurface.h"
#include "render/StyledPrimitive.h"

namespace kvn {

namespace {

// Beyond this magnitude a value plus the half-pixel offset no longer fits
// the rasterizer's 24.8 fixed point.
constexpr std::int64_t kMaxCoordinate = 0x0FFFFFFF;
// Half a pixel: smaller shapes are not worth a rasterizer pass.
constexpr std::int64_t kMinExtent = 128;

bool OutOfRange(std::int64_t v) { return v >= kMaxCoordinate || v <= -kMaxCoordinate; }

// AGG applies this to every cell's coverage instead of its own gamma curve:
// the value it stores for coverage i is uround(f(i / 255) * 255), so the
// table entry comes back exactly.
struct TableGamma {
  const std::uint8_t* table;
  double operator()(double x) const {
    int i = int(x * 255.0 + 0.5);
    if (i < 0) i = 0;
    if (i > 255) i = 255;
    return table[i] / 255.0;
  }
};

// For glyphs known to lie inside the clip box: the same cells without the
// clipper's tests on every line.
using AaRasterizerNoClip = agg::rasterizer_scanline_aa<agg::rasterizer_sl_no_clip>;

struct AaState {
  AaRasterizer rasterizer;
  AaScanline scanline;
  const std::uint8_t* gammaTable = nullptr;
  AaRasterizerNoClip inside;
  const std::uint8_t* insideGammaTable = nullptr;
  GrowArray<std::int32_t> flat{64};  // points of one flattened curve
  SegmentArray mapped;               // one glyph contour in 1/256 pixel
};

AaState& Shared() {
  static AaState state;
  return state;
}

// Feeds pieces to the rasterizer (or to a recorder of its calls) and keeps
// their bounding box.
template <class Sink>
class FeederOf {
 public:
  FeederOf(Sink& rasterizer, GrowArray<std::int32_t>& flat) : ras_(rasterizer), flat_(flat) {}

  // Adds the piece unless one of its coordinates is out of range.
  void AddPiece(const SegmentArray& piece) {
    if (!InRange(piece)) return;
    const std::uint32_t n = piece.Count();
    const DeviceSegment* s = piece.Items();
    for (std::uint32_t i = 0; i < n; ++i) {
      for (int k = 0; k < 8; k += 2) Extend(s[i].v[k], s[i].v[k + 1]);
      if (i == 0) ras_.move_to(s[0].v[0] + 128, s[0].v[1] + 128);
      if (s[i].IsStraight()) {
        LineTo(s[i].v[6], s[i].v[7]);
        continue;
      }
      LineTo(s[i].v[0], s[i].v[1]);
      flat_.Clear();
      FlattenCubicInt(flat_, s[i]);
      const std::int32_t* p = flat_.Items();
      for (std::uint32_t k = 0; k + 1 < flat_.Count(); k += 2) LineTo(p[k], p[k + 1]);
      LineTo(s[i].v[6], s[i].v[7]);
    }
    ras_.close_polygon();
  }

  // Takes the piece's box as AddPiece would, without feeding the
  // rasterizer; false when AddPiece would leave the piece out.
  bool Measure(const SegmentArray& piece) {
    if (!InRange(piece)) return false;
    const DeviceSegment* s = piece.Items();
    for (std::uint32_t i = 0; i < piece.Count(); ++i)
      for (int k = 0; k < 8; k += 2) Extend(s[i].v[k], s[i].v[k + 1]);
    return true;
  }

  bool Added() const { return added_; }
  bool TooSmall() const { return maxX_ - minX_ < kMinExtent && maxY_ - minY_ < kMinExtent; }

 private:
  static bool InRange(const SegmentArray& piece) {
    const std::uint32_t n = piece.Count();
    if (n == 0) return false;
    const DeviceSegment* s = piece.Items();
    for (std::uint32_t i = 0; i < n; ++i)
      for (std::int32_t v : s[i].v)
        if (OutOfRange(v)) return false;
    return true;
  }
  void LineTo(std::int32_t x, std::int32_t y) { ras_.line_to(x + 128, y + 128); }
  void Extend(std::int64_t x, std::int64_t y) {
    if (!added_) {
      minX_ = maxX_ = x;
      minY_ = maxY_ = y;
      added_ = true;
      return;
    }
    if (x < minX_) minX_ = x;
    if (x > maxX_) maxX_ = x;
    if (y < minY_) minY_ = y;
    if (y > maxY_) maxY_ = y;
  }

  Sink& ras_;
  GrowArray<std::int32_t>& flat_;
  bool added_ = false;
  std::int64_t minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

using Feeder = FeederOf<AaRasterizer>;

// Whether every product and sum of the 64-bit mapping stays below 2^55 for
// points of magnitude under 2^24 (see MapGlyphPoint).
constexpr std::int64_t kPointLimit = std::int64_t(1) << 24, kFactorLimit = std::int64_t(1) << 20,
                       kOriginLimit = std::int64_t(1) << 30;
bool Small(std::int64_t v, std::int64_t limit) { return v < limit && v > -limit; }
bool SmallTransform(const GlyphTransform& t) {
  return Small(t.stretch, kFactorLimit) && Small(t.cosine, kFactorLimit) && Small(t.sine, kFactorLimit) &&
         Small(t.originX, kOriginLimit) && Small(t.originY, kOriginLimit);
}

// MapGlyphPoint's 64-bit branch, for a transform SmallTransform accepts.
inline void MapSmall(AaPoint* out, std::int64_t x, std::int64_t y, const GlyphTransform& t) {
  if (t.mirrorX) x = -x;
  if (!t.keepY) y = -y;
  const std::int64_t u = (std::int64_t(t.stretch) * x) >> 10;
  out->x = (u * t.cosine - y * t.sine + std::int64_t(t.originX) * 65536) >> 18;
  out->y = (u * t.sine + y * t.cosine + std::int64_t(t.originY) * 65536) >> 18;
}

// The contour as one closed piece of mapped cubics; false when a point maps
// out of range or there is no cubic. Points are any type with int32 x and y
// (the fill's GlyphPoint, the fonts layer's FixPoint).
template <class Point>
bool MapContour(const Point* points, std::uint32_t n, const GlyphTransform& t, SegmentArray* out) {
  out->Clear();
  out->closed = 1;
  if (n < 4) return false;
  const bool smallTransform = SmallTransform(t);
  auto map = [&](std::uint32_t i, std::int32_t* x, std::int32_t* y) {
    AaPoint p;
    const Point& q = points[i];
    if (smallTransform && Small(q.x, kPointLimit) && Small(q.y, kPointLimit))
      MapSmall(&p, q.x, q.y, t);
    else
      MapGlyphPoint(&p, GlyphPoint{q.x, q.y}, t);
    if (OutOfRange(p.x) || OutOfRange(p.y)) return false;
    *x = std::int32_t(p.x);
    *y = std::int32_t(p.y);
    return true;
  };
  std::int32_t sx, sy;
  if (!map(0, &sx, &sy)) return false;
  std::int32_t px = sx, py = sy;
  for (std::uint32_t i = 1; i + 2 < n; i += 3) {
    DeviceSegment s{{px, py, 0, 0, 0, 0, 0, 0}};
    if (!map(i, &s.v[2], &s.v[3]) || !map(i + 1, &s.v[4], &s.v[5]) || !map(i + 2, &s.v[6], &s.v[7])) return false;
    out->Append(s);
    px = s.v[6];
    py = s.v[7];
  }
  if (px != sx || py != sy) out->Append(DeviceSegment::Line(px, py, sx, sy));
  return true;
}

std::int64_t SaturatedShift18(__int128 v) {
  v >>= 18;
  constexpr __int128 kLimit = __int128(1) << 62;
  if (v > kLimit) return std::int64_t(kLimit);
  if (v < -kLimit) return -std::int64_t(kLimit);
  return std::int64_t(v);
}

}  // namespace

void MapGlyphPoint(AaPoint* out, const GlyphPoint& point, const GlyphTransform& t) {
  // Glyph points of drawn text are small: in 64 bits the same sums cannot
  // overflow and nothing saturates (every term below 2^55), at a fraction of
  // the cost of 128-bit products.
  if (Small(point.x, kPointLimit) && Small(point.y, kPointLimit) && SmallTransform(t)) {
    MapSmall(out, point.x, point.y, t);
    return;
  }
  __int128 x = point.x, y = point.y;
  if (t.mirrorX) x = -x;
  if (!t.keepY) y = -y;
  const __int128 u = (__int128(t.stretch) * x) >> 10;
  const __int128 ox = __int128(t.originX) * 65536, oy = __int128(t.originY) * 65536;
  out->x = SaturatedShift18(u * t.cosine - y * t.sine + ox);
  out->y = SaturatedShift18(u * t.sine + y * t.cosine + oy);
}

namespace {

template <class Rasterizer>
void RenderScanlinesOf(Rasterizer& rasterizer, AaScanline& scanline, const SpanRenderer& renderer,
                       CoverageRecorder* recorder) {
  if (renderer.x1 > renderer.x2 || renderer.y1 > renderer.y2) return;
  if (!rasterizer.rewind_scanlines()) return;
  scanline.reset(rasterizer.min_x(), rasterizer.max_x());
  while (rasterizer.sweep_scanline(scanline)) {
    const int y = scanline.y();
    if (y < renderer.y1 || y > renderer.y2) continue;
    AaScanline::const_iterator span = scanline.begin();
    for (unsigned n = scanline.num_spans(); n > 0; --n, ++span) {
      int x = span->x;
      const bool solid = span->len < 0;
      int end = x + (solid ? -int(span->len) : int(span->len));  // exclusive
      const int skipped = x < renderer.x1 ? renderer.x1 - x : 0;
      x += skipped;
      if (end > renderer.x2 + 1) end = renderer.x2 + 1;
      if (x >= end) continue;
      if (solid)
        BlendSolidSpan(renderer, x, y, std::uint32_t(end - x), renderer.color, *span->covers, recorder);
      else
        BlendCoverSpan(renderer, x, y, std::uint32_t(end - x), renderer.color, span->covers + skipped, recorder);
    }
  }
}

}  // namespace

void RenderScanlines(AaRasterizer& rasterizer, AaScanline& scanline, const SpanRenderer& renderer,
                     CoverageRecorder* recorder) {
  RenderScanlinesOf(rasterizer, scanline, renderer, recorder);
}

namespace {

bool UsableRun(const std::vector<FixPoint>& run) {
  return run.size() >= 4 && run.size() <= std::numeric_limits<std::uint32_t>::max();
}

// Records the rasterizer calls a feeder makes.
struct CallRecorder {
  std::vector<std::int32_t>* xy;
  std::vector<std::uint32_t>* starts;
  void move_to(std::int32_t x, std::int32_t y) {
    starts->push_back(std::uint32_t(xy->size()));
    line_to(x, y);
  }
  void line_to(std::int32_t x, std::int32_t y) {
    xy->push_back(x);
    xy->push_back(y);
  }
  void close_polygon() {}
};

// A glyph's rasterizer calls under a transform whose origin is cut to its
// sub-pixel phase (originX & 3, originY & 3). For points and a transform in
// the 64-bit mapping's range, (S + origin 2^16) >> 18 is (S + phase 2^16) >>
// 18 plus origin >> 2 exactly, and the flattening (midpoints, differences)
// moves with its input: the calls at any origin of that phase are these
// shifted by (originX >> 2, originY >> 2). The box covers every mapped
// point, control points too, which is what the range test and the clip's
// inside test read.
struct CachedOutline {
  GlyphRuns runs;  // the key's contents: a glyph freed and another made at its address misses
  std::vector<std::int32_t> xy;
  std::vector<std::uint32_t> starts;
  std::int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool any = false;   // some contour was fed
  bool fits = true;   // every point within the 64-bit mapping's range
};

struct OutlineKey {
  const GlyphRuns* runs;
  std::int32_t cosine, sine, stretch;
  std::uint8_t mirrorX, keepY, phaseX, phaseY;
  bool operator==(const OutlineKey&) const = default;
};

struct OutlineKeyHash {
  std::size_t operator()(const OutlineKey& k) const {
    std::size_t h = std::hash<const void*>()(k.runs);
    for (std::int64_t v : {std::int64_t(k.cosine), std::int64_t(k.sine), std::int64_t(k.stretch),
                           std::int64_t(k.mirrorX | k.keepY << 1 | k.phaseX << 2 | k.phaseY << 4)})
      h = h * 1000003u ^ std::hash<std::int64_t>()(v);
    return h;
  }
};

// Glyphs of a screen rarely pass a few thousand entries or a few megabytes
// (large glyphs at a high zoom have long outlines); beyond either limit the
// cache starts over rather than grow without bound.
constexpr std::size_t kMaxCachedOutlines = 8192;
constexpr std::size_t kMaxCachedBytes = std::size_t(32) << 20;

struct OutlineCacheState {
  std::unordered_map<OutlineKey, CachedOutline, OutlineKeyHash> entries;
  std::size_t bytes = 0;
};

OutlineCacheState& OutlineCache() {
  static OutlineCacheState cache;
  return cache;
}

std::size_t BytesOf(const CachedOutline& o) {
  std::size_t n = o.xy.size() * sizeof(std::int32_t) + o.starts.size() * sizeof(std::uint32_t);
  for (const std::vector<FixPoint>& run : o.runs) n += run.size() * sizeof(FixPoint);
  return n;
}

void BuildOutline(CachedOutline& out, const GlyphRuns& runs, const GlyphTransform& phase) {
  out.runs = runs;
  for (const std::vector<FixPoint>& run : runs)
    for (const FixPoint& p : run) out.fits = out.fits && Small(p.x, kPointLimit) && Small(p.y, kPointLimit);
  if (!out.fits) return;
  AaState& state = Shared();
  CallRecorder recorder{&out.xy, &out.starts};
  FeederOf<CallRecorder> feeder(recorder, state.flat);
  SegmentArray mapped;
  for (const std::vector<FixPoint>& run : runs) {
    if (!UsableRun(run) || !MapContour(run.data(), std::uint32_t(run.size()), phase, &mapped)) continue;
    for (const DeviceSegment& s : mapped.segments) {
      for (int k = 0; k < 8; k += 2) {
        if (!out.any) {
          out.minX = out.maxX = s.v[k];
          out.minY = out.maxY = s.v[k + 1];
          out.any = true;
        }
        out.minX = std::min<std::int64_t>(out.minX, s.v[k]);
        out.maxX = std::max<std::int64_t>(out.maxX, s.v[k]);
        out.minY = std::min<std::int64_t>(out.minY, s.v[k + 1]);
        out.maxY = std::max<std::int64_t>(out.maxY, s.v[k + 1]);
      }
    }
    feeder.AddPiece(mapped);
  }
}

const CachedOutline* FindOutline(const GlyphRuns& runs, const GlyphTransform& t) {
  const OutlineKey key{&runs, t.cosine, t.sine, t.stretch, t.mirrorX, t.keepY, std::uint8_t(t.originX & 3),
                       std::uint8_t(t.originY & 3)};
  OutlineCacheState& cache = OutlineCache();
  auto found = cache.entries.find(key);
  if (found != cache.entries.end()) {
    if (found->second.runs == runs) return &found->second;
    cache.bytes -= BytesOf(found->second);  // another glyph at a freed one's address
  }
  if (cache.bytes >= kMaxCachedBytes || (found == cache.entries.end() && cache.entries.size() >= kMaxCachedOutlines)) {
    cache.entries.clear();
    cache.bytes = 0;
  }
  CachedOutline& entry = cache.entries[key];
  entry = CachedOutline{};
  GlyphTransform phase = t;
  phase.originX = t.originX & 3;
  phase.originY = t.originY & 3;
  BuildOutline(entry, runs, phase);
  cache.bytes += BytesOf(entry);
  return &entry;
}

// The recorded calls, shifted, into a rasterizer.
template <class Rasterizer>
void Replay(const CachedOutline& cached, std::int64_t dx, std::int64_t dy, Rasterizer& ras) {
  const std::int32_t* xy = cached.xy.data();
  const std::size_t contours = cached.starts.size();
  for (std::size_t c = 0; c < contours; ++c) {
    const std::size_t from = cached.starts[c];
    const std::size_t to = c + 1 < contours ? cached.starts[c + 1] : cached.xy.size();
    ras.move_to(std::int32_t(xy[from] + dx), std::int32_t(xy[from + 1] + dy));
    for (std::size_t k = from + 2; k + 1 < to; k += 2) ras.line_to(std::int32_t(xy[k] + dx), std::int32_t(xy[k + 1] + dy));
    ras.close_polygon();
  }
}

// Whether every mapped point, shifted, is in the rasterizer's range and (with
// a clip) inside the clip, so that the plain road would neither drop a
// contour nor cut one.
bool InsideAfterShift(const CachedOutline& o, std::int64_t dx, std::int64_t dy, const ClipRect* clip) {
  const std::int64_t x1 = o.minX + dx, x2 = o.maxX + dx, y1 = o.minY + dy, y2 = o.maxY + dy;
  if (OutOfRange(x1) || OutOfRange(x2) || OutOfRange(y1) || OutOfRange(y2)) return false;
  return !clip || (x1 >= clip->x1 && x2 <= clip->x2 && y1 >= clip->y1 && y2 <= clip->y2);
}

// Whether every point, shifted and moved by the rasterizer's half pixel,
// lies inside the box as the rasterizer's clipper tests it (edges included):
// then the clipper passes every line on untouched. Glyphs of 16,384 pixels
// and more keep the clipped rasterizer all the same (the rule for AGG's
// long edges).
// A rasterizer emptied for a new fill, even-odd, with the gamma of `table`
// (set again only when the table differs from the one it was last given).
template <class Rasterizer>
void ResetRasterizer(Rasterizer& ras, const std::uint8_t* table, const std::uint8_t*& lastTable) {
  ras.reset();
  ras.filling_rule(agg::fill_even_odd);
  if (lastTable != table) {
    ras.gamma(TableGamma{table});
    lastTable = table;
  }
}

// The span renderer writing into the surface's bits inside `box`.
SpanRenderer SurfaceRenderer(cRasterSurface& surface, const TRect& box, COLORREF color, int alpha) {
  SpanRenderer renderer;
  renderer.bits = surface.Bits();
  renderer.stride = surface.Stride();
  renderer.x1 = box.left;
  renderer.y1 = box.top;
  renderer.x2 = box.right - 1;
  renderer.y2 = box.bottom - 1;
  renderer.color = AaColor{ColorR(color), ColorG(color), ColorB(color), std::uint8_t(alpha)};
  return renderer;
}

bool InsideBox(const CachedOutline& o, std::int64_t dx, std::int64_t dy, const TRect& box) {
  constexpr std::int64_t kLong = std::int64_t(16384) * 256;
  return o.maxX - o.minX < kLong && o.maxY - o.minY < kLong && o.minX + dx + 128 >= std::int64_t(box.left) * 256 && o.maxX + dx + 128 <= std::int64_t(box.right) * 256 &&
         o.minY + dy + 128 >= std::int64_t(box.top) * 256 && o.maxY + dy + 128 <= std::int64_t(box.bottom) * 256;
}

// FillCore of a cached glyph inside the clip box, on the rasterizer without
// the clipper.
bool FillInside(cRasterSurface& surface, const CachedOutline& cached, std::int64_t dx, std::int64_t dy,
                COLORREF color, int alpha) {
  const std::uint8_t* table = GetAlphaTable(surface.AntiAliasMode());
  if (!table) return false;
  AaState& state = Shared();
  AaRasterizerNoClip& ras = state.inside;
  ResetRasterizer(ras, table, state.insideGammaTable);
  const TRect box = surface.Clip();
  if (surface.Bits() == nullptr || box.IsEmpty()) return true;
  Replay(cached, dx, dy, ras);
  SpanRenderer renderer = SurfaceRenderer(surface, box, color, alpha);
  if (renderer.color.a == 0) return true;
  cRasterSurface::DirectWrite scope(surface);
  RenderScanlinesOf(ras, state.scanline, renderer, nullptr);
  return true;
}

}  // namespace

namespace {

// The fill with the glyph contours handed over by `feedGlyphs(map, ras)`,
// which calls map(points, count) once per contour, or feeds the rasterizer
// itself the calls map would have made.
template <class FeedGlyphs>
bool FillCore(cRasterSurface& surface, bool hasGlyphs, const GlyphTransform* transform, FeedGlyphs&& feedGlyphs,
              SegmentArray* const* pieces, std::uint32_t pieceCount, const ClipRect* clip, COLORREF color,
              int alpha) {
  const std::uint8_t* table = GetAlphaTable(surface.AntiAliasMode());
  if (!table) return false;
  AaState& state = Shared();
  AaRasterizer& ras = state.rasterizer;
  ResetRasterizer(ras, table, state.gammaTable);
  const TRect box = surface.Clip();
  if (surface.Bits() == nullptr || box.IsEmpty()) return true;
  ras.clip_box(box.left, box.top, box.right, box.bottom);

  Feeder feeder(ras, state.flat);
  // One axis-parallel rectangle (most filled areas of a plan) skips the
  // cells: its coverage is worked out row by row, the same as the cells'.
  AaRectangle rect;
  bool isRect = false;
  if (hasGlyphs) {
    feedGlyphs(
        [&](const auto* points, std::uint32_t count) {
          if (!MapContour(points, count, *transform, &state.mapped)) return;
          feeder.AddPiece(clip ? ClipClosedContour(*clip, state.mapped) : state.mapped);
        },
        ras);
  }
  for (std::uint32_t i = 0; pieces && i < pieceCount; ++i) {
    const SegmentArray* piece = pieces[i];
    if (!piece || !piece->closed || piece->Count() == 0) continue;
    const SegmentArray& cut = clip ? ClipClosedContour(*clip, *piece) : *piece;
    if (!hasGlyphs && pieceCount == 1 && AxisRectangleShortcut()) {
      isRect = feeder.Measure(cut) && FindAxisRectangle(cut, &rect);
      if (isRect) break;
    }
    feeder.AddPiece(cut);
  }
  if (!hasGlyphs && (!feeder.Added() || feeder.TooSmall())) return true;

  SpanRenderer renderer = SurfaceRenderer(surface, box, color, alpha);
  if (renderer.color.a == 0) return true;
  cRasterSurface::DirectWrite scope(surface);
  if (isRect) {
    RenderAxisRectangle(rect, box, ras, renderer);
    return true;
  }
  RenderScanlines(ras, state.scanline, renderer, nullptr);
  return true;
}

}  // namespace

bool FillAntiAliased(cRasterSurface& surface, const OwnedArray<GlyphContour>* contours,
                     const GlyphTransform* transform, SegmentArray* const* pieces, std::uint32_t pieceCount,
                     const ClipRect* clip, COLORREF color, int alpha) {
  const bool hasGlyphs = contours && transform && contours->Count() > 0;
  auto feed = [&](auto&& map, AaRasterizer&) {
    for (const GlyphContour* contour : *contours)
      if (contour) map(contour->Items(), contour->Count());
  };
  return FillCore(surface, hasGlyphs, transform, feed, pieces, pieceCount, clip, color, alpha);
}

bool FillGlyphRunsAntiAliased(cRasterSurface& surface, const GlyphRuns& runs, const GlyphTransform& transform,
                              const ClipRect* clip, COLORREF color, int alpha) {
  bool hasGlyphs = false;
  for (const std::vector<FixPoint>& run : runs) hasGlyphs = hasGlyphs || UsableRun(run);
  // The same glyph under the same turn, scale and sub-pixel phase, wholly
  // inside the clip and the rasterizer's range: its recorded rasterizer
  // calls, shifted.
  const CachedOutline* cached = hasGlyphs && SmallTransform(transform) ? FindOutline(runs, transform) : nullptr;
  const std::int64_t dx = transform.originX >> 2, dy = transform.originY >> 2;
  if (cached && cached->fits && cached->any && InsideAfterShift(*cached, dx, dy, clip)) {
    if (InsideBox(*cached, dx, dy, surface.Clip())) return FillInside(surface, *cached, dx, dy, color, alpha);
    auto replay = [&](auto&&, AaRasterizer& ras) { Replay(*cached, dx, dy, ras); };
    return FillCore(surface, true, &transform, replay, nullptr, 0, clip, color, alpha);
  }
  auto feed = [&](auto&& map, AaRasterizer&) {
    for (const std::vector<FixPoint>& run : runs)
      if (UsableRun(run)) map(run.data(), std::uint32_t(run.size()));
  };
  return FillCore(surface, hasGlyphs, &transform, feed, nullptr, 0, clip, color, alpha);
}

bool FillCircleAntiAliased(cRasterSurface& surface, double centreX, double centreY, double radius, COLORREF color) {
  constexpr double kLimit = double(1 << 19);
  if (!(std::fabs(centreX) <= kLimit && std::fabs(centreY) <= kLimit && std::fabs(radius) <= kLimit)) {
    return false;
  }
  auto units = [](double v) { return std::int32_t(std::lround(v * 256.0)); };
  const std::int32_t cx = units(centreX), cy = units(centreY), r = units(std::fabs(radius));
  const std::int32_t k = std::int32_t((std::int64_t(r) * 141) / 256);
  SegmentArray piece;
  piece.closed = 1;
  // Right, bottom, left, top (y down), each quarter from one axis point to the next.
  piece.Append(DeviceSegment{{cx + r, cy, cx + r, cy + k, cx + k, cy + r, cx, cy + r}});
  piece.Append(DeviceSegment{{cx, cy + r, cx - k, cy + r, cx - r, cy + k, cx - r, cy}});
  piece.Append(DeviceSegment{{cx - r, cy, cx - r, cy - k, cx - k, cy - r, cx, cy - r}});
  piece.Append(DeviceSegment{{cx, cy - r, cx + k, cy - r, cx + r, cy - k, cx + r, cy}});
  SegmentArray* pieces[] = {&piece};
  return FillAntiAliased(surface, nullptr, nullptr, pieces, 1, nullptr, color, 255);
}

}  // namespace kvn
