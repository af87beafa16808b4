// The heap of a fit and a paint through the drawing window's road (the
// extent of the objects, the mapping that fits it, the page drawn into the
// off-screen surface, as kvn-render does) for drawings that place one block
// many times: by many inserts, by one arrayed insert of a DXF file, and
// through many views of a paper sheet over the placed model. Measured with
// the counting heap, each stays within a few expansions of the block, a
// little per top-level object and the budget of the expansions kept between
// repaints, where keeping every placement's children would hold a copy of
// the block per placement (or per placement and view). The pixels of a
// second paint, drawn from the kept expansions and those made again, equal
// the first's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/VectorWindowPaint.h"
#include "app/ZoomScroll.h"
#include "document/DocumentResult.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/KeptExpansions.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cSection.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 400;
constexpr std::int32_t kHeight = 300;

// Heap held for what is per top-level object (its record in the extent
// index and the walk's lists), not per placed child.
constexpr std::uint64_t kPerTopObject = 512;

void Append(cBlock& block, cOutObj* object) {
  ObjectChain chain;
  chain.Append(object);
  block.AppendChain(std::move(chain));
}

// A block of `lines` chords of a unit circle.
std::uint32_t ChordBlock(cDrawingData& data, int lines) {
  auto* block = new cBlock();
  for (int i = 0; i < lines; ++i) {
    const double a = 0.37 * i, b = a + 2.1;
    auto* line = new cLine();
    line->start = {std::cos(a), std::sin(a)};
    line->end = {std::cos(b), std::sin(b)};
    line->stroke.width = 0.1;
    line->SetLevel(kNoLevel);
    Append(*block, line);
  }
  return data.AddBlock(block);
}

// `count` placements of the block on a 3-unit grid, 50 to a row, each
// turned by an angle of its own when `turned`.
void Place(cSheet& sheet, std::uint32_t block, int count, bool turned) {
  for (int k = 0; k < count; ++k) {
    auto* insert = new cInsert();
    insert->blockIndex = block;
    insert->point = {3.0 * (k % 50), 3.0 * (k / 50)};
    if (turned) insert->angle = std::fmod(7.0 * k, 180.0);
    insert->SetLevel(0);
    Append(sheet.TopBlock(), insert);
  }
}

std::unique_ptr<cDrawingDoc> NewDocument(int sheets) {
  InstallRendererGeometryServices();
  auto doc = std::make_unique<cDrawingDoc>();
  for (int i = 0; i < sheets; ++i) {
    doc->AddSheet(std::make_unique<cSheet>());
    doc->GetSheet(std::uint32_t(i))->Data()->Levels().InsertLevel(u"0", nullptr, 0);
  }
  return doc;
}

// The budget of the kept expansions for one test: eight placements' worth,
// far below what the drawings place.
struct KeptBudget {
  explicit KeptBudget(std::uint64_t expansion) : bytes(8 * expansion) { KeptExpansions::Shared().SetBudget(bytes); }
  ~KeptBudget() { KeptExpansions::Shared().SetBudget(kKeptExpansionBytes); }
  std::uint64_t bytes;
};

// The bytes one placement's children hold.
std::uint64_t OneExpansion(cSheet& sheet, std::uint32_t block) {
  cInsert insert;
  insert.blockIndex = block;
  const std::uint64_t before = GetAllocatedBytes();
  insert.UpdateIfDirty(sheet.Data());
  const std::uint64_t held = GetAllocatedBytes() - before;
  EXPECT_GT(insert.GetChildren().size(), 0u);
  return held;
}

struct Painted {
  std::uint64_t peak = 0;  // above the heap held before the fit
  std::vector<std::uint32_t> pixels;
};

// The fit and the paint of kvn-render: "All elements" fitted into the
// client, the page drawn by the window's paint into a surface made before.
Painted FitAndPaint(cSheet& sheet) {
  cRasterSurface surface(false);
  const TRect client{0, 0, kWidth, kHeight};
  EXPECT_TRUE(surface.Prepare(client));
  surface.SetAntiAliasMode(1);
  const std::uint64_t before = GetAllocatedBytes();
  alloc_testing::SetCounters(before, before);
  DRect extent;
  sheet.Drawing().TopBlock()->GetFilteredExtent(ExtentFilter{}, sheet.Data(), extent);
  const WorldMapping mapping = FitRectMapping(sheet.Drawing(), extent, client);
  RenderDrawingPage(mapping, &sheet, 0, client, client, surface.DC(), surface);
  Painted out;
  out.peak = GetPeakAllocatedBytes() - before;
  surface.Flush();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) out.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFFu);
  return out;
}

std::size_t Inked(const std::vector<std::uint32_t>& pixels) {
  std::size_t n = 0;
  for (std::uint32_t p : pixels) n += p != 0xFFFFFFu;
  return n;
}

