// The renderer's shortcuts against the rules they stand for: band rows set up
// in 64 bits and walked incrementally against a 128-bit division per row,
// thin lines walked over their precomputed clip range against a test per
// pixel, the radius-1 dot against the disc rule, the inline sub-pixel
// rounding against floor(v + 0.5), pieces inside the clip against the
// splitter, shared points of outlines and ellipses mapped once against every
// point mapped, and the arc's kept curves against fresh ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "model/OutlinePath.h"
#include "model/cArc.h"
#include "render/CurveClip.h"
#include "render/EllipsePath.h"
#include "model/PathBuffer.h"
#include "render/RasterSurface.h"
#include "render/ThickLines.h"
#include "model/WorldMapping.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

using raster_test::kInk;
using raster_test::kPaper;
using raster_test::MakeSurface;
using raster_test::Pixel;
using raster_test::ReferenceLine;
using raster_test::SamePixels;

__extension__ typedef __int128 Int128;

struct P64 {
  std::int64_t x, y;
};

std::int64_t FloorDiv(Int128 n, Int128 d) {
  Int128 q = n / d;
  if (n % d != 0 && n < 0) --q;
  return std::int64_t(q);
}

// The row rule of a convex polygon, one division per row and edge: row k
// (y = 256 k) takes the pixels from its leftmost to its rightmost crossing.
// `turned` swaps x and y (rows are columns).
void ReferenceConvex(cRasterSurface& s, const std::vector<P64>& pts, std::uint32_t value, bool turned) {
  const TRect& clip = s.Clip();
  const std::int64_t rowLo = turned ? clip.left : clip.top, rowHi = (turned ? clip.right : clip.bottom) - 1;
  const std::int64_t runLo = turned ? clip.top : clip.left, runHi = (turned ? clip.bottom : clip.right) - 1;
  for (std::int64_t k = rowLo; k <= rowHi; ++k) {
    const std::int64_t y = 256 * k;
    std::int64_t lo = INT64_MAX, hi = INT64_MIN;
    for (std::size_t i = 0; i < pts.size(); ++i) {
      P64 a = pts[i], b = pts[(i + 1) % pts.size()];
      if (turned) {
        std::swap(a.x, a.y);
        std::swap(b.x, b.y);
      }
      if (a.y == b.y) {
        if (a.y != y) continue;
        for (const P64& p : {a, b}) {
          lo = std::min(lo, (p.x + 128) >> 8);
          hi = std::max(hi, (p.x + 128) >> 8);
        }
        continue;
      }
      if (a.y > b.y) std::swap(a, b);
      if (y < a.y || y > b.y) continue;
      const Int128 den = b.y - a.y;
      const std::int64_t px = FloorDiv((Int128(a.x) + 128) * den + Int128(y - a.y) * (b.x - a.x), 256 * den);
      lo = std::min(lo, px);
      hi = std::max(hi, px);
    }
    lo = std::max(lo, runLo);
    hi = std::min(hi, runHi);
    for (std::int64_t r = lo; r <= hi; ++r) {
      if (turned) {
        *s.PixelAt(std::int32_t(k), std::int32_t(r)) = value;
      } else {
        *s.PixelAt(std::int32_t(r), std::int32_t(k)) = value;
      }
    }
  }
}

