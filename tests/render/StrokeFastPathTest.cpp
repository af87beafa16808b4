// The shortcut for solid straight segments onto the raster surface must draw
// exactly what the general stroke road (pattern, clip splitter, polyline
// route) draws: random segments are stroked twice, with the shortcut and
// without, and every pixel is compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "render/Strokes.h"
#include "tests/render/RasterTestSupport.h"
#include "tests/render/StrokeRoadSupport.h"

namespace kvn {
namespace {

using stroke_test::Round;
using stroke_test::LoneSegment;
using stroke_test::RandomRoundsAgree;
using stroke_test::RoadsAgree;

constexpr std::int32_t kWidth = 160, kHeight = 100;

// A mapping (scale, origin, clip inside or at the surface edge) and a batch
// of lines, mostly solid, ends near and across the clip edges.
Round MakeRound(std::mt19937& rng) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> pick(0, 99);
  Round round;
  WorldMapping& m = round.mapping;
  const double scales[] = {0.25, 0.5, 1.0, 1.5, 3.0, 0.3333};
  m.scale = scales[pick(rng) % 6];
  m.originX = unit(rng) * 8 - 4;
  m.originY = unit(rng) * 8 - 4;
  if (pick(rng) < 50) {
    m.deviceClip = {0, 0, kWidth, kHeight};
  } else {
    // A clip well inside the surface, so that pixels beyond its margin show
    // whether a cut went wrong.
    m.deviceClip = {30 + pick(rng) % 10, 20 + pick(rng) % 10, 120 + pick(rng) % 10, 70 + pick(rng) % 10};
  }
  if (pick(rng) < 20) m.lineWidthFactor = 384;
  const double pixelsPerUnit = 4 * m.scale;
  const DeviceRect& c = m.deviceClip;
  // A device position near the clip: within 8 pixels of an edge, or anywhere
  // in a box 12 pixels larger than the clip.
  auto near = [&](std::int32_t lo, std::int32_t hi) {
    const int kind = pick(rng) % 3;
    double v;
    if (kind == 0) {
      v = lo + (unit(rng) - 0.5) * 16;
    } else if (kind == 1) {
      v = hi + (unit(rng) - 0.5) * 16;
    } else {
      v = lo - 12 + unit(rng) * (hi - lo + 24);
    }
    return v;
  };
  const int count = 10 + pick(rng) % 20;
  for (int i = 0; i < count; ++i) {
    auto owned = std::make_unique<cLine>();
    cLine& line = *owned;
    const double x1 = near(c.left, c.right), y1 = near(c.top, c.bottom);
    double x2, y2;
    if (pick(rng) < 70) {
      x2 = x1 + (unit(rng) - 0.5) * 40;
      y2 = y1 + (unit(rng) - 0.5) * 40;
    } else {
      x2 = near(c.left, c.right);
      y2 = near(c.top, c.bottom);
    }
    if (pick(rng) < 5) {
      x2 = x1;  // a dot
      y2 = y1;
    }
    line.start = {(x1 - m.originX) / pixelsPerUnit, (y1 - m.originY) / pixelsPerUnit};
    line.end = {(x2 - m.originX) / pixelsPerUnit, (y2 - m.originY) / pixelsPerUnit};
    // Widths of 0 to 6 pixels, whole and fractional.
    const double pixels = pick(rng) < 30 ? double(pick(rng) % 7) : unit(rng) * 6;
    line.stroke.width = pixels / pixelsPerUnit;
    line.stroke.color = std::uint32_t(rng() & 0xFFFFFF);
    line.stroke.penOption = std::uint8_t(pick(rng) < 30 ? 1 : 0);
    // Mostly solid; a few dashed and invisible ones in between.
    const int type = pick(rng);
    line.stroke.lineType = std::uint8_t(type < 85 ? 1 : type < 95 ? 2 + type % 10 : 0);
    round.lines.push_back(std::move(owned));
  }
  return round;
}

TEST(StrokeFastPath, RandomSolidSegmentsMatchTheGeneralRoad) {
  int lines = 0;
  EXPECT_TRUE(RandomRoundsAgree(MakeRound, 20261207, 300, kWidth, kHeight, &lines));
  EXPECT_GT(lines, 3000);
}

// The same segment alone, in every direction and at every width, fully
// inside: the case the shortcut takes on every call.
TEST(StrokeFastPath, LoneSegmentsInsideMatchTheGeneralRoad) {
  for (int width = 0; width <= 6; ++width) {
    for (int dir = 0; dir < 16; ++dir) {
      Round round = LoneSegment(20.0, 12.5, 9.3, dir, width / 4.0, std::uint8_t(dir & 1), 1, kWidth, kHeight);
      EXPECT_TRUE(RoadsAgree(round, kWidth, kHeight, true)) << "width " << width << " direction " << dir;
    }
  }
}

}  // namespace
}  // namespace kvn
