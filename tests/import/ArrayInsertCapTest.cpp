// The cap on the cells of one array insert (MINSERT) holds whichever way
// the array runs: a single column of many rows, a single row of many
// columns and arrays of both are cut to the first cells in column order,
// the rest told as left out; arrays within the cap are made whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/YxxfReader.h"
#include "model/cBlock.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

struct Cells {
  std::uint64_t made = 0;
  DRect extent;
  bool toldLeftOut = false;
};

// A block of one short line placed by an array insert of `columns` x `rows`
// cells 10 apart.
Cells Array(int columns, int rows) {
  DxfWriter w;
  w.Section("BLOCKS").Block("B").Line("0", 0, 0, 1, 0).EndBlock().EndSection();
  w.Section("ENTITIES").Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, 0, 0).Int(70, columns).Int(71, rows);
  w.Real(44, 10).Real(45, 10).EndSection().Eof();
  ByteArray bytes;
  bytes.AppendBytes(w.Bytes().data(), std::int64_t(w.Bytes().size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  DocumentResult result = LoadDxfStream(in, WString(u"/nowhere/array.dxf"), nullptr, nullptr);
  Cells cells;
  EXPECT_TRUE(result.Ok());
  if (!result.Ok()) return cells;
  cSheet& sheet = *result.Document()->GetSheet(0);
  bool first = true;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    ++cells.made;
    DRect r;
    o->GetExtentUpdated(sheet.Data(), r);
    r.Normalize();
    cells.extent.Union(r, first);
  }
  const std::uint64_t all = std::uint64_t(columns) * std::uint64_t(rows);
  const std::uint64_t cap = YxxfReader(WString(u"x.dxf"), 1).maxArrayCells;
  if (all > cap) {
    const std::string count = std::to_string(all - cap);
    for (const WString& warning : result.Warnings()) {
      cells.toldLeftOut = cells.toldLeftOut || warning.ToUtf8().find(count) != std::string::npos;
    }
  }
  return cells;
}

TEST(ArrayInsertCap, TheCapHoldsInBothDirections) {
  const std::uint64_t cap = YxxfReader(WString(u"x.dxf"), 1).maxArrayCells;
  ASSERT_EQ(cap, 10'000u);
  struct Case {
    int columns, rows;
    // The last cell made, in column order: (column, row).
    int lastColumn, lastRow;
  };
  const Case cases[] = {
      {1, 20'000, 0, 9'999},   // one column of rows
      {20'000, 1, 9'999, 0},   // one row of columns
      {200, 100, 99, 99},      // both: whole columns
      {30, 500, 19, 499},      // both: whole columns, more rows than columns
      {7, 1'500, 6, 999},      // both: the last column cut short
      {100, 100, 99, 99},      // exactly the cap
      {3, 2'000, 2, 1'999},    // within it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.columns << " columns x " << c.rows << " rows");
    const Cells cells = Array(c.columns, c.rows);
    const std::uint64_t all = std::uint64_t(c.columns) * std::uint64_t(c.rows);
    EXPECT_EQ(cells.made, std::min(all, cap));
    // Cells 10 apart, each a line 1 long; drawing y is negated.
    const int lastRowMade = c.lastColumn > 0 ? c.rows - 1 : c.lastRow;
    EXPECT_NEAR(cells.extent.x2, 10.0 * c.lastColumn + 1, 1e-6);
    EXPECT_NEAR(-cells.extent.y1, 10.0 * lastRowMade, 1e-6);
    if (all > cap) {
      EXPECT_TRUE(cells.toldLeftOut) << "the cells left out are told";
    }
  }
}

}  // namespace
}  // namespace kvn