TEST(RenderFastPathTest, SlantedBandsFollowTheRowRuleNearAndFarFromTheOrigin) {
  std::mt19937 rng(4711);
  auto fast = MakeSurface(64, 48, true);
  auto reference = MakeSurface(64, 48, true);
  fast->SetClip(TRect{3, 2, 61, 45});
  reference->SetClip(TRect{3, 2, 61, 45});
  int drawn = 0;
  for (int round = 0; round < 3000; ++round) {
    // Mostly on the surface; some ends far out, most of whose pairs are
    // refused as longer than 2^28 (the wide edge set-up is reached by the
    // very wide bands of the next test).
    const bool far = round % 10 == 0;
    auto coord = [&](int pixels) {
      if (far) return std::int32_t(std::int64_t(rng() % 2000000000u) - 1000000000);
      return std::int32_t(rng() % unsigned(pixels * 256 + 2000)) - 1000;
    };
    const std::int32_t x0 = coord(64), y0 = coord(48);
    const std::int32_t x1 = far ? coord(64) : x0 + std::int32_t(rng() % 8000) - 4000;
    const std::int32_t y1 = far ? coord(48) : y0 + std::int32_t(rng() % 8000) - 4000;
    if (x0 == x1 || y0 == y1) continue;
    const std::int32_t width = std::int32_t(rng() % 2000);
    TPoint n;
    fast->FillRect(0, 0, 64, 48, kPaper);
    if (!DrawThickLineInt(*fast, x0, y0, x1, y1, kInk, width, false, &n)) continue;
    reference->FillRect(0, 0, 64, 48, kPaper);
    const bool turned = std::llabs(std::int64_t(x1) - x0) >= std::llabs(std::int64_t(y1) - y0);
    ReferenceConvex(*reference,
                    {{std::int64_t(x0) + n.x, std::int64_t(y0) + n.y},
                     {std::int64_t(x1) + n.x, std::int64_t(y1) + n.y},
                     {std::int64_t(x1) - n.x, std::int64_t(y1) - n.y},
                     {std::int64_t(x0) - n.x, std::int64_t(y0) - n.y}},
                    kInk, turned);
    ASSERT_TRUE(SamePixels(*fast, *reference))
        << "band " << x0 << "," << y0 << " - " << x1 << "," << y1 << " width " << width;
    ++drawn;
  }
  EXPECT_GT(drawn, 2000);
}

