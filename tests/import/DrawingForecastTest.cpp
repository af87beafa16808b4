// One forecast of cost decides every open: symbols placed by arrays and by
// inserts (at one angle or each at its own) up to four million shown lines
// open whole within a heap that follows what the open keeps, not the
// placements; drawings past what a paint may walk (placements, a text by
// its characters, every paper view once more) or past what the open may
// hold are refused before anything of them is made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

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

// ezdxf_text.dxf with its one INSERT (four attributes in simplex.shx, 53
// characters) made an array of `columns` x `rows` cells: every cell keeps
// its own texts, their strokes and the insert's list of them.
std::string TextSampleArray(const std::filesystem::path& dir, int columns, int rows) {
  std::ifstream in(dir / "dxf/ezdxf_text.dxf", std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t insert = file.find("\r\nINSERT\r\n");
  const std::size_t z = insert == std::string::npos ? insert : file.find("\r\n 30\r\n", insert);
  const std::size_t end = z == std::string::npos ? z : file.find("\r\n", z + 7);
  EXPECT_NE(end, std::string::npos);
  if (end == std::string::npos) return file;
  file.insert(end, "\r\n 70\r\n" + std::to_string(columns) + "\r\n 71\r\n" + std::to_string(rows) +
                       "\r\n 44\r\n300.0\r\n 45\r\n300.0");
  return file;
}

// One INSERT of `columns` x `rows` cells of a block of 20 lines, with
// `drawn` attributes in simplex.shx and `undrawn` (100: some 17 KB) the
// insert keeps without drawing them (invisible), each of the value `value`
// when one is given.
std::string AttributedArray(int columns, int rows, int drawn, int undrawn = 100, const std::string& value = "") {
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE").Int(70, 1);
  w.Str(0, "STYLE").Str(2, "S").Int(70, 0).Real(40, 0).Real(41, 1).Str(3, "simplex.shx").Str(4, "").Str(0, "ENDTAB");
  w.EndSection().Section("BLOCKS").Block("B");
  for (int k = 0; k < 20; ++k) w.Line("0", k, 0, k, 1);
  w.EndBlock().EndSection().Section("ENTITIES");
  w.Str(0, "INSERT").Str(8, "0").Int(66, 1).Str(2, "B").Point(10, 0, 0).Int(70, columns).Int(71, rows);
  w.Real(44, 30).Real(45, 30);
  for (int k = 0; k < drawn + undrawn; ++k) {
    w.Str(0, "ATTRIB").Str(8, "0");
    if (k >= drawn) w.Int(60, 1);
    w.Point(10, 0, -k).Real(40, 0.5).Str(1, value.empty() ? "VALUE " + std::to_string(k) : value);
    w.Str(2, "TAG" + std::to_string(k));
    w.Int(70, 0).Str(7, "S");
  }
  w.Str(0, "SEQEND").Str(8, "0").EndSection().Eof();
  return w.Bytes();
}

// Attributed arrays weigh each cell's attributes at what they take: drawn
// in an SHX font, about 30 KB a cell of the sample, and kept in the cell's
// list, drawn or not, some 220 bytes each. Honest ones open.
TEST(DrawingForecast, AttributedArrayCellsAreWeighedWithTheirAttributes) {
  KVN_REQUIRE_TESTDATA(dir);
  ExpectRefused("sample, 10,000 x 10 cells", TextSampleArray(dir, 10000, 10));
  ExpectRefused("sample, 32,767 x 10 cells", TextSampleArray(dir, 32767, 10));
  ExpectRefused("1,000 x 300 cells of 104 attributes", AttributedArray(1000, 300, 4));
  // Past the ceiling by the lists alone: the lines are 1 GB.
  ExpectRefused("1,000 x 300 cells of 100 undrawn attributes", AttributedArray(1000, 300, 0));
  // By one list of one attribute, the first and only: 6 KB a cell, 1.8 GB.
  ExpectRefused("1,000 x 300 cells of one undrawn attribute of 3,000 characters",
                AttributedArray(1000, 300, 0, 1, std::string(3000, 'v')));
  for (const auto& [name, file] : {std::pair{"sample", TextSampleArray(dir, 1, 1)},
                                   std::pair{"sample, 100 x 10 cells", TextSampleArray(dir, 100, 10)},
                                   std::pair{"10 x 10 cells of 104 attributes", AttributedArray(10, 10, 4)}}) {
    DocumentResult result = Open(file);
    EXPECT_TRUE(result.Ok()) << name << ": " << result.Detail().ToUtf8();
  }
}

}  // namespace
}  // namespace kvn
