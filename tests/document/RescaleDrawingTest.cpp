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

#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "model/cSection.h"

namespace kvn {
namespace {

TEST(PrintAreaSheets, PrintAreasOfOldDrawingsBecomeSheetsShowingThem) {
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  cDrawingDoc document;
  document.filePath = WString(u"/plans/house.v1.kvn");
  for (int i = 0; i < 3; ++i) {
    auto sheet = std::make_unique<cSheet>();
    AddLine(*sheet);
    sheet->Drawing().name = i == 0 ? WString(u"Plan") : WString(u"Detail");
    sheet->Drawing().formatSize = {297, 210};
    sheet->Drawing().formatMargins = {10, 10};
    sheet->Drawing().storedCurrentPage = 0;
    document.AddSheet(std::move(sheet));
  }
  document.GetSheet(0)->Drawing().printArea = DRect{100, 80, 20, 10};  // given the wrong way round
  document.GetSheet(1)->Drawing().printArea = DRect{0, 0, 50, 40};
  // The third's print area is its printable area: nothing to add.
  document.GetSheet(2)->Drawing().printArea = DRect{0, 0, 277, 190};

  AddPrintAreaSheets(document);
  ASSERT_EQ(document.SheetCount(), 5u);
  const cDrawing& view = document.GetSheet(3)->Drawing();
  EXPECT_EQ(view.name.ToUtf8(), "Plan - Current view");
  EXPECT_EQ(view.formatOrigin.x, 20);
  EXPECT_EQ(view.formatSize.x, 80);
  EXPECT_EQ(view.formatSize.y, 70);
  const cSection* section = document.GetSheet(3)->TopBlock().FirstObject()->AsSection();
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->sheetIndex, 0);
  EXPECT_DOUBLE_EQ(section->sourcePoint.x, 60);
  EXPECT_DOUBLE_EQ(section->scale, 1.0);
  EXPECT_EQ(document.GetSheet(4)->Drawing().name.ToUtf8(), "Detail - Current view");
  EXPECT_DOUBLE_EQ(document.GetSheet(0)->Drawing().printScale, 100.0);
  EXPECT_DOUBLE_EQ(document.GetSheet(0)->Drawing().formatMargins.x, 0.0);

  // A lone unnamed sheet is named after the file first.
  cDrawingDoc single;
  single.filePath = WString(u"/plans/garage.kvn");
  auto sheet = std::make_unique<cSheet>();
  AddLine(*sheet);
  sheet->Drawing().printArea = DRect{0, 0, 30, 30};
  single.AddSheet(std::move(sheet));
  AddPrintAreaSheets(single);
  ASSERT_EQ(single.SheetCount(), 2u);
  EXPECT_EQ(single.GetSheet(0)->Drawing().name.ToUtf8(), "garage");
  EXPECT_EQ(single.GetSheet(1)->Drawing().name.ToUtf8(), "garage - Current view");
}

}  // namespace
}  // namespace kvn