// Bands wider than 1.5 * 2^30 / 256 pixels have corners beyond 2^29 units, so
// their edges are set up from far-away corners (the 64-bit quotient of the
// wide set-up and its floor towards minus infinity). Either a band's end cap
// or one of its long edges runs through the surface, so that crossings land
// on both sides of the surface's first row and column, where a quotient
// rounded towards zero instead of down shows as one pixel too many.
TEST(RenderFastPathTest, BandsFromFarOutsideFollowTheRowRuleAcrossTheSurface) {
  std::mt19937 rng(1848);
  auto fast = MakeSurface(64, 48, true);
  auto reference = MakeSurface(64, 48, true);
  const double pi = std::acos(-1.0);
  int drawn = 0, partial = 0;
  for (int round = 0; round < 3000; ++round) {
    // The whole surface as clip most of the time: its first row and column
    // are where a wrongly rounded negative crossing becomes visible.
    const TRect clip = round % 4 == 3 ? TRect{1, 2, 60, 47} : TRect{0, 0, 64, 48};
    fast->SetClip(clip);
    reference->SetClip(clip);
    // From 1.5 * 2^30: half of it exceeds 2^29 along x or y whatever the slant.
    const std::int32_t width = std::int32_t(0x60000000 + std::int64_t(rng() % 0x20000000u) - 1);
    const double half = width / 2.0;
    const double angle = double(rng() % 100000) / 100000.0 * 2 * pi;
    const double ux = std::cos(angle), uy = std::sin(angle);
    const double length = 256.0 + double(rng() % (1u << 27));
    // A point near the surface, up to three pixels outside it.
    const double px = double(rng() % (70 * 256)) - 3 * 256, py = double(rng() % (54 * 256)) - 3 * 256;
    double x0, y0, x1, y1;
    if (round % 2 == 0) {
      // The end cap through the point.
      x0 = px;
      y0 = py;
      x1 = px + length * ux;
      y1 = py + length * uy;
    } else {
      // A long edge through the point: the centre line half a width aside.
      const double side = rng() % 2 ? 1.0 : -1.0;
      const double cx = px - side * half * uy, cy = py + side * half * ux;
      x0 = cx - length / 2 * ux;
      y0 = cy - length / 2 * uy;
      x1 = cx + length / 2 * ux;
      y1 = cy + length / 2 * uy;
    }
    const auto ix0 = std::int32_t(std::lround(x0)), iy0 = std::int32_t(std::lround(y0));
    const auto ix1 = std::int32_t(std::lround(x1)), iy1 = std::int32_t(std::lround(y1));
    if (ix0 == ix1 || iy0 == iy1) continue;
    TPoint n;
    fast->FillRect(0, 0, 64, 48, kPaper);
    ASSERT_TRUE(DrawThickLineInt(*fast, ix0, iy0, ix1, iy1, kInk, width, false, &n));
    const P64 corners[4] = {{std::int64_t(ix0) + n.x, std::int64_t(iy0) + n.y},
                            {std::int64_t(ix1) + n.x, std::int64_t(iy1) + n.y},
                            {std::int64_t(ix1) - n.x, std::int64_t(iy1) - n.y},
                            {std::int64_t(ix0) - n.x, std::int64_t(iy0) - n.y}};
    std::int64_t farthest = 0;
    for (const P64& c : corners) farthest = std::max<std::int64_t>({farthest, std::llabs(c.x), std::llabs(c.y)});
    ASSERT_GE(farthest, std::int64_t(1) << 29) << "a band set up in 64 bits";
    reference->FillRect(0, 0, 64, 48, kPaper);
    const bool turned = std::llabs(std::int64_t(ix1) - ix0) >= std::llabs(std::int64_t(iy1) - iy0);
    ReferenceConvex(*reference, {corners[0], corners[1], corners[2], corners[3]}, kInk, turned);
    ASSERT_TRUE(SamePixels(*fast, *reference))
        << "round " << round << ": band " << ix0 << "," << iy0 << " - " << ix1 << "," << iy1 << " width " << width;
    ++drawn;
    const int ink = raster_test::CountInk(*fast);
    partial += ink > 0 && ink < 64 * 48;
  }
  EXPECT_GT(drawn, 2900);
  // Most bands must cross the surface, not cover or miss it whole.
  EXPECT_GT(partial, 1500);
}