// Every drawing of placements: the peak of its fit and paint against a few
// expansions of its block and a little per top-level object; a second paint
// draws the same pixels.
void ExpectBoundedByTheBlock(cSheet& sheet, std::uint64_t expansion, std::uint64_t topObjects,
                             std::uint64_t placements) {
  const KeptBudget kept(expansion);
  const Painted first = FitAndPaint(sheet);
  const std::uint64_t bound = 4 * expansion + kPerTopObject * topObjects + kept.bytes;
  EXPECT_LT(first.peak, bound) << "one expansion holds " << expansion << " bytes; kept, the " << placements
                               << " placements would hold " << placements * expansion;
  EXPECT_GT(Inked(first.pixels), std::size_t(kWidth * kHeight / 100)) << "the placements are drawn";
  const Painted second = FitAndPaint(sheet);
  EXPECT_TRUE(second.pixels == first.pixels) << "a paint from kept and remade expansions draws the same";
  EXPECT_LE(KeptExpansions::Shared().Bytes(), kept.bytes);
}

TEST(InsertPaintMemory, ManyPlacementsOfOneBlockPaintWithinTheBlock) {
  for (const bool turned : {false, true}) {
    SCOPED_TRACE(turned ? "each turned" : "one angle");
    auto doc = NewDocument(1);
    cSheet& sheet = *doc->GetSheet(0);
    const std::uint32_t block = ChordBlock(*sheet.Data(), 400);
    Place(sheet, block, 500, turned);
    const std::uint64_t expansion = OneExpansion(sheet, block);
    ExpectBoundedByTheBlock(sheet, expansion, 500, 500);
  }
}

// Placements on another page than the one painted are passed by, and keep
// no expansion either: a paged drawing whose pages place one block many
// times holds, painting one page, no copy of the block per placement of the
// others.
TEST(InsertPaintMemory, PlacementsOnAnotherPageKeepNoExpansion) {
  auto doc = NewDocument(1);
  cSheet& sheet = *doc->GetSheet(0);
  sheet.Drawing().AppendPage(PageRecord{});
  sheet.Drawing().AppendPage(PageRecord{});
  const std::uint32_t block = ChordBlock(*sheet.Data(), 400);
  Place(sheet, block, 500, true);
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) o->SetPage(PageIdOfIndex(1));
  const std::uint64_t expansion = OneExpansion(sheet, block);
  const Painted painted = FitAndPaint(sheet);
  EXPECT_LT(painted.peak, 4 * expansion + kPerTopObject * 500)
      << "one expansion holds " << expansion << " bytes; kept, the 500 placements would hold " << 500 * expansion;
  int holding = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    if (const cInsert* insert = o->AsInsert(); insert && insert->HoldsChildren()) ++holding;
  }
  EXPECT_EQ(holding, 0) << "placements on the page not painted still hold their children";
}

// One INSERT of a DXF file with 20 columns and 25 rows: each cell becomes a
// placement of the one block the file defines.
TEST(InsertPaintMemory, AnArrayedInsertPaintsWithinTheBlock) {
  InstallRendererGeometryServices();
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("BLOCKS").Block("SYM");
  for (int i = 0; i < 300; ++i) {
    const double a = 0.37 * i, b = a + 2.1;
    w.Line("0", std::cos(a), std::sin(a), std::cos(b), std::sin(b));
  }
  w.EndBlock().EndSection();
  w.Section("ENTITIES").Str(0, "INSERT").Str(8, "0").Str(2, "SYM").Point(10, 0, 0);
  w.Int(70, 20).Int(71, 25).Real(44, 3).Real(45, 3);
  w.EndSection().Eof();
  const std::string& file = w.Bytes();
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  DocumentResult result = LoadDxfStream(in, WString(u"array.dxf"), nullptr, nullptr);
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  cSheet& sheet = *result.Document()->GetSheet(0);
  std::uint64_t cells = 0, top = 0;
  std::uint32_t block = kNoBlockIndex;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next, ++top) {
    if (const cInsert* insert = o->AsInsert()) {
      ++cells;
      block = insert->blockIndex;
    }
  }
  ASSERT_EQ(cells, 500u);
  const std::uint64_t expansion = OneExpansion(sheet, block);
  ExpectBoundedByTheBlock(sheet, expansion, top, cells);
}

// A paper sheet of 20 views, each showing the whole model of 100 placements
// of a 100-line block: the views draw their copies one at a time.
TEST(InsertPaintMemory, ALayoutOfManyViewsPaintsWithinTheBlock) {
  auto doc = NewDocument(2);
  cSheet& model = *doc->GetSheet(1);
  const std::uint32_t block = ChordBlock(*model.Data(), 100);
  Place(model, block, 100, false);
  cSheet& layout = *doc->GetSheet(0);
  constexpr int kViews = 20;
  for (int v = 0; v < kViews; ++v) {
    auto* view = new cSection();
    view->sheetIndex = 1;
    view->insertPoint = {160.0 * (v % 5), 110.0 * (v / 5)};
    view->framePoint = {160.0 * (v % 5) + 150, 110.0 * (v / 5) + 100};
    view->scale = 1.0;
    view->angle = 10.0 * v;
    view->sourcePoint = {75, 3};
    view->SetLevel(0);
    Append(layout.TopBlock(), view);
  }
  const std::uint64_t expansion = OneExpansion(model, block);
  ExpectBoundedByTheBlock(layout, expansion, kViews + 100, std::uint64_t(kViews) * 100);
}

}  // namespace
}  // namespace kvn
