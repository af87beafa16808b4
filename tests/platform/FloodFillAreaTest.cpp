// The area a flood fill takes on the raster target: the pixels a plain
// four-neighbour search over the picture finds, whatever the picture and
// the clip, and bounded by shapes that meet in a metafile at every scale.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/Region.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {
namespace {

// ---- against a plain search ----

// Two of the colours are each other's red and blue swapped: a fill that
// read the pixels' bytes the wrong way round would take one for the other.
const COLORREF kPalette[] = {Rgb(200, 30, 90), Rgb(90, 30, 200), Rgb(255, 255, 255)};
const COLORREF kMark = Rgb(1, 2, 3);

struct Grid {
  int width, height;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[std::size_t(y * width + x)]; }
};

// The pixels reached from (x, y) through their four neighbours: of `color`
// (surface) or not of it (border), inside the grid and the clip.
std::vector<bool> PlainSearch(const Grid& g, const TRegion* clip, int x, int y, COLORREF color, unsigned mode) {
  std::vector<bool> reached(g.pixels.size(), false);
  auto fits = [&](int px, int py) {
    return px >= 0 && py >= 0 && px < g.width && py < g.height && (!clip || clip->Contains(px, py)) &&
           (g.At(px, py) == color) == (mode == kFloodFillSurface);
  };
  if (!fits(x, y)) return reached;
  std::vector<std::pair<int, int>> stack{{x, y}};
  reached[std::size_t(y * g.width + x)] = true;
  while (!stack.empty()) {
    const auto [px, py] = stack.back();
    stack.pop_back();
    for (const auto& [nx, ny] : {std::pair{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}}) {
      if (!fits(nx, ny) || reached[std::size_t(ny * g.width + nx)]) continue;
      reached[std::size_t(ny * g.width + nx)] = true;
      stack.emplace_back(nx, ny);
    }
  }
  return reached;
}

// Noise of the three colours near the density where four-neighbour areas
// stop spanning the picture (many long thin areas meeting only at
// corners), under no clip or a clip of several pieces with holes.
TEST(RasterFloodFill, TakesWhatAPlainFourNeighbourSearchFinds) {
  constexpr int kWidth = 97, kHeight = 71;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    Grid g{kWidth, kHeight, {}};
    std::discrete_distribution<int> pick({55, 25, 20});
    for (int i = 0; i < kWidth * kHeight; ++i) g.pixels.push_back(kPalette[pick(rng)]);
    std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4);
    auto load = [&] {
      for (std::size_t i = 0; i < g.pixels.size(); ++i) {
        const COLORREF c = g.pixels[i];  // 0x00BBGGRR
        bits[4 * i] = std::uint8_t(c >> 16);
        bits[4 * i + 1] = std::uint8_t(c >> 8);
        bits[4 * i + 2] = std::uint8_t(c);
        bits[4 * i + 3] = 255;
      }
    };
    auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
    ASSERT_TRUE(dc);
    std::optional<TRegion> clip;
    if (seed % 2 == 0) {
      std::uniform_int_distribution<int> cx(-10, kWidth + 10), cy(-10, kHeight + 10);
      TRegion region;
      for (int k = 0; k < 4; ++k) {
        TRegion piece(TRect{cx(rng), cy(rng), cx(rng), cy(rng)}.Normalized());
        region.Combine(region, piece, k == 3 ? kRgnDiff : kRgnOr);
      }
      clip = region;
      dc->SelectClipRgn(&region);
    }
    dc->SelectObject(TBrush(kMark));
    std::uniform_int_distribution<int> sx(0, kWidth - 1), sy(0, kHeight - 1);
    for (int fill = 0; fill < 6; ++fill) {
      const int x = sx(rng), y = sy(rng);
      const unsigned mode = fill % 2 ? kFloodFillSurface : kFloodFillBorder;
      const COLORREF color = mode == kFloodFillSurface ? g.At(x, y) : kPalette[fill % 3];
      load();
      dc->MarkDirty();
      dc->ExtFloodFill(x, y, color, mode);
      dc->Flush();
      const std::vector<bool> want = PlainSearch(g, clip ? &*clip : nullptr, x, y, color, mode);
      long outside = 0, missing = 0, area = 0;
      for (std::size_t i = 0; i < want.size(); ++i) {
        const bool got = Rgb(bits[4 * i + 2], bits[4 * i + 1], bits[4 * i]) == kMark;
        outside += got && !want[i];
        missing += want[i] && !got;
        area += want[i];
      }
      EXPECT_TRUE(outside == 0 && missing == 0)
          << "seed " << seed << ", fill from (" << x << ", " << y << ") "
          << (mode == kFloodFillSurface ? "over its colour" : "up to a border") << (clip ? " under a clip" : "")
          << ": " << outside << " pixels filled outside the area it reaches, " << missing << " of its " << area
          << " left out";
    }
  }
}

