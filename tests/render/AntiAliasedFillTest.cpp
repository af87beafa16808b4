// The anti-aliased fill on the raster surface: the alpha tables and the
// blend formulas at pinned coverages, what is filled and what is passed
// over (mode 0, open pieces, alpha 0, shapes under half a pixel, pieces out
// of the rasterizer's range), the glyph transform, and the blenders' and
// render loop's recorder branches.
#include <gtest/gtest.h>

#include <utility>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "render/AntiAliasedFill.h"
#include "render/AntiAliasedRaster.h"
#include "render/CoverageRecorder.h"
#include "render/CurveClip.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::Pixel;

constexpr std::uint32_t kBlack = 0xFF000000;
constexpr COLORREF kWhite = 0xFFFFFF;

std::unique_ptr<cRasterSurface> Surface(int width, int height, std::uint32_t mode, std::uint32_t fill = kBlack) {
  auto s = std::make_unique<cRasterSurface>(true);
  if (!s->Prepare(TRect{0, 0, width, height})) return nullptr;
  s->FillRect(0, 0, width, height, fill);
  s->SetAntiAliasMode(mode);
  return s;
}

// A piece of straight segments through the points (1/256 pixel).
SegmentArray Polygon(const std::vector<std::pair<std::int32_t, std::int32_t>>& points, bool closed = true) {
  SegmentArray piece;
  for (std::size_t i = 0; i + 1 < points.size() + (closed ? 1 : 0); ++i) {
    const auto& a = points[i];
    const auto& b = points[(i + 1) % points.size()];
    piece.Append(DeviceSegment::Line(a.first, a.second, b.first, b.second));
  }
  piece.closed = closed ? 1 : 0;
  return piece;
}

// Pixel i spans [256 i - 128, 256 i + 128) in 1/256 units.
constexpr std::int32_t Edge(std::int32_t pixel) { return pixel * 256 - 128; }

// Rows 2 to 5 of columns 5 to 9, with column 5 covered `width` units from its right.
SegmentArray ColumnCover(std::int32_t width) {
  const std::int32_t left = Edge(6) - width;
  return Polygon({{left, Edge(2)}, {Edge(10), Edge(2)}, {Edge(10), Edge(6)}, {left, Edge(6)}});
}

bool Fill(cRasterSurface& s, std::vector<SegmentArray*> pieces, COLORREF color, int alpha = -1,
          const ClipRect* clip = nullptr) {
  return FillAntiAliased(s, nullptr, nullptr, pieces.data(), std::uint32_t(pieces.size()), clip, color, alpha);
}

int CountNot(const cRasterSurface& s, std::uint32_t value) {
  int n = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) n += Pixel(s, x, y) != value;
  return n;
}

TEST(AntiAliasedFillTest, AlphaTablesOfTheThreeModes) {
  EXPECT_EQ(GetAlphaTable(0), nullptr);
  EXPECT_EQ(GetAlphaTable(4), nullptr);
  const std::uint8_t* smooth = GetAlphaTable(1);
  const std::uint8_t* hard = GetAlphaTable(2);
  const std::uint8_t* smooth3 = GetAlphaTable(3);
  ASSERT_TRUE(smooth && hard && smooth3);
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(smooth[c], c);
    EXPECT_EQ(smooth3[c], c);
    EXPECT_EQ(hard[c], c < 127 ? 0 : 255) << c;
  }
}

TEST(AntiAliasedFillTest, ModeZeroAnswersFalseAndDrawsNothing) {
  auto s = Surface(16, 10, 0);
  SegmentArray piece = ColumnCover(256);
  EXPECT_FALSE(Fill(*s, {&piece}, kWhite));
  EXPECT_EQ(CountNot(*s, kBlack), 0);
  s->SetAntiAliasMode(4);
  EXPECT_FALSE(Fill(*s, {&piece}, kWhite));
  EXPECT_FALSE(FillCircleAntiAliased(*s, 8, 5, 3, kWhite));
}

TEST(AntiAliasedFillTest, WhiteOverBlackAtCoverage127Gives126) {
  auto s = Surface(16, 10, 1);
  SegmentArray piece = ColumnCover(127);
  ASSERT_TRUE(Fill(*s, {&piece}, kWhite));
  EXPECT_EQ(Pixel(*s, 5, 3), 0xFF7E7E7Eu);  // (255 * 127) >> 8 = 126 in each channel
  EXPECT_EQ(Pixel(*s, 6, 3), 0xFFFFFFFFu);  // full coverage: the colour itself
  EXPECT_EQ(Pixel(*s, 4, 3), kBlack);
  EXPECT_EQ(Pixel(*s, 6, 1), kBlack);
  EXPECT_EQ(Pixel(*s, 10, 3), kBlack);
}