// Fills the joint on `fast` and its four corners by the row rule on
// `reference`, both cleared first.
::testing::AssertionResult JointMatchesRowRule(cRasterSurface& fast, cRasterSurface& reference, std::int32_t vx,
                                               std::int32_t vy, TPoint na, TPoint nb) {
  fast.FillRect(0, 0, fast.Width(), fast.Height(), kPaper);
  reference.FillRect(0, 0, reference.Width(), reference.Height(), kPaper);
  FillJoint(fast, vx, vy, na, nb, kInk);
  ReferenceConvex(reference,
                  {{std::int64_t(vx) + na.x, std::int64_t(vy) + na.y},
                   {std::int64_t(vx) + nb.x, std::int64_t(vy) + nb.y},
                   {std::int64_t(vx) - na.x, std::int64_t(vy) - na.y},
                   {std::int64_t(vx) - nb.x, std::int64_t(vy) - nb.y}},
                  kInk, false);
  if (SamePixels(fast, reference)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "joint at " << vx << "," << vy << " normals " << na.x << "," << na.y
                                       << " / " << nb.x << "," << nb.y;
}

TEST(RenderFastPathTest, JointsFollowTheRowRule) {
  std::mt19937 rng(99);
  auto fast = MakeSurface(40, 40, true);
  auto reference = MakeSurface(40, 40, true);
  for (int round = 0; round < 2000; ++round) {
    const std::int32_t vx = std::int32_t(rng() % (40 * 256)), vy = std::int32_t(rng() % (40 * 256));
    const double w = double(rng() % 3000), a = double(rng() % 6283) / 1000, b = double(rng() % 6283) / 1000;
    const TPoint na{std::int32_t(std::cos(a) * w), std::int32_t(std::sin(a) * w)};
    const TPoint nb{std::int32_t(std::cos(b) * w), std::int32_t(std::sin(b) * w)};
    ASSERT_TRUE(JointMatchesRowRule(*fast, *reference, vx, vy, na, nb));
  }
}

TEST(RenderFastPathTest, JointsWithCornersOnRowCentresAndFlatSidesFollowTheRowRule) {
  // Corners on a half-pixel grid put vertices on row centres, make sides
  // horizontal and shapes collapse to lines or points: the cases where a row
  // meets a corner or a whole side.
  std::mt19937 rng(2024);
  auto fast = MakeSurface(24, 24, true);
  auto reference = MakeSurface(24, 24, true);
  fast->SetClip(TRect{2, 1, 22, 23});
  reference->SetClip(TRect{2, 1, 22, 23});
  for (int round = 0; round < 4000; ++round) {
    const std::int32_t vx = std::int32_t(rng() % 48) * 128, vy = std::int32_t(rng() % 48) * 128;
    auto half = [&] { return (std::int32_t(rng() % 13) - 6) * 128; };
    const TPoint na{half(), half()};
    const TPoint nb = round % 3 == 0 ? TPoint{na.x / 2 * 2, 0} : TPoint{half(), half()};
    ASSERT_TRUE(JointMatchesRowRule(*fast, *reference, vx, vy, na, nb));
  }
}

TEST(RenderFastPathTest, ThinLinesFollowTheFixedPointRuleInsideTheClip) {
  // Both end pixels, and between them the minor (base + i step) >> 16 of
  // every major step, each pixel kept only inside the clip.
  std::mt19937 rng(21);
  auto fast = MakeSurface(50, 40, true);
  auto reference = MakeSurface(50, 40, true);
  const TRect clip{4, 3, 46, 37};
  fast->SetClip(clip);
  reference->SetClip(clip);
  for (int round = 0; round < 4000; ++round) {
    auto coord = [&](int pixels) {
      if (round % 7 == 0) return std::int32_t(rng() % 400000u) - 200000;
      return std::int32_t(rng() % unsigned(pixels * 256 + 4000)) - 2000;
    };
    const std::int32_t x1 = coord(50), y1 = coord(40), x2 = coord(50), y2 = coord(40);
    fast->FillRect(0, 0, 50, 40, kPaper);
    reference->FillRect(0, 0, 50, 40, kPaper);
    fast->DrawLine(x1, y1, x2, y2, kInk);
    ReferenceLine(*reference, x1, y1, x2, y2, kInk);
    ASSERT_TRUE(SamePixels(*fast, *reference)) << x1 << "," << y1 << " - " << x2 << "," << y2;
  }
}

TEST(RenderFastPathTest, ThinPolylinesSetWhatTheirSegmentsSet) {
  // Steps inside one pixel are left out of the polyline; every segment drawn
  // on its own must give the same picture.
  std::mt19937 rng(3);
  auto fast = MakeSurface(24, 24, true);
  auto reference = MakeSurface(24, 24, true);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::int32_t> pts;
    const std::uint32_t n = 2 + rng() % 12;
    std::int32_t x = std::int32_t(rng() % (24 * 256)) - 256, y = std::int32_t(rng() % (24 * 256)) - 256;
    for (std::uint32_t i = 0; i < n; ++i) {
      pts.push_back(x);
      pts.push_back(y);
      const std::int32_t reach = rng() % 3 == 0 ? 1500 : 200;
      x += std::int32_t(rng() % std::uint32_t(2 * reach)) - reach;
      y += std::int32_t(rng() % std::uint32_t(2 * reach)) - reach;
    }
    const bool closed = rng() % 2 == 0;
    fast->FillRect(0, 0, 24, 24, kPaper);
    reference->FillRect(0, 0, 24, 24, kPaper);
    fast->SetClip(TRect{2, 1, 22, 23});
    reference->SetClip(TRect{2, 1, 22, 23});
    fast->DrawPolyline(pts.data(), n, 300, 0x00302010, 0, closed);
    const std::uint32_t value = ColorrefToPixel(0x00302010);
    for (std::uint32_t k = closed ? 0 : 1; k < n; ++k) {
      const std::uint32_t from = k == 0 ? n - 1 : k - 1;
      reference->DrawLine(pts[2 * from], pts[2 * from + 1], pts[2 * k], pts[2 * k + 1], value);
    }
    ASSERT_TRUE(SamePixels(*fast, *reference)) << "round " << round;
  }
}

