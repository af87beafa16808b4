// The forecast holds the heap an open and its first paint really take:
// doubling lattices (every nested placement on every path makes an insert
// and a generated block), symbols placed each at an angle of its own (each
// a block of its own) and texts, kept and expanded, are read, forecast,
// assembled, fitted and
// painted, and the counting allocator's peak above what the records held
// stays within the forecast bytes, without the budget of the expansions
// kept between repaints (none is kept while they are measured): a term the
// forecast left out would hide in that budget on drawings this small. What
// the document keeps once its records are gone (a picture of an OLE frame
// among it, decoded as the file was read) stays within the forecast too.
// The forecast is no blind guess either: what it gives the drawing itself
// stays within twice the peak.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/YxxfReader.h"
#include "model/DrawingCost.h"
#include "model/KeptExpansions.h"
#include "model/WorldMapping.h"
#include "model/cBlock.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"
#include "tests/support/BombDrawings.h"
#include "tests/support/CapacityDrawings.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/InstalledShxFonts.h"
#include "tests/support/OleFixtures.h"

namespace kvn {
namespace {

struct Measured {
  DrawingCost forecast;
  std::uint64_t peak = 0;
  std::uint64_t kept = 0;  // what the document holds once the reader is gone
  bool opened = false;
};

Measured Measure(const std::string& file) {
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  Measured m;
  // Every expansion is let go once drawn: the peak is the open's and one
  // expansion's, which the forecast without the kept budget must hold.
  KeptExpansions& kept = KeptExpansions::Shared();
  const std::uint64_t budget = kept.Budget();
  kept.SetBudget(0);
  const std::uint64_t start = GetAllocatedBytes();
  auto reader = std::make_unique<YxxfReader>(WString(u"peak.dxf"), 1);
  DxfReadOutcome outcome;
  EXPECT_TRUE(ReadDxfSections(*reader, nullptr, in, outcome));
  m.forecast = reader->ForecastCost();
  const std::uint64_t read = GetAllocatedBytes();
  alloc_testing::SetCounters(read, read);
  std::unique_ptr<cDrawingDoc> document = reader->AssembleDrawing(nullptr);
  m.opened = document != nullptr;
  if (document) {
    // The first paint: the fit, the summary and its index, every placement
    // in view expanded.
    cSheet& sheet = *document->GetSheet(0);
    DRect extent;
    ExtentFilter all;
    sheet.Drawing().TopBlock()->GetFilteredExtent(all, sheet.Data(), extent);
    extent.Normalize();
    sheet.Drawing().Summary();
    cRasterSurface surface(false);
    EXPECT_TRUE(surface.Prepare(TRect{0, 0, 200, 200}));
    WorldMapping mapping;
    mapping.scale = 50.0 / std::max(1e-9, std::max(extent.x2 - extent.x1, extent.y2 - extent.y1));
    mapping.offsetX = std::int32_t(-extent.x1 * mapping.scale * 4.0);
    mapping.offsetY = std::int32_t(-extent.y1 * mapping.scale * 4.0);
    mapping.SetDeviceClip(DeviceRect{0, 0, 200, 200});
    cDrawInfo info(mapping, sheet.Data(), surface.DC(), &surface);
    PaintSheetPage(sheet, 0, info);
  }
  m.peak = GetPeakAllocatedBytes() - read;
  reader.reset();
  const std::uint64_t now = GetAllocatedBytes();
  m.kept = now > start ? now - start : 0;
  kept.SetBudget(budget);
  return m;
}

// A block of `texts` texts of five letters placed once, and as many at the
// top; in a style whose font is `font` when one is named.
std::string Texts(int texts, const char* font = nullptr) {
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  if (font) {
    w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE").Int(70, 1);
    w.Str(0, "STYLE").Str(2, "S").Int(70, 0).Real(40, 0).Real(41, 1).Str(3, font).Str(4, "").Str(0, "ENDTAB");
    w.EndSection();
  }
  auto text = [&w, font](int i) {
    w.Str(0, "TEXT").Str(8, "0").Point(10, (i % 50) * 12.0, (i / 50) * 4.0).Real(40, 2.0).Str(1, "ABCDE");
    if (font) w.Str(7, "S");
  };
  w.Section("BLOCKS").Block("T");
  for (int i = 0; i < texts; ++i) text(i);
  w.EndBlock().EndSection().Section("ENTITIES");
  for (int i = 0; i < texts; ++i) text(i);
  w.Insert("T", "0", 1000, 0).EndSection().Eof();
  return w.Bytes();
}

// A picture of `side` x `side` pixels in an OLE frame beside a line.
std::string OleFramePicture(int side) {
  constexpr Vec3 kCorners[4] = {{10, 60, 0}, {110, 60, 0}, {110, 10, 0}, {10, 10, 0}};
  test::DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  test::WriteOle2Frame(w, test::OleFrameData(kCorners, test::WriteOleTree({test::OleNode::Stream(
                                                            "\001Ole10Native",
                                                            "SIZE" + test::SmallBmpFile(side, side, 0x336699))})));
  w.EndSection().Eof();
  return w.Bytes();
}

TEST(ForecastPeak, NestedAndTurnedPlacementsPeakWithinTheForecast) {
  struct Case {
    const char* name;
    std::string file;
    bool shx = false;  // drawn with the built-in SHX fonts, strokes and all
  };
  const Case cases[] = {
      {"doubling lattice of 12", test::BombDxf({test::BombShape::Doubling, 12})},
      {"doubling lattice of 15", test::BombDxf({test::BombShape::Doubling, 15})},
      {"doubling lattice of 17", test::BombDxf({test::BombShape::Doubling, 17})},
      {"ten-way lattice of 4", test::BombDxf({test::BombShape::TenWay, 4})},
      {"arrays 10 x 10 nested 2 deep", test::BombDxf({test::BombShape::Arrays, 2, 10})},
      {"2,000 of 100 each at its angle", test::SymbolPlacementsDxf(test::Placing::OwnAngles, 100, 2000)},
      {"300 of 1,000 each at its angle", test::SymbolPlacementsDxf(test::Placing::OwnAngles, 1000, 300)},
      {"3,000 texts, and a block of them placed once", Texts(3000)},
      // The built-in SHX faces, named as styles name them: with the file's
      // extension or without.
      {"3,000 texts in simplex.shx, and a block of them", Texts(3000, "simplex.shx"), true},
      {"3,000 texts in simplex, and a block of them", Texts(3000, "simplex"), true},
      {"3,000 texts in txt, and a block of them", Texts(3000, "txt"), true},
      {"a block of 100,000 lines placed once", test::SymbolPlacementsDxf(test::Placing::OneAngle, 100000, 1)},
      {"a picture of 1,200 x 1,200 in an OLE frame", OleFramePicture(1200)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<test::InstalledShxFonts> shxFonts;
    if (c.shx) shxFonts.emplace();
    const Measured m = Measure(c.file);
    ASSERT_TRUE(m.opened);
    ASSERT_TRUE(m.forecast.Within());
    EXPECT_LE(m.peak, m.forecast.bytes - kBytesBesideDrawing);
    EXPECT_LE(m.kept, m.forecast.bytes - kBytesBesideDrawing);
    // What the drawing itself is forecast to take, beside the bytes every
    // open is given.
    EXPECT_LE(m.forecast.bytes - kBytesBesideDrawing, 2 * std::max(m.peak, m.kept));
  }
}

}  // namespace
}  // namespace kvn