TEST(AntiAliasedFillTest, HardEdgesPaintFromCoverage127On) {
  for (std::int32_t width : {126, 127}) {
    auto s = Surface(16, 10, 2);
    SegmentArray piece = ColumnCover(width);
    ASSERT_TRUE(Fill(*s, {&piece}, kWhite));
    EXPECT_EQ(Pixel(*s, 5, 3), width == 126 ? kBlack : 0xFFFFFFFFu) << width;
    EXPECT_EQ(Pixel(*s, 7, 4), 0xFFFFFFFFu);
  }
}

TEST(AntiAliasedFillTest, ColourAlphaEntersTheChannelAndAlphaByteFormulas) {
  // Destination alpha 0: the alpha byte becomes p - ((p a + 255) >> 8) + a = a.
  auto s = Surface(16, 10, 1, 0x00000000);
  SegmentArray piece = ColumnCover(256);
  ASSERT_TRUE(Fill(*s, {&piece}, Rgb(255, 100, 0), 128));
  // a = (256 * 128) >> 8 = 128: red (255 * 128) >> 8 = 127, green (100 * 128) >> 8 = 50.
  EXPECT_EQ(Pixel(*s, 7, 3), 0x807F3200u);
  // Over an opaque grey: ((C - p) a + 256 p) >> 8 per channel, alpha stays 255.
  auto g = Surface(16, 10, 1, 0xFF808080);
  ASSERT_TRUE(Fill(*g, {&piece}, Rgb(255, 100, 0), 128));
  const std::uint32_t r = ((255 - 128) * 128 + (128 << 8)) >> 8;  // 191
  const std::uint32_t gr = std::uint32_t(((100 - 128) * 128 + (128 << 8)) >> 8);  // 114
  const std::uint32_t b = ((0 - 128) * 128 + (128 << 8)) >> 8;  // 64
  EXPECT_EQ(Pixel(*g, 7, 3), 0xFF000000u | (r << 16) | (gr << 8) | b);
}

TEST(AntiAliasedFillTest, AlphaZeroDrawsNothingAndMinusOneIsOpaque) {
  auto s = Surface(16, 10, 1);
  SegmentArray piece = ColumnCover(256);
  EXPECT_TRUE(Fill(*s, {&piece}, kWhite, 0));
  EXPECT_EQ(CountNot(*s, kBlack), 0);
  EXPECT_TRUE(Fill(*s, {&piece}, kWhite, -1));
  EXPECT_EQ(Pixel(*s, 5, 2), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*s, kBlack), 5 * 4);
}

TEST(AntiAliasedFillTest, ShapeUnderHalfAPixelPaintsNothingAndSucceeds) {
  auto s = Surface(16, 10, 1);
  // 100 x 100 units straddling a pixel corner: AGG alone would paint four faint pixels.
  SegmentArray tiny = Polygon({{1230, 1230}, {1330, 1230}, {1330, 1330}, {1230, 1330}});
  EXPECT_TRUE(Fill(*s, {&tiny}, kWhite));
  EXPECT_EQ(CountNot(*s, kBlack), 0);
  // Wider than half a pixel one way: drawn.
  SegmentArray thin = Polygon({{1230, 1230}, {1430, 1230}, {1430, 1330}, {1230, 1330}});
  EXPECT_TRUE(Fill(*s, {&thin}, kWhite));
  EXPECT_GT(CountNot(*s, kBlack), 0);
}

TEST(AntiAliasedFillTest, OpenAndEmptyPiecesAreNotFilled) {
  auto s = Surface(16, 10, 1);
  SegmentArray open = ColumnCover(256);
  open.closed = 0;
  SegmentArray empty;
  empty.closed = 1;
  EXPECT_TRUE(Fill(*s, {&open, &empty, nullptr}, kWhite));
  EXPECT_EQ(CountNot(*s, kBlack), 0);
}

