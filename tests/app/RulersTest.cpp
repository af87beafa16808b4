// Ruler ticks and labels at 100 % and 400 % (drawing scale 1), the label
// font's pixels, and degenerate mappings.
#include "app/Rulers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace kvn {
namespace {

WorldMapping At(double scale) {
  WorldMapping m;
  m.scale = scale;
  m.offsetX = 15;
  m.offsetY = 15;
  return m;
}

TEST(Rulers, HundredPercentTicksEveryUnitLabelsEveryTen) {
  RulerCache cache;
  const RulerLayout l = ComputeRulerTicks(At(1.0), false, 200, cache);
  // 40 pixels are 10 units; log10 is exactly 1, so the step is 1, not 10.
  EXPECT_EQ(l.step, 1.0);
  EXPECT_EQ(l.labelRoom, 37);
  // From -10 (ten steps at or before -3.75) to 46 (46.25 at the end).
  ASSERT_EQ(l.ticks.size(), 57u);
  EXPECT_EQ(l.ticks[0].position, -25);
  EXPECT_EQ(l.ticks[0].top, 1);
  EXPECT_EQ(l.ticks[0].text, "-10");
  EXPECT_EQ(l.ticks[1].position, -21);
  EXPECT_EQ(l.ticks[1].top, 11);
  EXPECT_EQ(l.ticks[5].top, 9);
  EXPECT_FALSE(l.ticks[5].label);  // 10 steps in 40 pixels: not fine
  EXPECT_EQ(l.ticks[10].position, 15);
  EXPECT_EQ(l.ticks[10].text, "0");
  EXPECT_EQ(l.ticks[20].text, "10");
  EXPECT_EQ(l.ticks[50].text, "40");
  EXPECT_EQ(l.ticks[50].position, 175);
  int labels = 0;
  for (const RulerTick& t : l.ticks) labels += t.label;
  EXPECT_EQ(labels, 6);
}

TEST(Rulers, FourHundredPercentLabelsEveryFifthTick) {
  RulerCache cache;
  const RulerLayout l = ComputeRulerTicks(At(4.0), true, 200, cache);
  // 40 pixels are 2.5 units: step 1, 16 pixels apart, fine.
  EXPECT_EQ(l.step, 1.0);
  EXPECT_EQ(l.labelRoom, 77);
  ASSERT_FALSE(l.ticks.empty());
  EXPECT_EQ(l.ticks[0].position, -160 + 15);
  std::set<std::pair<std::int32_t, std::string>> labels;
  for (const RulerTick& t : l.ticks)
    if (t.label) labels.insert({t.position, t.text});
  EXPECT_EQ(labels, (std::set<std::pair<std::int32_t, std::string>>{
                        {-145, "-10"}, {-65, "-5"}, {15, "0"}, {95, "5"}, {175, "10"}}));
  // The last tick: 11 at 191 (the ruler ends at 11.5625).
  EXPECT_EQ(l.ticks.back().position, 191);
}

TEST(Rulers, SmallStepsGetDecimals) {
  RulerCache cache;
  // 40 pixels are 0.025 units: step 0.01, labels with decimals.
  const RulerLayout l = ComputeRulerTicks(At(400.0), false, 100, cache);
  EXPECT_DOUBLE_EQ(l.step, 0.01);
  bool decimal = false;
  for (const RulerTick& t : l.ticks)
    if (t.label && t.text.find('.') != std::string::npos) decimal = true;
  EXPECT_TRUE(decimal);
}

TEST(Rulers, DegenerateMappingsDrawNothingAndNeverLoop) {
  RulerCache cache;
  EXPECT_TRUE(ComputeRulerTicks(At(0.0), false, 200, cache).ticks.empty());
  EXPECT_TRUE(ComputeRulerTicks(At(-1.0), false, 200, cache).ticks.empty());
  EXPECT_TRUE(ComputeRulerTicks(At(std::nan("")), false, 200, cache).ticks.empty());
  // Far from the origin at the largest zoom: the step no longer moves v.
  WorldMapping m = At(1e7);
  m.originX = -1e17;
  const RulerLayout far = ComputeRulerTicks(m, false, 1920, cache);
  EXPECT_LE(far.ticks.size(), 1920u + 65u);
  // The walk stops at the first step that leaves v where it was.
  EXPECT_EQ(far.ticks.size(), 1u);
}

TEST(Rulers, LabelFontPixels) {
  std::set<std::pair<int, int>> pixels;
  auto set = [&](std::int32_t x, std::int32_t y) { pixels.insert({x, y}); };
  // "1" = 0x42FE0200: column 0 bits 0x42 -> rows 1 and 6; column 1 all but row 7.
  EXPECT_EQ(DrawRulerText(set, 0, 0, false, "1", 100), 5);
  EXPECT_TRUE(pixels.count({0, 2}));
  EXPECT_TRUE(pixels.count({0, 7}));
  EXPECT_EQ(pixels.size(), 2u + 7u + 1u);
  // A blank advances 2; the room cuts columns off.
  pixels.clear();
  EXPECT_EQ(DrawRulerText(set, 0, 0, false, " 8", 4), 7);
  EXPECT_TRUE(pixels.count({2, 2}));
  EXPECT_FALSE(pixels.count({5, 2}));
  for (const auto& p : pixels) EXPECT_LT(p.first, 4);
  // Vertical text runs upward.
  pixels.clear();
  DrawRulerText(set, 0, 100, true, "-", 100);
  // "-" = 0x10101000: columns 0..2 have row 3.
  EXPECT_EQ(pixels, (std::set<std::pair<int, int>>{{4, 100}, {4, 99}, {4, 98}}));
}

}  // namespace
}  // namespace kvn
