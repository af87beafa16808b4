// Whole-document conversions of old drawings: rescaling (objects about the
// origin with their pen widths, guide lines, setting records, prototypes
// and level values, not for factor 0), print areas becoming sheets, and
// pictures of turned inserts turned back in private blocks.
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
  drawing.sectors[1].begin = 5.0;
  drawing.sectors[1].step = 20.0;
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
  EXPECT_DOUBLE_EQ(drawing.sectors[1].begin, 10.0);
  EXPECT_DOUBLE_EQ(drawing.sectors[1].step, 40.0);
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

#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "model/cInsert.h"

namespace kvn {
namespace {

std::uint32_t PictureBlock(cDrawingData& data, double pictureAngle) {
  auto* block = new cBlock;
  auto* picture = new cBitmap;
  picture->frame = PictureFrame{{0, 0}, 20, 10, pictureAngle};
  ObjectChain chain;
  chain.Append(picture);
  block->AppendChain(std::move(chain));
  return data.AddBlock(block);
}

cInsert* PlaceAt(cSheet& sheet, std::uint32_t block, double angle) {
  auto* insert = new cInsert;
  insert->blockIndex = block;
  insert->angle = angle;
  ObjectChain chain;
  chain.Append(insert);
  sheet.TopBlock().AppendChain(std::move(chain));
  return insert;
}

TEST(OldTurnedPictures, PicturesShownTurnedGetPrivateBlocksAndUprightOnesKeepTheirs) {
  cDrawingDoc document;
  auto owned = std::make_unique<cSheet>();
  cSheet& sheet = *owned;
  document.AddSheet(std::move(owned));
  cDrawingData& data = *sheet.Data();
  const std::uint32_t turned = PictureBlock(data, 30);
  const std::uint32_t upright = PictureBlock(data, 0);
  cInsert* a = PlaceAt(sheet, turned, 45);
  cInsert* b = PlaceAt(sheet, turned, 0);
  cInsert* c = PlaceAt(sheet, upright, 0);
  // An upright picture in a turned insert showed upright too: it is turned.
  cInsert* d = PlaceAt(sheet, upright, 45);
  FixOldTurnedPictures(document);
  EXPECT_NE(d->blockIndex, upright);
  EXPECT_NE(a->blockIndex, turned);
  EXPECT_NE(b->blockIndex, turned);
  EXPECT_NE(a->blockIndex, b->blockIndex);
  EXPECT_EQ(c->blockIndex, upright);
  // The copy's picture turned by the insert's angle about its centre; the
  // shared original left as it was.
  const cBitmap* copied = data.GetBlock(a->blockIndex)->FirstObject()->AsBitmap();
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied->frame.angle, 30.0);
  EXPECT_EQ(data.GetBlock(turned)->FirstObject()->AsBitmap()->frame.angle, 30.0);
  EXPECT_EQ(data.GetBlock(b->blockIndex)->FirstObject()->AsBitmap()->frame.angle, 30.0);  // insert angle 0
}

}  // namespace
}  // namespace kvn

#include "model/cStyleLine.h"

namespace kvn {
namespace {

TEST(OldStyleNames, TrimmedEmptyNamedAndRepeatsNumbered) {
  cSheet sheet;
  cDrawingData& data = *sheet.Data();
  for (const char16_t* name : {u" A ", u"a", u"", u"A"}) {
    auto style = std::make_unique<cStyleLine>();
    style->name = WString(name);
    data.LineStyles().Add(std::move(style));
  }
  NormalizeOldStyleNames(data);
  EXPECT_EQ(data.LineStyles().Get(0)->name.ToUtf8(), "A");
  EXPECT_EQ(data.LineStyles().Get(1)->name.ToUtf8(), "a1");
  EXPECT_EQ(data.LineStyles().Get(2)->name.ToUtf8(), "_");
  EXPECT_EQ(data.LineStyles().Get(3)->name.ToUtf8(), "A2");
}

}  // namespace
}  // namespace kvn

#include "document/OpenDrawingFile.h"
#include "model/cStyleFont.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::unique_ptr<cDrawingDoc> Open(const test::ScratchDir& dir, const std::vector<std::uint8_t>& bytes) {
  const std::string path = (dir / "old.kvn").string();
  EXPECT_TRUE(test::SaveBytes(path, bytes));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  return OpenDrawingFile(WString::FromUtf8(path), request, outcome);
}

TEST(OldPrintSettings, FormatsNearA4WithoutMarginsBecomeA4) {
  test::ScratchDir dir;
  test::SingleSheetFile file;
  file.version = 3062;
  file.sheet.lines.push_back(test::FixtureLine{{10, 10}, {100, 100}});
  file.sheet.formatSize = {240, 200};  // the second format point
  auto doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  const cDrawing& d = doc->GetSheet(0)->Drawing();
  EXPECT_DOUBLE_EQ(d.formatSize.x, 297);
  EXPECT_DOUBLE_EQ(d.formatSize.y, 210);
  EXPECT_DOUBLE_EQ(d.formatMargins.x, 28.5);
  EXPECT_DOUBLE_EQ(d.formatMargins.y, 5);

  file.sheet.formatSize = {230, 200};
  doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  EXPECT_DOUBLE_EQ(doc->GetSheet(0)->Drawing().formatSize.x, 230);
  EXPECT_DOUBLE_EQ(doc->GetSheet(0)->Drawing().formatMargins.x, 0);
}