// ---- a cross in a box ----

U_RECTL R(int l, int t, int r, int b) { return rectl_set(point32_set(l, t), point32_set(r, b)); }

// A picture of 400 x 400 logical units (reference pixels) on 400 mm.
EmfDocument CrossInABox() {
  constexpr int kSide = 400;
  EmfBuilder b(1 << 16);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, std::uint32_t(kSide * 100));
  le::Put32(h + 36, std::uint32_t(kSide * 100));
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  for (int at : {72, 76, 80, 84}) le::Put32(h + at, std::uint32_t(kSide));
  // The red box, no outline.
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_SOLID, colorref_set(255, 0, 0), 0)));
  b.Take(U_EMRSELECTOBJECT_set(1));
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
  b.Take(U_EMRRECTANGLE_set(R(50, 50, 350, 350)));
  // The black cross of a 6-unit flat-capped pen, from edge to edge.
  PU_EXTLOGPEN pen = extlogpen_set(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT, 6, U_BS_SOLID,
                                   colorref_set(0, 0, 0), 0, 0, nullptr);
  b.Take(U_EMREXTCREATEPEN_set(2, nullptr, 0, nullptr, pen));
  std::free(pen);
  b.Take(U_EMRSELECTOBJECT_set(2));
  for (const auto& [from, to] : {std::pair{point32_set(50, 200), point32_set(350, 200)},
                                 {point32_set(200, 50), point32_set(200, 350)}}) {
    b.Take(U_EMRMOVETOEX_set(from));
    b.Take(U_EMRLINETO_set(to));
  }
  // Green over the red, from the top left quarter.
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(3, logbrush_set(U_BS_SOLID, colorref_set(0, 255, 0), 0)));
  b.Take(U_EMRSELECTOBJECT_set(3));
  b.Take(U_EMREXTFLOODFILL_set(point32_set(120, 120), colorref_set(255, 0, 0), U_FLOODFILLSURFACE));
  EXPECT_TRUE(b.Finish(4));
  std::optional<EmfDocument> doc = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  EXPECT_TRUE(doc);
  return doc ? std::move(*doc) : EmfDocument{};
}

// The picture placed in 25 windows from 600 to 2,352 pixels wide, a margin
// around it, so that the box's edges and the cross's ends fall on every
// fraction of a pixel: the fill stays in its quarter at each.
TEST(EmfExtFloodFill, ACrossInABoxKeepsTheFillInItsQuarterAtEveryScale) {
  const EmfDocument emf = CrossInABox();
  int leaked = 0;
  std::string where;
  for (int step = 0; step < 25; ++step) {
    const int width = 600 + 73 * step, height = width * 3 / 4;
    const TRect place{width / 7, height / 9, width / 7 + height * 8 / 10, height / 9 + height * 8 / 10};
    std::vector<std::uint8_t> bits(std::size_t(width) * std::size_t(height) * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), width, height);
    ASSERT_TRUE(dc);
    EmfPlayStats stats;
    PlayEnhMetaFile(*dc, emf, place, &stats);
    dc->Flush();
    EXPECT_EQ(stats.unplayed, 0u);
    // The quarter's device box: from the box's corner to the cross's middle.
    const double scale = double(place.right - place.left) / 400.0;
    const double quarterRight = place.left + 200 * scale, quarterBottom = place.top + 200 * scale;
    long inside = 0, outside = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = &bits[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
        if (Rgb(p[2], p[1], p[0]) != Rgb(0, 255, 0)) continue;
        (x < quarterRight && y < quarterBottom ? inside : outside) += 1;
      }
    const double quarter = (150 - 3) * scale * (150 - 3) * scale;
    if (outside > 0 || inside < 0.95 * quarter) {
      ++leaked;
      where += " " + std::to_string(width) + " px (" + std::to_string(outside) + " outside, " +
               std::to_string(inside) + " in)";
    }
  }
  EXPECT_EQ(leaked, 0) << "the fill did not fill its quarter alone at" << where;
}

}  // namespace
}  // namespace kvn