TEST(AntiAliasedFillTest, PieceBeyondTheRasterizerRangeIsDroppedAlone) {
  auto s = Surface(16, 10, 1);
  SegmentArray huge = Polygon({{Edge(1), Edge(1)}, {268435456, Edge(1)}, {Edge(3), Edge(4)}});
  EXPECT_TRUE(Fill(*s, {&huge}, kWhite));
  EXPECT_EQ(CountNot(*s, kBlack), 0);
  // The valid pieces before and after it are still filled.
  SegmentArray before = ColumnCover(256);
  SegmentArray after = Polygon({{Edge(12), Edge(7)}, {Edge(14), Edge(7)}, {Edge(14), Edge(9)}, {Edge(12), Edge(9)}});
  SegmentArray negative = Polygon({{-268435455, 0}, {0, 0}, {0, 256}});
  EXPECT_TRUE(Fill(*s, {&before, &huge, &negative, &after}, kWhite));
  EXPECT_EQ(Pixel(*s, 5, 2), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(*s, 13, 8), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*s, kBlack), 5 * 4 + 2 * 2);
}

TEST(AntiAliasedFillTest, ExtremeButValidPiecesStayInsideTheSurface) {
  // Within range but far outside the surface: the rasterizer's clip box
  // keeps the cells on the surface; a half-plane covering everything fills it.
  auto s = Surface(16, 10, 1);
  const std::int32_t big = 0x0FFFFFFE;
  SegmentArray cover = Polygon({{-big, -big}, {big, -big}, {big, big}, {-big, big}});
  EXPECT_TRUE(Fill(*s, {&cover}, kWhite));
  EXPECT_EQ(CountNot(*s, 0xFFFFFFFFu), 0);
  // Non-finite and huge circles never reach the rasterizer.
  auto t = Surface(16, 10, 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(FillCircleAntiAliased(*t, nan, 5, 3, kWhite));
  EXPECT_FALSE(FillCircleAntiAliased(*t, 5, 5, inf, kWhite));
  EXPECT_FALSE(FillCircleAntiAliased(*t, 1e300, 5, 3, kWhite));
  EXPECT_EQ(CountNot(*t, kBlack), 0);
}

TEST(AntiAliasedFillTest, ClipRectangleCutsThePiece) {
  auto s = Surface(16, 10, 1);
  SegmentArray piece = Polygon({{Edge(0), Edge(0)}, {Edge(16), Edge(0)}, {Edge(16), Edge(10)}, {Edge(0), Edge(10)}});
  ClipRect clip{Edge(3), Edge(2), Edge(7), Edge(5)};
  EXPECT_TRUE(Fill(*s, {&piece}, kWhite, -1, &clip));
  EXPECT_EQ(CountNot(*s, kBlack), 4 * 3);
  EXPECT_EQ(Pixel(*s, 3, 2), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(*s, 6, 4), 0xFFFFFFFFu);
}

TEST(AntiAliasedFillTest, SurfaceClipLimitsTheSpans) {
  auto s = Surface(16, 10, 1);
  s->SetClip(TRect{6, 3, 8, 5});
  SegmentArray piece = ColumnCover(200);
  EXPECT_TRUE(Fill(*s, {&piece}, kWhite));
  EXPECT_EQ(CountNot(*s, kBlack), 2 * 2);
  EXPECT_EQ(Pixel(*s, 6, 3), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(*s, 7, 4), 0xFFFFFFFFu);
}

TEST(AntiAliasedFillTest, FillsEvenOdd) {
  auto s = Surface(16, 16, 1);
  SegmentArray outer = Polygon({{Edge(1), Edge(1)}, {Edge(15), Edge(1)}, {Edge(15), Edge(15)}, {Edge(1), Edge(15)}});
  SegmentArray inner = Polygon({{Edge(5), Edge(5)}, {Edge(11), Edge(5)}, {Edge(11), Edge(11)}, {Edge(5), Edge(11)}});
  EXPECT_TRUE(Fill(*s, {&outer, &inner}, kWhite));
  EXPECT_EQ(Pixel(*s, 8, 8), kBlack);
  EXPECT_EQ(Pixel(*s, 3, 8), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*s, kBlack), 14 * 14 - 6 * 6);
}

