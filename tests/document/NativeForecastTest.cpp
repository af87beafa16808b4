// A native drawing is weighed like an import before any insert of it is
// expanded: a small file that places a large block thousands of times, or
// nests a doubling lattice past what a paint may walk, is refused as too
// large within a small heap; a lattice within the ceilings opens whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "document/DocumentCost.h"
#include "document/DocumentResult.h"
#include "document/NativeLoad.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "model/DrawingCost.h"
#include "model/InsertExpansion.h"
#include "model/cBlock.h"
#include "model/cInsert.h"
#include "model/cSection.h"
#include "model/cText.h"
#include "tests/support/CapacityDrawings.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

DocumentResult OpenNative(const std::vector<std::uint8_t>& bytes, std::uint64_t& peak) {
  test::ScratchDir dir;
  const std::string path = (dir / "drawing.kvn").string();
  EXPECT_TRUE(test::SaveBytes(path, bytes));
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = NativeFormatReader().load(WString::FromUtf8(path), FormatReadContext{});
  peak = GetPeakAllocatedBytes() - before;
  return result;
}

TEST(NativeForecast, BlocksPlacedPastWhatAPaintWalksAreRefused) {
  struct Bomb {
    const char* name;
    std::vector<std::uint8_t> file;
  };
  // 80 million lines from 4,000 placements; 2^40 from a lattice of 40
  // levels; 2^23 lines from one of 23, within what a paint walks, but with
  // the entry into each nested insert (two thirds of the walk) 25 million.
  const Bomb bombs[] = {{"4,000 of 20,000", test::NativePlacements(20000, 4000)},
                        {"lattice of 40", test::NativeDoublingLattice(40)},
                        {"lattice of 23", test::NativeDoublingLattice(23)}};
  for (const Bomb& bomb : bombs) {
    std::uint64_t peak = 0;
    DocumentResult result = OpenNative(bomb.file, peak);
    ASSERT_FALSE(result.Ok()) << bomb.name;
    EXPECT_EQ(result.Detail(), DrawingTooLargeText()) << bomb.name;
    // What the file holds, read once.
    EXPECT_LT(peak, 30 * bomb.file.size() + (2u << 20)) << bomb.name;
  }
}

// A model of `lines` lines and a paper sheet of `views` views of it.
std::vector<std::uint8_t> ModelAndViews(int lines, int views) {
  test::FixtureDocument document;
  test::FixtureSheet model;
  model.name = u"Model";
  for (int i = 0; i < lines; ++i) {
    test::FixtureLine line;
    line.start = {double(i % 100), double(i / 100)};
    line.end = {double(i % 100) + 0.5, double(i / 100)};
    model.lines.push_back(line);
  }
  document.sheets.push_back(std::move(model));
  test::FixtureSheet paper;
  paper.name = u"Paper";
  for (int k = 0; k < views; ++k) {
    auto view = std::make_shared<cSection>();
    view->sheetIndex = 0;
    view->insertPoint = {30.0 * k, 0};
    view->MarkDirty();
    paper.objects.push_back(view);
  }
  // A line of its own, so that the paper is not empty without views.
  paper.lines.push_back(test::FixtureLine{});
  document.sheets.push_back(std::move(paper));
  return test::WriteNativeFile(document);
}

// A paint of the paper walks the model once for every view on it: a model
// of 1,000 lines seen through five views is 5,000 objects walked; 201
// views of 100,000 lines are past what a paint may walk and refused.
TEST(NativeForecast, EveryPaperViewWalksTheModelOnceMore) {
  for (int views : {0, 1, 5}) {
    SCOPED_TRACE(::testing::Message() << views << " views");
    std::uint64_t peak = 0;
    DocumentResult result = OpenNative(ModelAndViews(1000, views), peak);
    ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
    ASSERT_EQ(result.Document()->SheetCount(), 2u);
    const DocumentCost cost = ForecastDocumentCost(*result.Document());
    EXPECT_EQ(cost.cost.walked, std::max<std::uint64_t>(1000, 1 + 1000u * views));
  }
  std::uint64_t peak = 0;
  DocumentResult refused = OpenNative(ModelAndViews(100'000, 201), peak);
  ASSERT_FALSE(refused.Ok());
  EXPECT_EQ(refused.Detail(), DrawingTooLargeText());
}

// A block of 3,000 short texts placed once: its expansion holds a copy of
// each text, and the forecast weighs them as texts, not as lines.
TEST(NativeForecast, AnExpansionOfTextsIsWeighedAtTheTextsSize) {
  test::FixtureDocument document;
  test::FixtureSheet sheet;
  sheet.name = u"Model";
  test::FixtureBlock block;
  for (int i = 0; i < 3000; ++i) {
    auto text = std::make_shared<cText>();
    text->SetText(WString(u"ABCDE"));
    text->attr.height = 2;
    text->point = {double(i % 50) * 10, double(i / 50) * 5};
    text->MarkDirty();
    block.objects.push_back(text);
  }
  sheet.blocks.push_back(std::move(block));
  test::InsertFixture placed;
  placed.level = 65535;
  placed.blockIndex = 0;
  sheet.inserts.push_back(placed);
  document.sheets.push_back(std::move(sheet));
  std::uint64_t peak = 0;
  DocumentResult result = OpenNative(test::WriteNativeFile(document), peak);
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  const DocumentCost cost = ForecastDocumentCost(*result.Document());
  cSheet& opened = *result.Document()->GetSheet(0);
  cInsert* insert = opened.TopBlock().FirstObject()->AsInsert();
  ASSERT_NE(insert, nullptr);
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  insert->MarkDirty();
  insert->UpdateIfDirty(opened.Data());
  ASSERT_EQ(insert->GetChildren().size(), 3000u);
  EXPECT_LE(GetPeakAllocatedBytes() - before, cost.cost.bytes - kBytesBesideDrawing);
}

TEST(NativeForecast, ALatticeWithinTheCeilingsOpensWholeAndSilent) {
  // A million lines through one insert (past the 400,000 children one
  // expansion once made): within what a paint may walk and the open may
  // hold, so whole, with nothing told.
  std::uint64_t peak = 0;
  DocumentResult whole = OpenNative(test::NativeDoublingLattice(20), peak);
  ASSERT_TRUE(whole.Ok()) << whole.Detail().ToUtf8();
  EXPECT_TRUE(whole.Warnings().empty());
  // Block k walks twice block k-1 and the entries into its two inserts:
  // 3 x 2^k - 2 objects, 2^20 of them lines.
  EXPECT_EQ(ForecastDocumentCost(*whole.Document()).cost.walked, 3u * (1u << 20) - 2);
  // With the expansion's count lowered below it (as a line type's symbol
  // block, which no forecast weighs, may meet it), the insert shown in
  // part is told.
  const expansion_testing::ScopedCuts cuts(400'000, 1'600'000);
  DocumentResult cut = OpenNative(test::NativeDoublingLattice(20), peak);
  ASSERT_TRUE(cut.Ok()) << cut.Detail().ToUtf8();
  ASSERT_EQ(cut.Warnings().size(), 1u);
  EXPECT_EQ(cut.Warnings()[0], FormatPercentS(LoadLangString(kStrExpansionsCut), WString(u"1")));
}

}  // namespace
}  // namespace kvn
