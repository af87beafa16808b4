// Honest drawings of blocks placed once, shown whole: a block of more lines
// than one expansion once made, a block holding an array, a block holding
// many inserts, a site of buildings of floors of symbols, and an array of
// more cells than one insert once made. Each opens with nothing told, fits
// the extent of the whole drawing, expands every line, and paints ink where
// its last line lies. (Smaller than a real site, as a sanitizer run can
// afford; the first and the last pass the old cuts of 400,000 children
// and 10,000 cells.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include "document/DocumentResult.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/DrawingCost.h"
#include "model/InsertExpansion.h"
#include "model/WorldMapping.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

// Every line is 1 long and horizontal, its cell 2 x 2: line i of a block
// of `lines` starts at (2 (i mod 100), 2 (i / 100)). The last line of a
// drawing lies at its largest x and y (drawing y: the most negative).
void LinesBlock(DxfWriter& w, const std::string& name, int lines) {
  w.Block(name);
  for (int i = 0; i < lines; ++i) w.Line("0", 2.0 * (i % 100), 2.0 * (i / 100), 2.0 * (i % 100) + 1, 2.0 * (i / 100));
  w.EndBlock();
}

void Placement(DxfWriter& w, const std::string& block, double x, double y, int columns = 1, int rows = 1,
               double spacing = 0) {
  w.Str(0, "INSERT").Str(8, "0").Str(2, block).Point(10, x, y);
  if (columns * rows > 1) w.Int(70, columns).Int(71, rows).Real(44, spacing).Real(45, spacing);
}

struct Drawing {
  const char* name;
  std::function<void(DxfWriter&)> blocks;  // the BLOCKS section's content
  std::function<void(DxfWriter&)> top;     // the ENTITIES section's content
  std::uint64_t lines;                     // lines shown
  DPoint last;                             // where the last line starts, in the file's coordinates
};

std::string Dxf(const Drawing& d) {
  DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("BLOCKS");
  d.blocks(w);
  w.EndSection().Section("ENTITIES");
  d.top(w);
  w.EndSection().Eof();
  return w.Bytes();
}

// Lines a paint shows through the sheet's inserts: each top insert expanded.
std::uint64_t LinesExpanded(cSheet& sheet) {
  std::uint64_t lines = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) {
      ++lines;
      continue;
    }
    insert->MarkDirty();
    insert->UpdateIfDirty(sheet.Data());
    lines += insert->GetChildren().size();
    insert->DropChildren();
  }
  return lines;
}

constexpr std::int32_t kSide = 300;

// The sheet fitted into kSide x kSide pixels and painted; whether a pixel
// near `at` (drawing coordinates) has ink.
bool InkNear(cSheet& sheet, const DRect& extent, const DPoint& at) {
  cRasterSurface surface(false);
  EXPECT_TRUE(surface.Prepare(TRect{0, 0, kSide, kSide}));
  surface.FillRect(0, 0, kSide, kSide, 0xFFFFFFFF);
  WorldMapping m;
  m.scale = (kSide - 20) / 4.0 / std::max(extent.x2 - extent.x1, extent.y2 - extent.y1);
  m.offsetX = std::int32_t(10 - extent.x1 * m.scale * 4.0);
  m.offsetY = std::int32_t(10 - extent.y1 * m.scale * 4.0);
  m.SetDeviceClip(DeviceRect{0, 0, kSide, kSide});
  sheet.Drawing().Summary();
  cDrawInfo info(m, sheet.Data(), surface.DC(), &surface);
  PaintSheetPage(sheet, 0, info);
  surface.Flush();
  const std::int32_t x = std::int32_t(std::floor(at.x * m.scale * 4.0 + m.offsetX));
  const std::int32_t y = std::int32_t(std::floor(at.y * m.scale * 4.0 + m.offsetY));
  for (std::int32_t dy = -2; dy <= 2; ++dy) {
    for (std::int32_t dx = -2; dx <= 2; ++dx) {
      if (x + dx < 0 || y + dy < 0 || x + dx >= kSide || y + dy >= kSide) continue;
      if ((*surface.PixelAt(x + dx, y + dy) & 0xFFFFFF) != 0xFFFFFF) return true;
    }
  }
  return false;
}