TEST(RenderFastPathTest, DotsOfEveryRadiusFollowTheDiscRuleAtTheClipEdges) {
  auto fast = MakeSurface(30, 30, true);
  for (std::int32_t width = 0; width < 6000; width += 97) {
    for (std::int32_t at : {0, 3 * 256 + 40, 15 * 256, 28 * 256 + 200}) {
      fast->FillRect(0, 0, 30, 30, kPaper);
      fast->SetClip(TRect{1, 2, 29, 27});
      DrawDotInt(*fast, at, at + 77, width, kInk);
      const std::int64_t r = width >> 9, cx = (at + 128) >> 8, cy = (std::int64_t(at) + 77 + 128) >> 8;
      for (std::int32_t y = 0; y < 30; ++y) {
        for (std::int32_t x = 0; x < 30; ++x) {
          const std::int64_t i = x - cx, j = y - cy;
          const bool inClip = x >= 1 && x < 29 && y >= 2 && y < 27;
          const bool inDisc = r > 0 && std::llabs(j) <= r && i * i <= r * r + r - j * j;
          ASSERT_EQ(Pixel(*fast, x, y), inClip && inDisc ? kInk : kPaper)
              << "width " << width << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(RenderFastPathTest, SubpixelRoundingIsFloorOfHalfUpSaturated) {
  auto reference = [](double v) -> std::int32_t {
    if (std::isnan(v)) return 0;
    return std::int32_t(std::clamp(std::floor(v + 0.5), -2147483647.0, 2147483647.0));
  };
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const double edges[] = {0.0,           -0.0,          0.5,          -0.5,          1.5,          -1.5,
                          2.4999999999,  -2.5000000001, 2147483646.5, 2147483647.0, -2147483647.5, -2147483648.0,
                          -2147483646.6, 4e12,          -4e12,        inf,          -inf,          nan,
                          0.49999999999999994};
  for (double v : edges) EXPECT_EQ(RoundSubpixel(v), reference(v)) << v;
  std::mt19937_64 rng(5);
  for (int i = 0; i < 100000; ++i) {
    const double v = (double(rng() % 2000001) - 1000000.0) / 4.0 * std::ldexp(1.0, int(rng() % 22));
    ASSERT_EQ(RoundSubpixel(v), reference(v)) << v;
  }
  WorldMapping m;
  m.scale = 0.37;
  m.originX = -12.25;
  m.originY = 3.5;
  m.offsetX = 7;
  m.offsetY = -3;
  std::int32_t out[2];
  m.ToSubpixel(DPoint{10.125, -4.75}, out);
  EXPECT_EQ(out[0], reference((10.125 * 0.37 * 4 - 12.25 + 7) * 256));
  EXPECT_EQ(out[1], reference((-4.75 * 0.37 * 4 + 3.5 - 3) * 256));
}

TEST(RenderFastPathTest, PiecesInsideTheClipComeBackWholeFromTheSplitter) {
  // What DrawStyledPrimitive hands on without asking the splitter.
  struct Collect : ClipPartSink {
    std::vector<DeviceSegment> segments;
    int calls = 0;
    bool closed = false;
    bool OnClipPart(const ClipPart& part, bool c) override {
      ++calls;
      closed = c;
      for (std::uint32_t i = 0; i < part.Count(); ++i) segments.push_back(part[i]);
      return false;
    }
  };
  std::mt19937 rng(8);
  const ClipRect clip{-5000, -3000, 90000, 70000};
  for (int round = 0; round < 500; ++round) {
    SegmentArray piece;
    const int n = 1 + int(rng() % 6);
    for (int i = 0; i < n; ++i) {
      DeviceSegment s;
      for (int k = 0; k < 8; k += 2) {
        s.v[k] = clip.x1 + std::int32_t(rng() % std::uint32_t(clip.x2 - clip.x1));
        s.v[k + 1] = clip.y1 + std::int32_t(rng() % std::uint32_t(clip.y2 - clip.y1));
      }
      if (rng() % 2) s = DeviceSegment::Line(s.v[0], s.v[1], s.v[6], s.v[7]);
      piece.Append(s);
    }
    piece.closed = std::uint8_t(rng() % 2);
    Collect sink;
    std::uint8_t cut = 0;
    SplitPieceAtClip(piece, clip, sink, &cut);
    ASSERT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.closed, piece.closed != 0);
    EXPECT_EQ(cut, 0);
    ASSERT_EQ(sink.segments.size(), piece.Count());
    for (std::uint32_t i = 0; i < piece.Count(); ++i) EXPECT_EQ(sink.segments[i], piece.Items()[i]);
  }
}

std::vector<DeviceSegment> CurrentPiece() {
  const SegmentArray* piece = PathBuffer::Piece(PathBuffer::PieceCount() - 1);
  return {piece->Items(), piece->Items() + piece->Count()};
}

TEST(RenderFastPathTest, OutlinesMapEveryPointAsTheirRecordsSayEvenWhenPointsRepeat) {
  WorldMapping m;
  m.scale = 1.7;
  m.originX = 100.3;
  m.originY = -50.1;
  CubicArray records;
  const DPoint a{1.5, 2.25}, b{-0.0, 7.0}, c{0.0, 7.0}, d{3.125, -4.0};
  records.Append(Cubic::Straight(a, b));
  records.Append(Cubic::Straight(c, d));  // starts at +0.0 where the last ended at -0.0
  Cubic curve;
  curve.p[0] = d;
  curve.p[1] = DPoint{5, 5};
  curve.p[2] = DPoint{5, 5};
  curve.p[3] = a;
  records.Append(curve);
  PathBuffer::Empty();
  AppendOutlinePiece(m, records, true);
  const std::vector<DeviceSegment> got = CurrentPiece();
  ASSERT_EQ(got.size(), 3u);
  for (std::uint32_t i = 0; i < records.Count(); ++i) {
    DeviceSegment expected;
    m.ToSubpixel4(records[i].p, expected.v);
    EXPECT_EQ(got[i], expected) << i;
  }
  EXPECT_EQ(PathBuffer::Piece(PathBuffer::PieceCount() - 1)->closed, 1);

  // Random runs of straight records (chained, broken, of zero length) and
  // curves, on points that repeat, differ only in the sign of zero or are NaN.
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> pick(0, 7), kind(0, 3);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const DPoint pool[8] = {{0.0, 1.0}, {-0.0, 1.0}, {2.5, -3.75}, {1e-3, 7.125},
                          {nan, 2.0}, {-40.0, 0.5}, {3.3, 3.3}, {1e6, -1e6}};
  for (int round = 0; round < 200; ++round) {
    records.Clear();
    DPoint at = pool[pick(random)];
    for (int n = 1 + round % 9; n > 0; --n) {
      const DPoint to = pool[pick(random)];
      switch (kind(random)) {
        case 0:  // a curve from where the last record ended
          records.Append(Cubic{{at, pool[pick(random)], pool[pick(random)], to}});
          break;
        case 1:  // a straight record that starts somewhere else
          records.Append(Cubic::Straight(pool[pick(random)], to));
          break;
        default:  // chained straight
          records.Append(Cubic::Straight(at, to));
          break;
      }
      at = to;
    }
    PathBuffer::Empty();
    AppendOutlinePiece(m, records, false);
    const std::vector<DeviceSegment> piece = CurrentPiece();
    ASSERT_EQ(piece.size(), records.Count());
    for (std::uint32_t i = 0; i < records.Count(); ++i) {
      DeviceSegment expected;
      m.ToSubpixel4(records[i].p, expected.v);
      ASSERT_EQ(piece[i], expected) << round << " " << i;
    }
  }

  // The ellipse's twelve shared points give what its sixteen would.
  const double x1 = -3.3, y1 = 1.1, x2 = 9.7, y2 = 4.4;
  PathBuffer::Empty();
  AddEllipsePath(m, x1, y1, x2, y2);
  const std::vector<DeviceSegment> ellipse = CurrentPiece();
  ASSERT_EQ(ellipse.size(), 4u);
  const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  const double kx = 0.552284749830793 * (x2 - x1) / 2, ky = 0.552284749830793 * (y2 - y1) / 2;
  const DPoint quadrants[4][4] = {
      {{x2, cy}, {x2, cy + ky}, {cx + kx, y2}, {cx, y2}},
      {{cx, y2}, {cx - kx, y2}, {x1, cy + ky}, {x1, cy}},
      {{x1, cy}, {x1, cy - ky}, {cx - kx, y1}, {cx, y1}},
      {{cx, y1}, {cx + kx, y1}, {x2, cy - ky}, {x2, cy}},
  };
  for (int i = 0; i < 4; ++i) {
    DeviceSegment expected;
    m.ToSubpixel4(quadrants[i], expected.v);
    EXPECT_EQ(ellipse[std::size_t(i)], expected) << i;
  }
  PathBuffer::Empty();
}

void ExpectSameArc(cArc& kept, const DPoint& start, const DPoint& middle, const DPoint& end) {
  cArc fresh;
  fresh.start = start;
  fresh.middle = middle;
  fresh.end = end;
  DRect a, b;
  kept.GetExtent(a);
  fresh.GetExtent(b);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof(DRect)), 0);
  CubicArray ka, fa;
  kept.GetOutline(ka, nullptr);
  fresh.GetOutline(fa, nullptr);
  ASSERT_EQ(ka.Count(), fa.Count());
  EXPECT_EQ(std::memcmp(ka.Items(), fa.Items(), sizeof(Cubic) * ka.Count()), 0);
}

TEST(RenderFastPathTest, ArcCurvesFollowPointsChangedWithoutMarking) {
  cArc arc;
  arc.start = {10, 0};
  arc.middle = {0, 10};
  arc.end = {-10, 0};
  ExpectSameArc(arc, arc.start, arc.middle, arc.end);
  // Moved through the public fields, not Move: the kept curves must not stay.
  arc.end = {0, -10};
  ExpectSameArc(arc, arc.start, arc.middle, arc.end);
  // A signed zero is a different input: the fit may turn on it.
  arc.start = {-0.0, 5};
  arc.middle = {5, 0};
  arc.end = {0.0, -5};
  ExpectSameArc(arc, arc.start, arc.middle, arc.end);
  arc.start = {0.0, 5};
  ExpectSameArc(arc, arc.start, arc.middle, arc.end);
  // Three points on a line: a straight record.
  arc.start = {0, 0};
  arc.middle = {1, 1};
  arc.end = {2, 2};
  ExpectSameArc(arc, arc.start, arc.middle, arc.end);
  CubicArray records;
  arc.GetOutline(records, nullptr);
  EXPECT_EQ(records.Count(), 1u);
}

}  // namespace
}  // namespace kvn
