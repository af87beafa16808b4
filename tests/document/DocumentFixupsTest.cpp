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

#include <bit>

#include "document/BlockListReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ReadState.h"
#include "model/cLink.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "print/PaperSizeLookup.h"

namespace kvn {
namespace {

std::unique_ptr<cDrawingDoc> OpenNamed(const test::ScratchDir& dir, const char* name,
                                       const std::vector<std::uint8_t>& bytes) {
  const std::string path = (dir / name).string();
  EXPECT_TRUE(test::SaveBytes(path, bytes));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  auto doc = OpenDrawingFile(WString::FromUtf8(path), request, outcome);
  EXPECT_EQ(outcome.errorCode, 0);
  return doc;
}

TEST(OldSymbolLines, ALineOf3049WithASymbolBecomesAStyleNamedAfterTheFile) {
  test::ScratchDir dir;
  test::SingleSheetFile file;
  file.version = 3049;
  // Drawings of 3049 without levels were block libraries.
  file.headerLines = {"Version=3049", "Levels=1", "Level=A"};
  test::FixtureBlock symbol;
  symbol.lines.push_back(test::FixtureLine{{0, 0}, {4, 2}});
  symbol.lines.back().width = 1.0;
  file.sheet.blocks.push_back(symbol);
  test::FixtureLine announcing{{0, 0}, {100, 0}};
  announcing.width = 0.5;  // the old pattern unit: 4 x 0.5 = 2
  announcing.symbolBlock = 0;
  announcing.repeatLength = 10.0;
  announcing.startOffset = 3.0;
  announcing.symbolByte = 1;
  file.sheet.lines.push_back(announcing);
  // A plain line after it: no symbol follows, no style is made for it.
  file.sheet.lines.push_back(test::FixtureLine{{0, 10}, {100, 10}});
  auto doc = OpenNamed(dir, "Plan.kvn", test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  const cDrawingData& data = *doc->GetSheet(0)->Data();
  ASSERT_EQ(data.LineStyles().Count(), 1u);
  const cStyleLine& style = *data.LineStyles().Get(0);
  EXPECT_EQ(style.name.ToUtf8(), "Plan1");
  EXPECT_TRUE(style.IsSymbolLine());
  EXPECT_EQ(style.symbolByte, 1);  // old bit 0 alone
  const double s = style.patternScale;
  ASSERT_GT(s, 0.0);
  EXPECT_DOUBLE_EQ(style.repeatLength, 10.0 / s);
  EXPECT_DOUBLE_EQ(style.startOffset, 3.0 / s);
  ASSERT_EQ(style.symbol.Count(), 1u);
  const cLine* symbolLine = dynamic_cast<const cLine*>(style.symbol.Head());
  ASSERT_NE(symbolLine, nullptr);
  EXPECT_NEAR(symbolLine->end.x, 4.0 / s, 1e-6);
  EXPECT_NEAR(symbolLine->end.y, 2.0 / s, 1e-6);

  const cOutObj* first = doc->GetSheet(0)->TopBlock().FirstObject();
  ASSERT_NE(first, nullptr);
  const cAnyLine* line = first->AsAnyLine();
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->TypeByte() & kTypeStyledStroke);
  EXPECT_EQ(line->stroke.lineStyle, 0);
  const cAnyLine* plain = first->next ? first->next->AsAnyLine() : nullptr;
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(plain->TypeByte() & kTypeStyledStroke);
}

// The conversion on its own: a link whose old record remembered a link
// style, and a holder of line attributes.
struct SymbolSetup {
  cSheet sheet;
  ReadContext read;
  BlockListContext context;
  std::uint32_t block = 0;
  SymbolSetup() {
    cDrawingData& data = *sheet.Data();
    auto* symbol = new cBlock;
    ObjectChain chain;
    chain.Append(SymbolLine());
    symbol->AppendChain(std::move(chain));
    block = data.AddBlock(symbol);
    read.fileTitle = WString(u"old");
    context.data = &data;
    context.readContext = &read;
  }
  static cLine* SymbolLine() {
    auto* line = new cLine;
    const DPoint points[2] = {{0, 0}, {2, 0}};
    line->SetPoints(points, 2);
    return line;
  }
};

TEST(OldSymbolLines, ALinkGetsTheStyleOfTheSameLineStyleAndTheRememberedOneGoes) {
  SymbolSetup setup;
  cDrawingData& data = *setup.sheet.Data();
  setup.read.lineHolder = std::make_unique<cAnyLine>(kLineHolderTypeCode);
  setup.read.oldPattern = OldPatternValues{8.0, 0.0, 3};
  // Link style 0 already draws with line style 0 (the one about to be
  // made); style 1 is the one the link's record made and remembered.
  auto existing = std::make_unique<cStyleLink>();
  existing->attributes.lineStyle = 0;
  data.LinkStyles().Add(std::move(existing));
  data.LinkStyles().Add(std::make_unique<cStyleLink>());
  setup.read.rememberedLinkStyle = 1;
  cLink link;
  link.linkStyle = 1;
  ConvertOldSymbolLine(link, setup.block, setup.context);
  ASSERT_EQ(data.LineStyles().Count(), 1u);
  EXPECT_EQ(data.LineStyles().Get(0)->name.ToUtf8(), "old1");
  EXPECT_EQ(data.LineStyles().Get(0)->symbolByte, 0);  // bits 0 and 1
  EXPECT_EQ(link.linkStyle, 0);
  EXPECT_EQ(data.LinkStyles().Count(), 1u);  // the remembered one, last, went

  // Nothing to bind to: the remembered style keeps the link and takes the
  // new line style and its name.
  setup.read.rememberedLinkStyle = 0;
  data.LinkStyles().Get(0)->attributes.lineStyle = 7;
  link.linkStyle = 0;
  ConvertOldSymbolLine(link, setup.block, setup.context);
  ASSERT_EQ(data.LineStyles().Count(), 2u);
  EXPECT_EQ(data.LineStyles().Get(1)->name.ToUtf8(), "old2");
  EXPECT_EQ(data.LinkStyles().Get(0)->name.ToUtf8(), "old2");
  EXPECT_EQ(data.LinkStyles().Get(0)->attributes.lineStyle, 1);
  EXPECT_EQ(link.linkStyle, 0);
}

TEST(OldSymbolLines, WithoutALineHolderNoStyleIsMade) {
  SymbolSetup setup;
  cLine line;
  ConvertOldSymbolLine(line, setup.block, setup.context);
  EXPECT_EQ(setup.sheet.Data()->LineStyles().Count(), 0u);
  EXPECT_FALSE(line.TypeByte() & kTypeStyledStroke);
  // A symbol block beyond the table gives an empty symbol, not a crash.
  setup.read.lineHolder = std::make_unique<cAnyLine>(kLineHolderTypeCode);
  ConvertOldSymbolLine(line, 999, setup.context);
  ASSERT_EQ(setup.sheet.Data()->LineStyles().Count(), 1u);
  EXPECT_TRUE(setup.sheet.Data()->LineStyles().Get(0)->symbol.Empty());
  EXPECT_TRUE(line.TypeByte() & kTypeStyledStroke);
}

TEST(OldPrintSettings, FormatsGrowToTheirPaperCentred) {
  InstallPaperSizeLookup();
  test::ScratchDir dir;
  test::SingleSheetFile file;
  file.version = 3062;
  file.sheet.lines.push_back(test::FixtureLine{{10, 10}, {100, 100}});
  file.sheet.paperId = 9;  // A4, 210 x 297
  file.sheet.formatSize = {200, 150};
  auto doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  const cDrawing* d = &doc->GetSheet(0)->Drawing();
  EXPECT_DOUBLE_EQ(d->formatSize.x, 210);
  EXPECT_DOUBLE_EQ(d->formatSize.y, 297);
  EXPECT_DOUBLE_EQ(d->formatMargins.x, 5);
  EXPECT_DOUBLE_EQ(d->formatMargins.y, 73.5);

  // Turned to fit: the paper lies across.
  file.sheet.formatSize = {280, 200};
  doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  d = &doc->GetSheet(0)->Drawing();
  EXPECT_DOUBLE_EQ(d->formatSize.x, 297);
  EXPECT_DOUBLE_EQ(d->formatSize.y, 210);
  EXPECT_DOUBLE_EQ(d->formatMargins.x, 8.5);
  EXPECT_DOUBLE_EQ(d->formatMargins.y, 5);

  // Larger than the paper: kept (then not near A4 either).
  file.sheet.formatSize = {400, 300};
  doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  EXPECT_DOUBLE_EQ(doc->GetSheet(0)->Drawing().formatSize.x, 400);
  EXPECT_DOUBLE_EQ(doc->GetSheet(0)->Drawing().formatMargins.x, 0);
  SetPaperSizeLookup(nullptr);
}

// A tagged settings record: tag, length, payload words.
void Tag(ArchiveWriter& w, std::uint8_t tag, std::initializer_list<std::uint32_t> words) {
  w.WriteByte(tag);
  w.WriteByte(std::uint8_t(4 * words.size()));
  for (std::uint32_t word : words) w.WriteRaw32(word);
}
std::uint32_t Single(float value) { return std::bit_cast<std::uint32_t>(value); }

TEST(OldPrintSettings, ViewPositionsOfFormatlessDrawingsBefore3057CountFromTheDrawing) {
  test::ScratchDir dir;
  test::SingleSheetFile file;
  file.version = 3056;
  file.sheet.lines.push_back(test::FixtureLine{{10, 10}, {100, 100}});
  auto settings = [](std::uint32_t pointX) {
    return [pointX](ArchiveWriter& w) {
      Tag(w, 19, {Single(2.0f)});                       // r
      Tag(w, 2, {Single(10.0f), Single(20.0f)});        // A
      Tag(w, 3, {pointX, Single(5.0f)});                // B = scale x point + A
      Tag(w, 20, {100});
      Tag(w, 21, {200});
      w.WriteByte(0);
    };
  };
  // B.x - A.x is 0: V - round(r A) + round(r E), E the extent's corner (10, 10).
  file.sheet.settingsOverride = settings(Single(0.0f));
  auto doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  const cDrawing* d = &doc->GetSheet(0)->Drawing();
  EXPECT_DOUBLE_EQ(d->viewPositions[0].x, 100 - 20 + 20);
  EXPECT_DOUBLE_EQ(d->viewPositions[0].y, 200 - 40 + 20);
  EXPECT_DOUBLE_EQ(d->formatOrigin.x, 0.0);

  // A format of width and height: the position stays.
  file.sheet.settingsOverride = settings(Single(50.0f));
  doc = Open(dir, test::WriteSingleSheetFile(file));
  ASSERT_NE(doc, nullptr);
  d = &doc->GetSheet(0)->Drawing();
  EXPECT_DOUBLE_EQ(d->viewPositions[0].x, 100);
  EXPECT_DOUBLE_EQ(d->viewPositions[0].y, 200);
}

}  // namespace
}  // namespace kvn
