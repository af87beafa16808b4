// Shared by the tests that hold the stroke shortcuts against the general
// road: a batch of lines stroked once with the shortcuts and once without,
// compared pixel by pixel.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "render/Strokes.h"
#include "tests/render/RasterTestSupport.h"

namespace kvn::stroke_test {

struct FastPathSwitch {
  explicit FastPathSwitch(bool enabled) { SetStrokeFastPathForTests(enabled); }
  ~FastPathSwitch() { SetStrokeFastPathForTests(true); }
};

// A mapping and the lines stroked through it.
struct Round {
  WorldMapping mapping;
  std::vector<std::unique_ptr<cLine>> lines;
};

// One line alone, from `start` (world units) `length` long in direction
// dir x 22.5 degrees, the whole surface as clip.
inline Round LoneSegment(double startX, double startY, double length, int dir, double width, std::uint8_t penOption,
                         std::uint8_t lineType, std::int32_t surfaceWidth, std::int32_t surfaceHeight) {
  Round round;
  round.mapping.deviceClip = {0, 0, surfaceWidth, surfaceHeight};
  auto line = std::make_unique<cLine>();
  const double angle = dir * 3.14159265358979 / 8;
  line->start = {startX, startY};
  line->end = {startX + length * std::cos(angle), startY + length * std::sin(angle)};
  line->stroke.width = width;
  line->stroke.color = 0x123456;
  line->stroke.penOption = penOption;
  line->stroke.lineType = lineType;
  round.lines.push_back(std::move(line));
  return round;
}

// A width x height surface after stroking the round's lines, with or without
// the shortcuts.
inline std::unique_ptr<cRasterSurface> Stroke(Round& round, bool fastPath, std::int32_t width, std::int32_t height) {
  FastPathSwitch mode(fastPath);
  auto surface = raster_test::MakeSurface(width, height, true);
  if (!surface) return nullptr;
  cDrawInfo info(round.mapping, nullptr, nullptr, surface.get());
  for (const auto& line : round.lines) line->Draw(&info);
  return surface;
}

inline int PaintedPixels(const cRasterSurface& s) {
  int n = 0;
  for (std::int32_t y = 0; y < s.Height(); ++y)
    for (std::int32_t x = 0; x < s.Width(); ++x) n += raster_test::Pixel(s, x, y) != raster_test::kPaper;
  return n;
}

// Both roads draw the same pixels; with `mustPaint`, and at least one.
inline ::testing::AssertionResult RoadsAgree(Round& round, std::int32_t width, std::int32_t height,
                                             bool mustPaint = false) {
  const auto fast = Stroke(round, true, width, height);
  const auto general = Stroke(round, false, width, height);
  if (!fast || !general) return ::testing::AssertionFailure() << "no surface";
  if (mustPaint && PaintedPixels(*fast) == 0) return ::testing::AssertionFailure() << "nothing painted";
  if (!raster_test::SamePixels(*fast, *general)) return ::testing::AssertionFailure() << "pixels differ";
  return ::testing::AssertionSuccess();
}

// `rounds` rounds from `make(rng)` seeded with `seed`, each drawn alike by
// both roads; `lines` counts the lines stroked.
template <class MakeRound>
::testing::AssertionResult RandomRoundsAgree(MakeRound make, std::uint32_t seed, int rounds, std::int32_t width,
                                             std::int32_t height, int* lines) {
  std::mt19937 rng(seed);
  *lines = 0;
  for (int r = 0; r < rounds; ++r) {
    Round round = make(rng);
    *lines += int(round.lines.size());
    ::testing::AssertionResult agree = RoadsAgree(round, width, height);
    if (!agree) return agree << " in round " << r;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kvn::stroke_test
