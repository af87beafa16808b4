// Rescaling a whole drawing: objects about the origin with their pen
// widths, guide lines, setting records, prototypes and level values (not
// for factor 0), each block's widths once.
#include <gtest/gtest.h>

#include "document/HandOvers.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cText.h"

namespace kvn {
namespace {

cLine* AddLine(cSheet& sheet) {
  auto* line = new cLine;
  const DPoint points[2] = {{1, 2}, {10, 2}};
  line->SetPoints(points, 2);
  line->stroke.width = 0.5;
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
  return line;
}

TEST(RescaleDrawing, EveryLengthTimesTheFactorAndLevelValuesNotForZero) {
  cSheet sheet;
  cDrawing& drawing = sheet.Drawing();
  cDrawingData& data = *sheet.Data();
  cLine* line = AddLine(sheet);
  drawing.guideLines[0].Insert(1.0);
  drawing.guideLines[0].Insert(3.0);
  drawing.settingRecords[1].first = 5.0;
  drawing.settingRecords[1].second = 20.0;
  std::uint16_t index = 0;
  data.Levels().InsertLevel(WString(u"Walls"), &index, 0);
  data.Levels().FindLevel(index)->value = 2.5;
  const double textHeight = drawing.PrototypeText()->AsText()->attr.height;

  RescaleDrawing(data, &drawing, sheet.TopBlock(), 2.0, true);
  EXPECT_DOUBLE_EQ(line->start.x, 2.0);
  EXPECT_DOUBLE_EQ(line->start.y, 4.0);
  EXPECT_DOUBLE_EQ(line->end.x, 20.0);
  EXPECT_DOUBLE_EQ(line->stroke.width, 1.0);
  ASSERT_EQ(drawing.guideLines[0].Count(), 2u);
  EXPECT_DOUBLE_EQ(drawing.guideLines[0][1], 6.0);
  EXPECT_DOUBLE_EQ(drawing.settingRecords[1].first, 10.0);
  EXPECT_DOUBLE_EQ(drawing.settingRecords[1].second, 40.0);
  EXPECT_DOUBLE_EQ(drawing.PrototypeText()->AsText()->attr.height, 2 * textHeight);
  EXPECT_DOUBLE_EQ(data.Levels().FindLevel(index)->value, 5.0);

  RescaleDrawing(data, &drawing, sheet.TopBlock(), 0.0, true);
  EXPECT_DOUBLE_EQ(data.Levels().FindLevel(index)->value, 5.0);  // unchanged by 0
}

}  // namespace
}  // namespace kvn