TEST(OldFontStyleNames, TheVerticalFontPrefixGoes) {
  test::ScratchDir dir;
  test::FixtureDocument doc;
  doc.version = 3078;
  test::FixtureSheet sheet;
  sheet.fontNames = {u"@Arial", u"Arial Narrow"};
  doc.sheets = {sheet};
  auto opened = Open(dir, test::WriteNativeFile(doc));
  ASSERT_NE(opened, nullptr);
  const auto& fonts = opened->GetSheet(0)->Data()->FontStyles();
  ASSERT_GE(fonts.Count(), 2u);
  EXPECT_EQ(fonts.Get(0)->name.ToUtf8(), "Arial");
  EXPECT_EQ(fonts.Get(1)->name.ToUtf8(), "Arial Narrow");
}

}  // namespace
}  // namespace kvn

#include "model/ObjectTypes.h"
#include "model/cStyleText.h"

namespace kvn {
namespace {

cText* StyledText(int alignment, double ownHeight) {
  auto* text = new cText;
  text->SetText(WString(u"T"));
  text->SetTypeByteSourceBits(kTypeStyledStroke);
  text->attr.textStyle = 0;
  text->attr.height = ownHeight;
  text->alignment = std::uint8_t(alignment);
  text->point = {10, 10};
  return text;
}

TEST(OldStyledTextAnchors, RowsShiftByTheStyleHeightAndBlocksAtOneScaleOnce) {
  cSheet sheet;
  cDrawingData& data = *sheet.Data();
  auto style = std::make_unique<cStyleText>();
  style->attributes.height = 4.0;
  data.TextStyles().Add(std::move(style));

  cText* middle = StyledText(3, 0);   // row 1: half the height
  cText* bottom = StyledText(6, 0);   // row 2: the height
  cText* top = StyledText(0, 0);      // row 0: stays
  cText* own = StyledText(3, 3.0);    // its own height: stays
  // Block 0 at scales (1, 1) and (2, 2): conflicting. Block 1 at (2, -2)
  // twice: shifted once with factor 0.5.
  auto addBlock = [&](cText* text) {
    auto* block = new cBlock;
    ObjectChain chain;
    chain.Append(text);
    block->AppendChain(std::move(chain));
    return data.AddBlock(block);
  };
  cText* inConflict = StyledText(6, 0);
  cText* inScaled = StyledText(6, 0);
  const std::uint32_t conflicting = addBlock(inConflict);
  const std::uint32_t scaled = addBlock(inScaled);
  ObjectChain chain;
  for (cText* t : {middle, bottom, top, own}) chain.Append(t);
  auto place = [&](std::uint32_t block, DPoint factors) {
    auto* insert = new cInsert;
    insert->blockIndex = block;
    insert->scale = factors;
    chain.Append(insert);
  };
  place(conflicting, {1, 1});
  place(conflicting, {2, 2});
  place(scaled, {2, -2});
  place(scaled, {2, -2});
  sheet.TopBlock().AppendChain(std::move(chain));

  ShiftStyledTextAnchorsOfDrawing(data, sheet.TopBlock());
  EXPECT_DOUBLE_EQ(middle->point.y, 8.0);
  EXPECT_DOUBLE_EQ(bottom->point.y, 6.0);
  EXPECT_DOUBLE_EQ(top->point.y, 10.0);
  EXPECT_DOUBLE_EQ(own->point.y, 10.0);
  EXPECT_DOUBLE_EQ(inConflict->point.y, 10.0);
  EXPECT_DOUBLE_EQ(inScaled->point.y, 8.0);  // 4 x 0.5, once for both inserts
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST(OldRightAlignedTexts, MultiLineTextsInInsertsMoveInAPrivateBlockSingleLinesStay) {
  cSheet sheet;
  cDrawingData& data = *sheet.Data();
  auto blockWith = [&](const char16_t* content) {
    auto* text = new cText;
    text->SetText(WString(content));
    text->alignment = 2;  // right column
    text->attr.height = 2.5;
    text->point = {0, 0};
    auto* block = new cBlock;
    ObjectChain chain;
    chain.Append(text);
    block->AppendChain(std::move(chain));
    return std::pair<std::uint32_t, cText*>(data.AddBlock(block), text);
  };
  const auto [twoLines, shared] = blockWith(u"first\nsecond line");
  const auto [oneLine, single] = blockWith(u"one line");
  ObjectChain chain;
  auto place = [&](std::uint32_t block) {
    auto* insert = new cInsert;
    insert->blockIndex = block;
    chain.Append(insert);
    return insert;
  };
  cInsert* a = place(twoLines);
  cInsert* b = place(oneLine);
  sheet.TopBlock().AppendChain(std::move(chain));

  ReanchorRightAlignedTextsOfDrawing(data, sheet.TopBlock());
  EXPECT_NE(a->blockIndex, twoLines);  // its own copy
  EXPECT_EQ(b->blockIndex, oneLine);   // shared, unchanged
  const cText* moved = data.GetBlock(a->blockIndex)->FirstObject()->AsText();
  ASSERT_NE(moved, nullptr);
  EXPECT_GT(moved->point.x, 0.0);  // moved right by the text's block width
  EXPECT_EQ(moved->alignment & 15, 2);
  EXPECT_DOUBLE_EQ(shared->point.x, 0.0);  // the shared original stays
  EXPECT_DOUBLE_EQ(single->point.x, 0.0);
}

}  // namespace
}  // namespace kvn