TEST(AntiAliasedFillTest, RandomExtremePiecesStayOnTheSurface) {
  // Whole 32-bit range, curves and lines, with and without a clip: nothing
  // may be written outside the surface clip (a frame of sentinel pixels).
  std::mt19937 rng(5);
  auto value = [&]() -> std::int32_t {
    switch (rng() % 4) {
      case 0: return std::int32_t(rng());
      case 1: return std::int32_t(rng() % 8192) - 2048;
      case 2: return (rng() % 2 ? 1 : -1) * std::int32_t(0x0FFFFFF0 + rng() % 32);
      default: return std::int32_t(rng() % 5120);
    }
  };
  auto s = Surface(24, 24, 1);
  s->SetClip(TRect{2, 2, 22, 22});
  const ClipRect clip{Edge(1), Edge(1), Edge(23), Edge(23)};
  for (int round = 0; round < 2000; ++round) {
    SegmentArray piece;
    piece.closed = 1;
    const int n = 1 + int(rng() % 6);
    for (int i = 0; i < n; ++i) {
      DeviceSegment seg;
      for (std::int32_t& v : seg.v) v = value();
      if (rng() % 2) seg = DeviceSegment::Line(seg.v[0], seg.v[1], seg.v[6], seg.v[7]);
      piece.Append(seg);
    }
    ASSERT_TRUE(Fill(*s, {&piece}, Rgb(255, 255, 255), int(rng() % 256), round % 2 ? &clip : nullptr));
  }
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x)
      if (x < 2 || y < 2 || x >= 22 || y >= 22) {
        ASSERT_EQ(Pixel(*s, x, y), kBlack) << x << "," << y;
      }
}

// ---- glyphs

// A square of `half` font pixels around the glyph origin, as a contour of
// straight cubics in 16.16.
GlyphContour Square(std::int32_t half) {
  GlyphContour c;
  const std::int32_t h = half * 65536 / 2;
  const GlyphPoint corners[4] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
  c.Add(corners[0]);
  for (int i = 1; i <= 4; ++i) {
    const GlyphPoint a = corners[i - 1], b = corners[i % 4];
    c.Add(a);
    c.Add(b);
    c.Add(b);
  }
  return c;
}

TEST(AntiAliasedFillTest, GlyphLandsOnThePixelOfItsOrigin) {
  auto s = Surface(64, 48, 1);
  OwnedArray<GlyphContour> contours;
  contours.Add(new GlyphContour(Square(1)));
  GlyphTransform t;
  t.originX = 40 * 1024;  // 1/1024 device pixel
  t.originY = 30 * 1024;
  ASSERT_TRUE(FillAntiAliased(*s, &contours, &t, nullptr, 0, nullptr, kWhite, -1));
  EXPECT_EQ(Pixel(*s, 40, 30), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*s, kBlack), 1);
}

TEST(AntiAliasedFillTest, GlyphPointMapping) {
  AaPoint p;
  GlyphTransform t;
  t.originX = 3 * 1024;
  t.originY = 5 * 1024;
  MapGlyphPoint(&p, GlyphPoint{2 * 65536, 1 * 65536}, t);
  EXPECT_EQ(p.x, 5 * 256);
  EXPECT_EQ(p.y, 4 * 256);  // font y up, device y down
  t.keepY = 1;
  t.mirrorX = 1;
  MapGlyphPoint(&p, GlyphPoint{2 * 65536, 1 * 65536}, t);
  EXPECT_EQ(p.x, 1 * 256);
  EXPECT_EQ(p.y, 6 * 256);
  // Stretch 2, turned a quarter (cos 0, sin 1): (u, y) -> (-y sin, u sin).
  t = GlyphTransform{};
  t.stretch = 2048;
  t.cosine = 0;
  t.sine = 1024;
  t.keepY = 1;
  MapGlyphPoint(&p, GlyphPoint{1 * 65536, 3 * 65536}, t);
  EXPECT_EQ(p.x, -3 * 256);
  EXPECT_EQ(p.y, 2 * 256);
  // Shifts are arithmetic: -1 unit stays negative.
  t = GlyphTransform{};
  MapGlyphPoint(&p, GlyphPoint{-1, 0}, t);
  EXPECT_EQ(p.x, -1);
  // Extreme inputs do not overflow.
  t.stretch = t.cosine = t.sine = std::numeric_limits<std::int32_t>::min();
  t.originX = std::numeric_limits<std::int32_t>::max();
  MapGlyphPoint(&p, GlyphPoint{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}, t);
  EXPECT_EQ(p.x, -(std::int64_t(1) << 62));  // -2^83 saturated

  // Small and large inputs, on both sides of where the cheaper arithmetic
  // takes over, map as the 128-bit formula says.
  auto reference = [](const GlyphPoint& q, const GlyphTransform& r) {
    __int128 x = q.x, y = q.y;
    if (r.mirrorX) x = -x;
    if (!r.keepY) y = -y;
    const __int128 u = (__int128(r.stretch) * x) >> 10;
    const __int128 px = (u * r.cosine - y * r.sine + __int128(r.originX) * 65536) >> 18;
    const __int128 py = (u * r.sine + y * r.cosine + __int128(r.originY) * 65536) >> 18;
    return std::pair<std::int64_t, std::int64_t>(std::int64_t(px), std::int64_t(py));
  };
  std::uint64_t seed = 12345;
  auto next = [&](std::int64_t limit) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    return std::int32_t(std::int64_t(seed >> 33) % (2 * limit + 1) - limit);
  };
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t scale = i % 2 ? (std::int64_t(1) << 20) + 5 : (std::int64_t(1) << 20) - 1;
    GlyphTransform r;
    r.stretch = next(scale);
    r.cosine = next(scale);
    r.sine = next(scale);
    r.originX = next((std::int64_t(1) << 30) + (i % 3));
    r.originY = next((std::int64_t(1) << 30) - 1);
    r.mirrorX = std::uint8_t(i & 1);
    r.keepY = std::uint8_t((i >> 1) & 1);
    const GlyphPoint q{next((std::int64_t(1) << 24) + (i % 5)), next((std::int64_t(1) << 24) - 1)};
    MapGlyphPoint(&p, q, r);
    const auto expected = reference(q, r);
    ASSERT_EQ(p.x, expected.first) << i;
    ASSERT_EQ(p.y, expected.second) << i;
  }
}