TEST(WholePlacements, BlocksPlacedOnceAndLargeArraysOpenAndPaintWhole) {
  const Drawing drawings[] = {
      // 410,000 lines in one block, placed once: 4,100 rows.
      {"a block of 410,000 lines",
       [](DxfWriter& w) { LinesBlock(w, "BIG", 410'000); }, [](DxfWriter& w) { Placement(w, "BIG", 0, 0); },
       410'000, {198, 8198}},
      // 50 x 50 cells 300 apart of a 20-line block, inside a block placed once.
      {"a block holding an array",
       [](DxfWriter& w) {
         LinesBlock(w, "SYM", 20);
         w.Block("A");
         Placement(w, "SYM", 0, 0, 50, 50, 300);
         w.EndBlock();
       },
       [](DxfWriter& w) { Placement(w, "A", 0, 0); }, 50'000, {49 * 300 + 38, 49 * 300}},
      // 100 inserts of a 200-line block (4 rows), 500 apart in x.
      {"a block holding many inserts",
       [](DxfWriter& w) {
         LinesBlock(w, "SYM", 200);
         w.Block("A");
         for (int k = 0; k < 100; ++k) Placement(w, "SYM", 500.0 * k, 0);
         w.EndBlock();
       },
       [](DxfWriter& w) { Placement(w, "A", 0, 0); }, 20'000, {99 * 500 + 198, 2}},
      // A site of 4 buildings 2,000 apart, each of 4 floors 100 apart, each
      // of 10 symbols of 20 lines 300 apart.
      {"a site",
       [](DxfWriter& w) {
         LinesBlock(w, "SYM", 20);
         w.Block("FLOOR");
         for (int k = 0; k < 10; ++k) Placement(w, "SYM", 300.0 * k, 0);
         w.EndBlock().Block("BUILDING");
         for (int k = 0; k < 4; ++k) Placement(w, "FLOOR", 0, 100.0 * k);
         w.EndBlock().Block("SITE");
         for (int k = 0; k < 4; ++k) Placement(w, "BUILDING", 4000.0 * k, 0);
         w.EndBlock();
       },
       [](DxfWriter& w) { Placement(w, "SITE", 0, 0); }, 3'200, {3 * 4000 + 9 * 300 + 38, 300}},
      // 200 x 200 cells 3 apart of a one-line block, at the top.
      {"an array of 40,000 cells",
       [](DxfWriter& w) { LinesBlock(w, "ONE", 1); }, [](DxfWriter& w) { Placement(w, "ONE", 0, 0, 200, 200, 3); },
       40'000, {199 * 3, 199 * 3}},
  };
  for (const Drawing& d : drawings) {
    SCOPED_TRACE(d.name);
    const std::string file = Dxf(d);
    ByteArray bytes;
    bytes.AppendBytes(file.data(), std::int64_t(file.size()));
    InFileStream in = InFileStream::FromMemory(bytes);
    DocumentResult result = LoadDxfStream(in, WString(u"whole.dxf"), nullptr, nullptr);
    ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
    EXPECT_TRUE(result.Warnings().empty()) << result.Warnings()[0].ToUtf8();
    cSheet& sheet = *result.Document()->GetSheet(0);
    // The extent of the whole drawing, from the origin to the last line's
    // end (drawing y is the file's negated).
    DRect extent;
    ExtentFilter all;
    sheet.Drawing().TopBlock()->GetFilteredExtent(all, sheet.Data(), extent);
    extent.Normalize();
    EXPECT_NEAR(extent.x1, 0, 1e-6);
    EXPECT_NEAR(extent.y2, 0, 1e-6);
    EXPECT_NEAR(extent.x2, d.last.x + 1, 1e-6);
    EXPECT_NEAR(extent.y1, -d.last.y, 1e-6);
    EXPECT_EQ(LinesExpanded(sheet), d.lines);
    EXPECT_TRUE(InkNear(sheet, extent, DPoint{d.last.x + 0.5, -d.last.y})) << "no ink where the last line lies";
  }
}

// The expansion's own count holds only what no forecast weighed: every
// placement a forecast lets open (its children at their bytes within the
// memory ceiling, its nested placements within what a paint walks) expands
// whole.
TEST(WholePlacements, TheExpansionsCountsLieAtTheForecastsCeilings) {
  EXPECT_GE(std::uint64_t(ExpansionBudget()) * kBytesPerChild + kBytesPerChild, kMemoryCeiling);
  EXPECT_GE(std::uint64_t(ExpansionEntries()), kWalkCeiling);
}

}  // namespace
}  // namespace kvn
