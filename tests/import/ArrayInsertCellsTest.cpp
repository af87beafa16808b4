// An array insert (MINSERT) makes every cell, whichever way it runs: a
// single column of many rows, a single row of many columns and arrays of
// both, in column order, with nothing told as left out; the forecast alone
// bounds how many cells a drawing may have.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/cBlock.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

struct Cells {
  std::uint64_t made = 0;
  DRect extent;
  std::size_t warnings = 0;
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
  cells.warnings = result.Warnings().size();
  return cells;
}

TEST(ArrayInsertCells, EveryCellIsMadeInBothDirections) {
  struct Case {
    int columns, rows;
  };
  const Case cases[] = {
      {1, 20'000},   // one column of rows
      {20'000, 1},   // one row of columns
      {200, 200},    // both, four times what one array once made
      {7, 1'500},    // both, more rows than columns
      {3, 2'000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.columns << " columns x " << c.rows << " rows");
    const Cells cells = Array(c.columns, c.rows);
    EXPECT_EQ(cells.made, std::uint64_t(c.columns) * std::uint64_t(c.rows));
    EXPECT_EQ(cells.warnings, 0u);
    // Cells 10 apart, each a line 1 long; drawing y is negated. The last
    // cell lies in the last column and the last row.
    EXPECT_NEAR(cells.extent.x2, 10.0 * (c.columns - 1) + 1, 1e-6);
    EXPECT_NEAR(-cells.extent.y1, 10.0 * (c.rows - 1), 1e-6);
  }
}

}  // namespace
}  // namespace kvn