TEST(AntiAliasedFillTest, GlyphFarOutsideIsDroppedAndTheOthersDrawn) {
  auto s = Surface(64, 48, 1);
  OwnedArray<GlyphContour> contours;
  contours.Add(new GlyphContour(Square(1)));
  GlyphContour far;
  for (int i = 0; i < 4; ++i) far.Add(GlyphPoint{std::numeric_limits<std::int32_t>::max(), i * 65536});
  contours.Add(new GlyphContour(std::move(far)));
  GlyphContour tooShort;
  tooShort.Add(GlyphPoint{0, 0});
  contours.Add(new GlyphContour(std::move(tooShort)));
  GlyphTransform t;
  t.cosine = 1 << 20;  // 1024 x 1024: a 16.16 unit becomes 4/256 pixel
  t.originX = 40 * 1024;
  t.originY = 30 * 1024;
  // Half a pixel each way is 32 units at this scale; the far contour's
  // 2^31 units map to 2^33, beyond the rasterizer's range.
  contours[0]->Clear();
  const std::int32_t h = 32;
  const GlyphPoint corners[4] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
  contours[0]->Add(corners[0]);
  for (int i = 1; i <= 4; ++i) {
    contours[0]->Add(corners[i - 1]);
    contours[0]->Add(corners[i % 4]);
    contours[0]->Add(corners[i % 4]);
  }
  ASSERT_TRUE(FillAntiAliased(*s, &contours, &t, nullptr, 0, nullptr, kWhite, -1));
  EXPECT_EQ(Pixel(*s, 40, 30), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*s, kBlack), 1);
}

// ---- blenders and the render loop with a recorder

struct Buffer {
  explicit Buffer(int w, int h, std::uint32_t fill) : width(w), pixels(std::size_t(w) * h, fill) {
    renderer.bits = reinterpret_cast<std::uint8_t*>(pixels.data());
    renderer.stride = w * 4;
    renderer.x1 = 0;
    renderer.y1 = 0;
    renderer.x2 = w - 1;
    renderer.y2 = h - 1;
  }
  std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  int width;
  std::vector<std::uint32_t> pixels;
  SpanRenderer renderer;
};

