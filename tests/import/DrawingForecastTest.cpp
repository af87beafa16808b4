// One forecast of cost decides every open: symbols placed by arrays and by
// inserts (at one angle or each at its own) up to four million shown lines
// open whole within a heap that follows what the open keeps, not the
// placements; drawings past what a paint may walk (placements, a text by
// its characters, every paper view once more) or past what the open may
// hold are refused before anything of them is made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocumentResult.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/DrawingCost.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "tests/support/CapacityDrawings.h"

namespace kvn {
namespace {

using test::Placing;

DocumentResult Open(const std::string& file) {
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"forecast.dxf"), nullptr, nullptr);
}

// The open of `file`, and in `peak` the most heap it held above what was
// held before.
DocumentResult OpenMeasured(const std::string& file, std::uint64_t& peak) {
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DocumentResult result = Open(file);
  peak = GetPeakAllocatedBytes() - before;
  return result;
}

struct Honest {
  const char* name;
  Placing placing;
  int lines, count, columns, rows;
  // Lines the open keeps: the block once, or once per turned placement.
  std::uint64_t kept;
};

TEST(DrawingForecast, SymbolsPlacedUpToFourMillionLinesOpenWhole) {
  const Honest drawings[] = {
      {"array 50 x 50 of 200", Placing::Array, 200, 0, 50, 50, 200},
      {"array 100 x 100 of 200", Placing::Array, 200, 0, 100, 100, 200},
      {"2,000 of 1,000 at one angle", Placing::OneAngle, 1000, 2000, 1, 1, 1000},
      {"4,000 of 1,000 at one angle", Placing::OneAngle, 1000, 4000, 1, 1, 1000},
      {"1,000 of 2,000 at one angle", Placing::OneAngle, 2000, 1000, 1, 1, 2000},
      {"1,000 of 2,000 each at its angle", Placing::OwnAngles, 2000, 1000, 1, 1, 2'000'000},
      {"2,000 of 1,000 each at its angle", Placing::OwnAngles, 1000, 2000, 1, 1, 2'000'000},
  };
  for (const Honest& d : drawings) {
    const std::string file = test::SymbolPlacementsDxf(d.placing, d.lines, d.count, d.columns, d.rows);
    std::uint64_t peak = 0;
    DocumentResult result = OpenMeasured(file, peak);
    ASSERT_TRUE(result.Ok()) << d.name << ": " << result.Detail().ToUtf8();
    EXPECT_TRUE(result.Warnings().empty()) << d.name << ": " << result.Warnings()[0].ToUtf8();
    cSheet& sheet = *result.Document()->GetSheet(0);
    std::uint64_t inserts = 0, shown = 0;
    for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
      const cInsert* insert = o->AsInsert();
      if (!insert) continue;
      ++inserts;
      for (const cOutObj* c = sheet.Data()->GetBlock(insert->blockIndex)->FirstObject(); c; c = c->next) ++shown;
    }
    const std::uint64_t placements = d.placing == Placing::Array ? std::uint64_t(d.columns) * d.rows : d.count;
    EXPECT_EQ(inserts, placements) << d.name;
    EXPECT_EQ(shown, placements * d.lines) << d.name;
    // What the open keeps, and the file's records while it reads them.
    EXPECT_LT(peak, d.kept * 160 + 60 * file.size() + (4u << 20)) << d.name;
  }
}

// The cells of an array place one generated block: fifteen million lines
// walked by a paint, but only 1,500 kept, open.
TEST(DrawingForecast, AnArrayIsWeighedByTheBlockItKeepsOnce) {
  std::uint64_t peak = 0;
  DocumentResult result = OpenMeasured(test::SymbolPlacementsDxf(Placing::Array, 1500, 0, 100, 100), peak);
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  EXPECT_LT(peak, 16u << 20);
}

// Past a ceiling: the open refuses from the records, its heap little more
// than they take.
void ExpectRefused(const char* name, const std::string& file) {
  std::uint64_t peak = 0;
  DocumentResult result = OpenMeasured(file, peak);
  ASSERT_FALSE(result.Ok()) << name;
  EXPECT_EQ(result.Detail(), DrawingTooLargeText()) << name << ": " << result.Detail().ToUtf8();
  EXPECT_LT(peak, 12 * file.size() + (2u << 20)) << name;
}

TEST(DrawingForecast, PlacementsPastWhatAPaintWalksOrTheOpenHoldsAreRefused) {
  // Thirty million lines walked by one paint.
  ExpectRefused("60,000 of 500", test::SymbolPlacementsDxf(Placing::OneAngle, 500, 60000));
  // Sixteen million turned lines, each placement keeping a block of its
  // own: two gigabytes, though fewer than the paint may walk.
  ExpectRefused("8,000 of 2,000 turned", test::SymbolPlacementsDxf(Placing::OwnAngles, 2000, 8000));
  ExpectRefused("50,000 of 250 turned", test::SymbolPlacementsDxf(Placing::OwnAngles, 250, 50000));
}

TEST(DrawingForecast, ATextWalksItsCharacters) {
  // 400 placements of 56,000 characters: 22.4 million.
  ExpectRefused("long text", test::LongTextArrayDxf(56000, 100, 4));
  DocumentResult one = Open(test::LongTextArrayDxf(1, 100, 4));
  EXPECT_TRUE(one.Ok()) << one.Detail().ToUtf8();
}

TEST(DrawingForecast, EveryPaperViewWalksTheModelOnceMore) {
  // 100 views over 100,000 lines: ten million walked.
  DocumentResult within = Open(test::ViewportsDxf(100, 1000, 100));
  ASSERT_TRUE(within.Ok()) << within.Detail().ToUtf8();
  ASSERT_EQ(within.Document()->SheetCount(), 2u);
  std::uint64_t views = 0;
  for (cOutObj* o = within.Document()->GetSheet(1)->TopBlock().FirstObject(); o; o = o->next)
    views += o->AsSection() != nullptr;
  EXPECT_EQ(views, 100u);
  // 200 views over a million lines.
  ExpectRefused("200 views", test::ViewportsDxf(200, 1000, 1000));
}

}  // namespace
}  // namespace kvn
