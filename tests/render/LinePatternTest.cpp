#include "render/LinePattern.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"
#include "render/BuiltinLineTypes.h"

namespace kvn {
namespace {

TEST(BuiltinLineTypes, RowsOfTheTable) {
  EXPECT_EQ(BuiltinLineType(0).count, 0u);
  EXPECT_EQ(BuiltinLineType(1).count, 0u);
  const BuiltinLineTypeRow& dots = BuiltinLineType(2);
  ASSERT_EQ(dots.count, 2u);
  EXPECT_EQ(dots.entries[0], 0.0);
  EXPECT_EQ(dots.entries[1], -3.0);
  const BuiltinLineTypeRow& last = BuiltinLineType(18);
  ASSERT_EQ(last.count, 10u);
  EXPECT_EQ(last.entries[2], 12.0);
  EXPECT_EQ(last.entries[9], -3.0);
  EXPECT_EQ(&BuiltinLineType(19), &BuiltinLineType(0));
  EXPECT_EQ(&BuiltinLineType(255), &BuiltinLineType(0));
}

TEST(LinePattern, BuiltinRowInQuarterUnits) {
  cLine line;
  line.stroke.lineType = 5;
  line.stroke.patternScale = 2.0;
  LinePattern p;
  GrowArray<double> scratch;
  ASSERT_TRUE(GetLinePattern(line, nullptr, p, scratch));
  EXPECT_EQ(p.count, 2u);
  EXPECT_EQ(p.entries[0], 6.0);
  EXPECT_EQ(p.scale, 0.5);  // 2.0 x 0.25: dashes of 3 world units
  EXPECT_EQ(p.fromStyle, 0);
  // Pattern scale 0 or negative counts as 1.
  line.stroke.patternScale = 0;
  ASSERT_TRUE(GetLinePattern(line, nullptr, p, scratch));
  EXPECT_EQ(p.scale, 0.25);
  line.stroke.patternScale = -3;
  ASSERT_TRUE(GetLinePattern(line, nullptr, p, scratch));
  EXPECT_EQ(p.scale, 0.25);
}

TEST(LinePattern, NoneSolidAndBeyondTheTableGiveNoPattern) {
  cLine line;
  LinePattern p;
  GrowArray<double> scratch;
  for (std::uint8_t type : {0, 1, 19, 20, 127}) {
    line.stroke.lineType = type;
    EXPECT_FALSE(GetLinePattern(line, nullptr, p, scratch)) << int(type);
    EXPECT_EQ(p.count, 0u);
  }
}

TEST(LinePattern, StyleDashElementsWinWithoutTheQuarterUnit) {
  cDrawingData data;
  auto style = std::make_unique<cStyleLine>();
  style->lineType = 25;  // beyond the table: the elements still give the pattern
  style->patternScale = 1.5;
  for (double position : {2.0, -1.0, 0.0, -1.0}) {
    LineDashElement e;
    e.position = position;
    style->dashElements.push_back(e);
  }
  const std::uint16_t index = data.LineStyles().Add(std::move(style));
  cLine line;
  line.stroke.formerLineStyle = index;
  line.stroke.patternScale = 3.0;
  LinePattern p;
  GrowArray<double> scratch;
  ASSERT_TRUE(GetLinePattern(line, &data, p, scratch));
  EXPECT_EQ(p.fromStyle, 1);
  ASSERT_EQ(p.count, 4u);
  EXPECT_EQ(p.entries[0], 2.0);
  EXPECT_EQ(p.entries[3], -1.0);
  EXPECT_EQ(p.scale, 1.5);  // the style's pattern scale, not the object's
  // Without elements the style's line type picks the row.
  data.LineStyles().Get(index)->dashElements.clear();
  data.LineStyles().Get(index)->lineType = 3;
  ASSERT_TRUE(GetLinePattern(line, &data, p, scratch));
  EXPECT_EQ(p.fromStyle, 0);
  EXPECT_EQ(p.entries[0], 0.5);
  EXPECT_EQ(GetPatternSegments(*data.LineStyles().Get(index), scratch), 0u);
}

}  // namespace
}  // namespace kvn