TEST(AntiAliasedFillTest, SolidBlenderWithRecorderPaintsOnlyFullPixels) {
  Buffer b(2100, 2, kBlack);
  const AaColor white{255, 255, 255, 255};
  CoverageRecorder r;
  // Fully covered, outside the grid: painted, counted, not marked.
  BlendSolidSpan(b.renderer, 2050, 1, 2, white, 255, &r);
  EXPECT_EQ(b.At(2050, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.At(2051, 1), 0xFFFFFFFFu);
  EXPECT_EQ(r.MarkCount(), 2u);
  EXPECT_FALSE(r.IsMarked(2050, 1));
  // Inside the grid: painted and marked.
  BlendSolidSpan(b.renderer, 10, 0, 1, white, 255, &r);
  EXPECT_TRUE(r.IsMarked(10, 0));
  // Partial coverage (even alpha 0): listed, not painted.
  BlendSolidSpan(b.renderer, 20, 0, 2, white, 127, &r);
  BlendSolidSpan(b.renderer, 30, 0, 1, AaColor{255, 255, 255, 1}, 10, &r);
  EXPECT_EQ(b.At(20, 0), kBlack);
  ASSERT_EQ(r.Partials().Count(), 3u);
  EXPECT_EQ(r.Partials()[0].x, 20);
  EXPECT_EQ(r.Partials()[0].alpha, 127);
  EXPECT_EQ(r.Partials()[2].x, 30);
  EXPECT_EQ(r.Partials()[2].alpha, 0);
}

TEST(AntiAliasedFillTest, CoverBlenderWithRecorderListsAlphasOneTo254) {
  Buffer b(40, 1, kBlack);
  const std::uint8_t covers[4] = {0, 1, 127, 255};
  CoverageRecorder r;
  BlendCoverSpan(b.renderer, 5, 0, 4, AaColor{255, 255, 255, 255}, covers, &r);
  // Coverage 0 gives alpha 0 (not listed), 1 gives alpha 1, 127 gives 127.
  ASSERT_EQ(r.Partials().Count(), 2u);
  EXPECT_EQ(r.Partials()[0].x, 6);
  EXPECT_EQ(r.Partials()[0].alpha, 1);
  EXPECT_EQ(r.Partials()[1].alpha, 127);
  EXPECT_EQ(b.At(6, 0), kBlack);
  EXPECT_EQ(b.At(7, 0), kBlack);
  EXPECT_EQ(b.At(8, 0), 0xFFFFFFFFu);
  EXPECT_TRUE(r.IsMarked(8, 0));
  EXPECT_EQ(r.MarkCount(), 1u);
  // Without a recorder the same covers blend.
  Buffer c(40, 1, kBlack);
  BlendCoverSpan(c.renderer, 5, 0, 4, AaColor{255, 255, 255, 255}, covers, nullptr);
  EXPECT_EQ(c.At(5, 0), kBlack);
  EXPECT_EQ(c.At(6, 0), kBlack);  // alpha 1 moves no channel: (255 * 1) >> 8 = 0
  EXPECT_EQ(c.At(7, 0), 0xFF7E7E7Eu);
  EXPECT_EQ(c.At(8, 0), 0xFFFFFFFFu);
}

TEST(AntiAliasedFillTest, RenderLoopWithRecorderKeepsHalfCoveredPixels) {
  Buffer b(16, 8, kBlack);
  b.renderer.color = AaColor{255, 255, 255, 255};
  AaRasterizer ras;
  AaScanline sl;
  ras.clip_box(0, 0, 16, 8);
  ras.filling_rule(agg::fill_even_odd);
  // Columns 2 to 5, the first half covered, rows 1 to 2.
  ras.move_to(2 * 256 + 128, 256);
  ras.line_to(6 * 256, 256);
  ras.line_to(6 * 256, 3 * 256);
  ras.line_to(2 * 256 + 128, 3 * 256);
  CoverageRecorder r;
  RenderScanlines(ras, sl, b.renderer, &r);
  EXPECT_EQ(b.At(2, 1), kBlack);
  EXPECT_EQ(b.At(3, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.At(5, 2), 0xFFFFFFFFu);
  EXPECT_EQ(r.MarkCount(), 6u);
  EXPECT_TRUE(r.IsMarked(4, 2));
  ASSERT_EQ(r.Partials().Count(), 2u);
  EXPECT_EQ(r.Partials()[0].x, 2);
  EXPECT_EQ(r.Partials()[0].y, 1);
  EXPECT_NEAR(r.Partials()[0].alpha, 128, 1);

  // The render loop clips spans to the renderer's box, covers included.
  Buffer c(16, 8, kBlack);
  c.renderer.color = AaColor{255, 255, 255, 255};
  c.renderer.x1 = 3;
  c.renderer.y2 = 1;
  ras.reset();
  ras.move_to(2 * 256 + 128, 256);
  ras.line_to(6 * 256 + 64, 256);
  ras.line_to(6 * 256 + 64, 3 * 256);
  ras.line_to(2 * 256 + 128, 3 * 256);
  RenderScanlines(ras, sl, c.renderer, nullptr);
  EXPECT_EQ(c.At(2, 1), kBlack);
  EXPECT_EQ(c.At(3, 1), 0xFFFFFFFFu);
  EXPECT_EQ(c.At(6, 1), 0xFF3F3F3Fu);  // a quarter covered: (255 * 64) >> 8
  EXPECT_EQ(c.At(3, 2), kBlack);
}

}  // namespace
}  // namespace kvn
