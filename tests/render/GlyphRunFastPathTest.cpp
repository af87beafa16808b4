// The glyph fill's quick roads against the plain one: glyph runs filled
// straight from the fonts layer's runs (and from the per-glyph cache of
// mapped, flattened outlines) give the same pixels as FillAntiAliased with
// every run copied into a GlyphContour, for random glyphs under random
// transforms, origins on every sub-pixel phase, clips that cut them,
// positions beyond the rasterizer's range and points too large for the
// 64-bit mapping; and the 64-bit flatness test agrees with the 128-bit one.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "render/AntiAliasedFill.h"
#include "render/CurveClip.h"
#include "render/StyledPrimitive.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn {
namespace {

constexpr int kW = 64, kH = 48;

std::unique_ptr<cRasterSurface> Surface(std::uint32_t mode) {
  auto s = std::make_unique<cRasterSurface>(true);
  if (!s->Prepare(TRect{0, 0, kW, kH})) return nullptr;
  s->FillRect(0, 0, kW, kH, 0xFFFFFFFF);
  s->SetAntiAliasMode(mode);
  return s;
}

// One to three closed runs of straight and curved pieces within `size`
// 16.16 units of the origin; now and then a run too short to fill.
GlyphRuns RandomGlyph(std::mt19937& rng, std::int32_t size) {
  std::uniform_int_distribution<std::int32_t> coord(-size / 8, size);
  GlyphRuns runs;
  const int count = std::uniform_int_distribution<int>(1, 3)(rng);
  for (int r = 0; r < count; ++r) {
    std::vector<FixPoint> run;
    const FixPoint start{coord(rng), coord(rng)};
    run.push_back(start);
    const int pieces = std::uniform_int_distribution<int>(2, 6)(rng);
    for (int i = 0; i < pieces; ++i) {
      const FixPoint end = i + 1 == pieces ? start : FixPoint{coord(rng), coord(rng)};
      if (rng() % 2) {
        run.push_back(run.back());
        run.push_back(end);
      } else {
        run.push_back(FixPoint{coord(rng), coord(rng)});
        run.push_back(FixPoint{coord(rng), coord(rng)});
      }
      run.push_back(end);
    }
    if (rng() % 17 == 0) run.resize(3);
    runs.push_back(std::move(run));
  }
  return runs;
}

void FillCopied(cRasterSurface& s, const GlyphRuns& runs, const GlyphTransform& t, const ClipRect* clip,
                COLORREF color, int alpha) {
  OwnedArray<GlyphContour> contours;
  for (const std::vector<FixPoint>& run : runs) {
    if (run.size() < 4) continue;
    auto contour = std::make_unique<GlyphContour>(std::uint32_t(run.size()));
    for (const FixPoint& p : run) contour->Add(GlyphPoint{p.x, p.y});
    contours.Add(contour.release());
  }
  FillAntiAliased(s, &contours, &t, nullptr, 0, clip, color, alpha);
}

TEST(GlyphRunFastPath, RunsFillLikeCopiedContoursPixelForPixel) {
  std::mt19937 rng(7);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int drawn = 0;
  for (int round = 0; round < 60; ++round) {
    const std::uint32_t mode = std::uint32_t(1 + round % 3);
    auto fast = Surface(mode), slow = Surface(mode);
    ASSERT_TRUE(fast && slow);
    // A handful of glyphs, each drawn many times like the letters of many
    // texts: the same transform at other origins, other turns and sizes.
    std::vector<GlyphRuns> glyphs;
    for (int g = 0; g < 4; ++g) glyphs.push_back(RandomGlyph(rng, round % 10 == 9 ? (1 << 25) : 48 * 65536));
    const double angle = round % 4 == 0 ? 0.0 : uniform(0, 359) * 3.14159265358979 / 180.0;
    const double scale = uniform(5, 600) / 1000.0;
    GlyphTransform t;
    t.cosine = std::int32_t(std::lround(1024 * scale * std::cos(angle)));
    t.sine = std::int32_t(std::lround(1024 * scale * std::sin(angle)));
    t.stretch = uniform(0, 3) == 0 ? uniform(300, 2000) : 1024;
    t.mirrorX = std::uint8_t(round % 5 == 1);
    t.keepY = std::uint8_t(round % 7 == 3);
    for (int n = 0; n < 120; ++n) {
      t.originX = uniform(-20 * 1024, (kW + 10) * 1024);
      t.originY = uniform(-10 * 1024, (kH + 20) * 1024);
      if (n % 40 == 39) t.originX = uniform(1 << 28, (1 << 30) - 1);  // beyond the rasterizer's range
      if (n % 50 == 49) t.originY = -(1 << 30) - uniform(0, 1000);    // the 128-bit mapping
      ClipRect cut;
      const bool clipped = n % 3 == 0;
      if (clipped) {
        const std::int32_t x = uniform(0, kW * 256), y = uniform(0, kH * 256);
        cut = ClipRect{x - uniform(0, 30 * 256), y - uniform(0, 30 * 256), x, y};
      }
      const GlyphRuns& runs = glyphs[std::size_t(n % 4)];
      const COLORREF color = COLORREF(uniform(0, 0xFFFFFF));
      const int alpha = n % 6 == 0 ? uniform(0, 255) : -1;
      FillGlyphRunsAntiAliased(*fast, runs, t, clipped ? &cut : nullptr, color, alpha);
      FillCopied(*slow, runs, t, clipped ? &cut : nullptr, color, alpha);
      ASSERT_TRUE(raster_test::SamePixels(*fast, *slow)) << "round " << round << " glyph " << n;
    }
    bool any = false;
    for (int y = 0; y < kH && !any; ++y)
      for (int x = 0; x < kW && !any; ++x) any = raster_test::Pixel(*fast, x, y) != 0xFFFFFFFF;
    drawn += any;
  }
  EXPECT_GE(drawn, 50);  // the comparison is of glyphs, not of blank surfaces
}

TEST(GlyphRunFastPath, TheCacheStartsOverWhenFullAndStillDrawsTheSame) {
  // More turns and scales than the cache keeps entries: it is emptied on the
  // way and every glyph is drawn as the plain road draws it.
  std::mt19937 rng(5);
  const GlyphRuns glyph = RandomGlyph(rng, 48 * 65536);
  auto fast = Surface(1), slow = Surface(1);
  ASSERT_TRUE(fast && slow);
  for (int n = 0; n < 9000; ++n) {
    GlyphTransform t;
    t.cosine = 40 + n % 97;
    t.sine = n / 97 - 45;
    t.originX = (n * 37) % (kW * 1024);
    t.originY = (n * 53) % (kH * 1024);
    FillGlyphRunsAntiAliased(*fast, glyph, t, nullptr, COLORREF(n * 2654435761u & 0xFFFFFF), 128);
    FillCopied(*slow, glyph, t, nullptr, COLORREF(n * 2654435761u & 0xFFFFFF), 128);
  }
  EXPECT_TRUE(raster_test::SamePixels(*fast, *slow));
}

// The flatness rule with every product in 128 bits, as it stood before the
// 64-bit road for chords under 2^31.
bool WideFlatEnough(const std::int32_t* v) {
  using Wide = __int128;
  constexpr std::int64_t kTolerance = 64;
  const std::int64_t dx = std::int64_t(v[6]) - v[0], dy = std::int64_t(v[7]) - v[1];
  const int along = std::llabs(dx) >= std::llabs(dy) ? 0 : 1, across = 1 - along;
  const std::int64_t dAlong = along == 0 ? dx : dy, dAcross = along == 0 ? dy : dx;
  if (dAlong == 0) {
    for (int c = 2; c <= 4; c += 2)
      if (std::llabs(std::int64_t(v[c]) - v[0]) > kTolerance || std::llabs(std::int64_t(v[c + 1]) - v[1]) > kTolerance)
        return false;
    return true;
  }
  const std::int64_t lo = std::min(v[along], v[6 + along]), hi = std::max(v[along], v[6 + along]);
  for (int c = 2; c <= 4; c += 2) {
    const std::int64_t ca = v[c + along];
    if (ca < lo || ca > hi) return false;
    const std::int64_t off =
        std::int64_t(v[c + across]) - v[across] - std::int64_t(Wide(ca - v[along]) * dAcross / dAlong);
    if (std::llabs(off) > kTolerance) return false;
  }
  return true;
}

// The flattening as FlattenCubicInt does it, on WideFlatEnough.
void WideFlatten(std::vector<std::int32_t>& out, const DeviceSegment& s, int depth = 0) {
  const std::int32_t* v = s.v;
  if (depth >= 14 || WideFlatEnough(v)) {
    out.push_back(v[6]);
    out.push_back(v[7]);
    return;
  }
  auto mid = [](std::int32_t a, std::int32_t b) { return std::int32_t((std::int64_t(a) + b + 1) >> 1); };
  DeviceSegment a, b;
  for (int k = 0; k < 2; ++k) {
    const std::int32_t p01 = mid(v[k], v[2 + k]), p12 = mid(v[2 + k], v[4 + k]), p23 = mid(v[4 + k], v[6 + k]);
    const std::int32_t p012 = mid(p01, p12), p123 = mid(p12, p23), m = mid(p012, p123);
    a.v[k] = v[k], a.v[2 + k] = p01, a.v[4 + k] = p012, a.v[6 + k] = m;
    b.v[k] = m, b.v[2 + k] = p123, b.v[4 + k] = p23, b.v[6 + k] = v[6 + k];
  }
  WideFlatten(out, a, depth + 1);
  WideFlatten(out, b, depth + 1);
}

TEST(GlyphRunFastPath, FlatteningAgreesWithTheWideRuleAtEveryScale) {
  std::mt19937 rng(11);
  for (int n = 0; n < 4000; ++n) {
    // Spans from a few units to the whole 32-bit range, so chords fall on
    // both sides of 2^31.
    const int bits = 4 + n % 28;
    std::uniform_int_distribution<std::int64_t> coord(-(std::int64_t(1) << bits), (std::int64_t(1) << bits) - 1);
    DeviceSegment s;
    for (std::int32_t& v : s.v) v = std::int32_t(std::clamp<std::int64_t>(coord(rng) * (n % 3 + 1), INT32_MIN, INT32_MAX));
    if (n % 5 == 0) {  // nearly straight
      auto third = [](std::int64_t a, std::int64_t b, std::int64_t wobble) {
        return std::int32_t(std::clamp<std::int64_t>(a + (b - a) / 3 + wobble, INT32_MIN, INT32_MAX));
      };
      s.v[2] = third(s.v[0], s.v[6], 0);
      s.v[3] = third(s.v[1], s.v[7], std::int64_t(rng() % 100) - 50);
    }
    GrowArray<std::int32_t> got(64);
    FlattenCubicInt(got, s);
    std::vector<std::int32_t> want;
    WideFlatten(want, s);
    ASSERT_EQ(got.Count(), want.size()) << n;
    for (std::uint32_t i = 0; i < got.Count(); ++i) ASSERT_EQ(got[i], want[i]) << n;
  }
}

// Control points placed exactly at the flatness bound and one unit past it,
// on chords of every direction and slope sign, where the rounding of the
// chord point across (toward zero) decides: the flattening must agree with
// the divided rule point for point.
TEST(GlyphRunFastPath, FlatteningAgreesWithTheWideRuleAtTheBound) {
  const std::int32_t chords[][2] = {{1000, 0},  {1000, 333}, {1000, -333}, {-1000, 333}, {-1000, -333},
                                    {7, 3},     {-7, 3},     {333, 1000},  {-333, -1000}, {3, -7},
                                    {65536, 1}, {1, 65536},  {999, 998},   {-999, 998}};
  const std::int32_t origins[][2] = {{0, 0}, {-5000, 7000}, {123457, -98765}};
  int cases = 0;
  for (const auto& o : origins) {
    for (const auto& chord : chords) {
      const bool xAlong = std::abs(chord[0]) >= std::abs(chord[1]);
      const std::int64_t dAlong = xAlong ? chord[0] : chord[1], dAcross = xAlong ? chord[1] : chord[0];
      for (int share = 1; share <= 3; ++share) {
        const std::int64_t t = dAlong * share / 4;
        const std::int64_t onChord = t * dAcross / dAlong;
        for (std::int64_t off : {-66, -65, -64, -63, 0, 63, 64, 65, 66}) {
          DeviceSegment s;
          s.v[0] = o[0], s.v[1] = o[1];
          s.v[6] = std::int32_t(o[0] + chord[0]), s.v[7] = std::int32_t(o[1] + chord[1]);
          const std::int32_t along = std::int32_t(t), across = std::int32_t(onChord + off);
          s.v[2] = std::int32_t(o[0] + (xAlong ? along : across));
          s.v[3] = std::int32_t(o[1] + (xAlong ? across : along));
          s.v[4] = s.v[6], s.v[5] = s.v[7];
          GrowArray<std::int32_t> got(64);
          FlattenCubicInt(got, s);
          std::vector<std::int32_t> want;
          WideFlatten(want, s);
          ASSERT_EQ(got.Count(), want.size()) << cases;
          for (std::uint32_t i = 0; i < got.Count(); ++i) ASSERT_EQ(got[i], want[i]) << cases;
          ++cases;
        }
      }
    }
  }
  EXPECT_EQ(cases, 3 * 14 * 3 * 9);
}

}  // namespace
}  // namespace kvn
