// What a repaint, a fit and the extent index cost in expansions of block
// inserts, counted (cInsert::ExpansionCount) on the drawing window's road:
// the fit and index of an opened drawing read the extents the open kept; a
// second paint draws the expansions the first kept, in a sheet and through
// the views of a layout; an insert changed after its children went is
// measured where it now lies; the kept expansions stay within their budget,
// the least recently drawn let go first; an insert whose block holds a view
// of another sheet keeps its children while the view draws that sheet's
// placements, painted and printed past the budget.
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
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/KeptExpansions.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cSection.h"
#include "platform/gdi/RecordingDC.h"
#include "print/PrintOut.h"
#include "print/PrinterList.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 240;

void Append(cBlock& block, cOutObj* object) {
  ObjectChain chain;
  chain.Append(object);
  block.AppendChain(std::move(chain));
}

// A sheet of `count` placements of a block of `lines` chords, on a 3-unit
// grid, each turned by an angle of its own.
std::unique_ptr<cDrawingDoc> PlacedModel(int sheets, int count, int lines) {
  InstallRendererGeometryServices();
  auto doc = std::make_unique<cDrawingDoc>();
  for (int i = 0; i < sheets; ++i) {
    doc->AddSheet(std::make_unique<cSheet>());
    doc->GetSheet(std::uint32_t(i))->Data()->Levels().InsertLevel(u"0", nullptr, 0);
  }
  cSheet& model = *doc->GetSheet(std::uint32_t(sheets - 1));
  auto* block = new cBlock();
  for (int i = 0; i < lines; ++i) {
    auto* line = new cLine();
    line->start = {std::cos(0.37 * i), std::sin(0.37 * i)};
    line->end = {std::cos(0.37 * i + 2.1), std::sin(0.37 * i + 2.1)};
    line->SetLevel(kNoLevel);
    Append(*block, line);
  }
  const std::uint32_t index = model.Data()->AddBlock(block);
  for (int k = 0; k < count; ++k) {
    auto* insert = new cInsert();
    insert->blockIndex = index;
    insert->point = {3.0 * (k % 20), 3.0 * (k / 20)};
    insert->angle = std::fmod(7.0 * k, 180.0);
    insert->SetLevel(0);
    Append(model.TopBlock(), insert);
  }
  return doc;
}

// The window's road: "All elements" fitted into the client, the page drawn
// into a surface; the pixels.
std::vector<std::uint32_t> FitAndPaint(cSheet& sheet) {
  cRasterSurface surface(false);
  const TRect client{0, 0, kWidth, kHeight};
  EXPECT_TRUE(surface.Prepare(client));
  DRect extent;
  sheet.Drawing().TopBlock()->GetFilteredExtent(ExtentFilter{}, sheet.Data(), extent);
  const WorldMapping mapping = FitRectMapping(sheet.Drawing(), extent, client);
  RenderDrawingPage(mapping, &sheet, 0, client, client, surface.DC(), surface);
  surface.Flush();
  std::vector<std::uint32_t> pixels;
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFFu);
  return pixels;
}

std::size_t Inked(const std::vector<std::uint32_t>& pixels) {
  std::size_t n = 0;
  for (std::uint32_t p : pixels) n += p != 0xFFFFFFu;
  return n;
}

// The kept expansions' budget for one test.
struct KeptBudget {
  explicit KeptBudget(std::uint64_t bytes) { KeptExpansions::Shared().SetBudget(bytes); }
  ~KeptBudget() { KeptExpansions::Shared().SetBudget(kKeptExpansionBytes); }
};

TEST(InsertRepaint, ASecondPaintExpandsNothingInASheetOrThroughTheViewsOfALayout) {
  const KeptBudget budget(kKeptExpansionBytes);
  {
    SCOPED_TRACE("a sheet of 200 placements");
    auto doc = PlacedModel(1, 200, 60);
    cSheet& sheet = *doc->GetSheet(0);
    const std::uint64_t start = cInsert::ExpansionCount();
    const std::vector<std::uint32_t> first = FitAndPaint(sheet);
    // Made once for the fit, once for the paint: never measured before.
    EXPECT_LE(cInsert::ExpansionCount() - start, 400u);
    EXPECT_GT(Inked(first), std::size_t(kWidth * kHeight / 50));
    const std::uint64_t painted = cInsert::ExpansionCount();
    const std::vector<std::uint32_t> second = FitAndPaint(sheet);
    EXPECT_EQ(cInsert::ExpansionCount() - painted, 0u) << "the second fit and paint expanded inserts";
    EXPECT_TRUE(second == first);
  }
  {
    SCOPED_TRACE("a layout of 12 views over 100 placements");
    auto doc = PlacedModel(2, 100, 60);
    cSheet& layout = *doc->GetSheet(0);
    for (int v = 0; v < 12; ++v) {
      auto* view = new cSection();
      view->sheetIndex = 1;
      view->insertPoint = {70.0 * (v % 4), 50.0 * (v / 4)};
      view->framePoint = {70.0 * (v % 4) + 65, 50.0 * (v / 4) + 45};
      view->scale = 1.0;
      view->angle = 15.0 * v;
      view->sourcePoint = {30, 7};
      view->SetLevel(0);
      Append(layout.TopBlock(), view);
    }
    const std::uint64_t start = cInsert::ExpansionCount();
    const std::vector<std::uint32_t> first = FitAndPaint(layout);
    EXPECT_GT(Inked(first), std::size_t(kWidth * kHeight / 50));
    // Each placement once for the views' measure and once drawn, not once
    // per view.
    EXPECT_LE(cInsert::ExpansionCount() - start, 200u);
    const std::uint64_t painted = cInsert::ExpansionCount();
    const std::vector<std::uint32_t> second = FitAndPaint(layout);
    EXPECT_EQ(cInsert::ExpansionCount() - painted, 0u) << "the second paint of the views expanded inserts";
    EXPECT_TRUE(second == first);
  }
}

// An R12 drawing: block S holds lines on layer 0 (they take the insert's
// layer) and a far line on layer OFF, which is switched off; S is placed on
// a grid, every placement at an angle of its own.
std::string TwoLayerDrawing(int inserts) {
  test::DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER");
  w.Layer("0", 7).Layer("OFF", -1);
  w.Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("S");
  for (int i = 0; i < 30; ++i) w.Line("0", i % 6, i / 6, i % 6 + 0.5, i / 6 + 0.7);
  w.Line("OFF", 100, 100, 120, 130);
  w.EndBlock().EndSection();
  w.Section("ENTITIES");
  for (int k = 0; k < inserts; ++k) w.Str(0, "INSERT").Str(8, "0").Str(2, "S").Point(10, (k % 10) * 40.0, (k / 10) * 40.0).Real(50, 11.0 * k);
  w.EndSection().Eof();
  return w.Bytes();
}

DocumentResult OpenDxf(const std::string& file) {
  ByteArray bytes;
  bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"layers.dxf"), nullptr, nullptr);
}

// The fit's extent found by expanding every insert and asking each child on
// a visible level: what the kept extents stand for.
DRect ExpandedFit(cSheet& sheet) {
  DRect out;
  bool first = true;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cInsert* insert = o->AsInsert();
    if (!insert) continue;
    insert->UpdateIfDirty(sheet.Data());
    for (cOutObj* child : insert->GetChildren()) {
      if (!sheet.Data()->Levels().GetLevel(child->Level())->visible) continue;
      DRect r;
      out.Union(child->GetFullExtent(sheet.Data(), r), first);
    }
    insert->DropChildren();
  }
  return out;
}

DRect Fit(cSheet& sheet) {
  DRect extent;
  ExtentFilter filter;
  filter.drawingPages = 0;
  sheet.TopBlock().GetFilteredExtent(filter, sheet.Data(), extent);
  return extent;
}

void ExpectSameRect(const DRect& a, const DRect& b) {
  EXPECT_DOUBLE_EQ(a.x1, b.x1);
  EXPECT_DOUBLE_EQ(a.y1, b.y1);
  EXPECT_DOUBLE_EQ(a.x2, b.x2);
  EXPECT_DOUBLE_EQ(a.y2, b.y2);
}

TEST(InsertRepaint, TheFitAndTheIndexOfAnOpenedDrawingExpandNothing) {
  DocumentResult result = OpenDxf(TwoLayerDrawing(50));
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  cSheet& sheet = *result.Document()->GetSheet(0);
  const std::uint64_t opened = cInsert::ExpansionCount();
  const DRect fit = Fit(sheet);
  sheet.Drawing().InvalidateSummary(0);
  const DRect summary = sheet.Drawing().GetExtent();
  EXPECT_EQ(cInsert::ExpansionCount() - opened, 0u) << "the fit or the extent index expanded inserts";
  // The lines of the layer switched off stay out of the fit, as they would
  // asked one by one.
  ExpectSameRect(fit, ExpandedFit(sheet));
  EXPECT_LT(fit.x2, 400.0);
  EXPECT_GT(summary.x2, fit.x2);
}

// Moved after its children went, an insert is measured where it now lies.
TEST(InsertRepaint, AnInsertChangedAfterItsChildrenWentIsMeasuredAgain) {
  DocumentResult result = OpenDxf(TwoLayerDrawing(10));
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  cSheet& sheet = *result.Document()->GetSheet(0);
  cInsert* last = nullptr;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next)
    if (cInsert* insert = o->AsInsert()) last = insert;
  ASSERT_NE(last, nullptr);
  ASSERT_TRUE(last->ExtentsKeptFromDrop());
  const DRect before = Fit(sheet);
  last->Move(DPoint{1000, 0});
  EXPECT_FALSE(last->ExtentsKeptFromDrop());
  const DRect after = Fit(sheet);
  EXPECT_GT(after.x2, before.x2 + 900);
  ExpectSameRect(after, ExpandedFit(sheet));
}

// 300 placements drawn in chain order with room for nine and a half: the
// first nine or so drawn stay expanded (a paint does not let go of what it
// drew for what it draws later in it), the rest is expanded and let go; a
// second paint expands only the rest; a repaint that shows kept ones alone
// (through the extent index) expands nothing, and across paints the least
// recently drawn go first. After an edit of placements on two pages, a
// repaint of the first page, the view not fitted again, expands none of the
// other page's, and every expansion held is one the budget counts.
TEST(InsertRepaint, KeptExpansionsStayWithinTheBudgetTheLeastRecentlyDrawnGoingFirst) {
  auto doc = PlacedModel(1, 300, 20);
  cSheet& sheet = *doc->GetSheet(0);
  KeptExpansions& kept = KeptExpansions::Shared();
  const KeptBudget budget(kKeptExpansionBytes);
  kept.DropAll();
  // What the list charges a placement, drawn: the mean over all 300 kept by
  // one paint. The heap's count of a child's 104-byte block is 104 or 120
  // bytes, by the free blocks it was cut from (what the tests before left):
  // one expansion measured apart differs from a charge by that much per
  // child, enough to fit an eleventh in room for ten and a half. Half a
  // placement on each side of nine and a half keeps the count within 8 to
  // 10 whatever the rounding, and leaves after the kept ones about half a
  // placement's room, too little for any drawn later.
  FitAndPaint(sheet);
  ASSERT_EQ(kept.Count(), 300u);
  const std::uint64_t expansion = kept.Bytes() / kept.Count();
  kept.DropAll();
  const std::uint64_t room = 9 * expansion + expansion / 2;
  kept.SetBudget(room);
  FitAndPaint(sheet);
  EXPECT_LE(kept.Bytes(), room);
  auto holdingNow = [&] {
    std::vector<int> holding;
    int k = 0;
    for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next, ++k)
      if (o->AsInsert()->HoldsChildren()) holding.push_back(k);
    return holding;
  };
  const std::vector<int> holding = holdingNow();
  ASSERT_GE(holding.size(), 8u);
  ASSERT_LE(holding.size(), 10u);
  EXPECT_EQ(holding.front(), 0) << "the kept are not the first drawn";
  EXPECT_EQ(holding.back(), int(holding.size()) - 1);
  EXPECT_EQ(kept.Count(), holding.size());

  // The same view again: only what did not fit is expanded.
  const std::uint64_t painted = cInsert::ExpansionCount();
  FitAndPaint(sheet);
  EXPECT_EQ(cInsert::ExpansionCount() - painted, 300u - holding.size());
  EXPECT_EQ(holdingNow(), holding);

  // Each of the first five alone in view: kept, none expanded; one of the
  // placements let go is expanded again.
  cRasterSurface surface(false);
  const TRect client{0, 0, kWidth, kHeight};
  ASSERT_TRUE(surface.Prepare(client));
  auto paint = [&](const WorldMapping& mapping, std::uint16_t page) {
    const std::uint64_t start = cInsert::ExpansionCount();
    RenderDrawingPage(mapping, &sheet, page, client, client, surface.DC(), surface);
    return cInsert::ExpansionCount() - start;
  };
  auto paintAround = [&](int placement) {
    const double x = 3.0 * (placement % 20), y = 3.0 * (placement / 20);
    return paint(FitRectMapping(sheet.Drawing(), DRect{x - 1, y - 1, x + 1, y + 1}, client), 0);
  };
  for (int first = 0; first < 5; ++first) EXPECT_EQ(paintAround(first), 0u) << "placement " << first;
  EXPECT_EQ(paintAround(280), 1u);

  // Two pages: the last 150 placements on the second. Both painted in the
  // fitted view, the second last: its first placements are kept.
  sheet.Drawing().AppendPage(PageRecord{});
  sheet.Drawing().AppendPage(PageRecord{});
  std::vector<cInsert*> placed;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) placed.push_back(o->AsInsert());
  for (std::size_t k = 150; k < placed.size(); ++k) placed[k]->SetPage(PageIdOfIndex(1));
  sheet.Drawing().InvalidateSummary(0);
  DRect all;
  sheet.TopBlock().GetFilteredExtent(ExtentFilter{}, sheet.Data(), all);
  const WorldMapping fitted = FitRectMapping(sheet.Drawing(), all, client);
  paint(fitted, 0);
  paint(fitted, 1);
  ASSERT_TRUE(placed[150]->IsKept());
  // An edit moves five placements of each page; the first page is painted
  // again in the view it had.
  for (int k : {0, 1, 2, 3, 4, 150, 151, 152, 153, 154}) placed[std::size_t(k)]->Move(DPoint{0.5, 0});
  sheet.Drawing().InvalidateSummary(0);
  EXPECT_LE(paint(fitted, 0), 150u);
  for (int k = 150; k < 155; ++k)
    EXPECT_TRUE(placed[std::size_t(k)]->HasFlag(kFlagDirty)) << "placement " << k << " of the other page was expanded";
  EXPECT_LE(kept.Bytes(), room);
  for (std::size_t k = 0; k < placed.size(); ++k)
    EXPECT_TRUE(!placed[k]->HoldsChildren() || placed[k]->IsKept()) << "placement " << k << " holds its children outside the budget";
}

// The insert of the test below, which tells whether its children were let
// go while it was painted (the host draws nothing else: whatever a paint of
// the host lets go of it, it lets go while the painter walks its children).
// Such a drop is counted and the children stay: letting them go would free
// the view the painter is drawing, and the fault would show as a crash
// instead of as the test's own failure.
class WatchedInsert : public cInsert {
 public:
  void DropChildren() override {
    if (painted) {
      ++droppedWhilePainted;
      return;
    }
    cInsert::DropChildren();
  }

  // The insert is painted while one lives.
  class Painted {
   public:
    explicit Painted(WatchedInsert& insert) : insert_(insert) { insert_.painted = true; }
    ~Painted() { insert_.painted = false; }
    Painted(const Painted&) = delete;
    Painted& operator=(const Painted&) = delete;

   private:
    WatchedInsert& insert_;
  };

  bool painted = false;
  int droppedWhilePainted = 0;
};

// The host sheet of a referenced drawing placed through a block: block B
// holds the reference's view (of the other sheet, 60 placements of a
// 100-line block) and a line; one insert of B in the host. The insert's
// children (the view among them) are drawn from while the view reports the
// placements it draws to the kept expansions: past the budget, those let
// go must never be the insert being drawn.
TEST(InsertRepaint, AnInsertWhoseViewDrawsPastTheBudgetKeepsItsChildrenWhilePaintedAndPrinted) {
  auto doc = PlacedModel(2, 60, 100);
  cSheet& host = *doc->GetSheet(0);
  doc->GetSheet(1)->isReference = 1;
  auto* block = new cBlock();
  auto* view = new cSection();
  view->referenceView = 1;
  view->automaticFrame = 1;
  view->sheetIndex = 1;
  view->scale = 1.0;
  view->SetLevel(0);
  view->MarkDirty();
  Append(*block, view);
  auto* line = new cLine();
  line->start = {-5, -5};
  line->end = {60, -5};
  line->SetLevel(kNoLevel);
  Append(*block, line);
  auto* outer = new WatchedInsert();
  outer->blockIndex = host.Data()->AddBlock(block);
  outer->SetLevel(0);
  Append(host.TopBlock(), outer);

  KeptExpansions& kept = KeptExpansions::Shared();
  const KeptBudget budget(kKeptExpansionBytes);
  kept.DropAll();
  const std::vector<std::uint32_t> first = FitAndPaint(host);
  EXPECT_GT(Inked(first), std::size_t(kWidth * kHeight / 50));
  ASSERT_TRUE(outer->IsKept());
  ASSERT_EQ(kept.Count(), 61u) << "the outer insert and the 60 placements its view drew";

  // Room for the outer insert and three placements, in the bytes the list
  // charged them: the least recently drawn let go one at a time (each budget
  // a byte below what is kept) until those four are left. The outer insert,
  // drawn last, stays; the placements the view draws next go past the
  // budget. A room measured apart from the list (an expansion's heap taken
  // again) differs from what the list charged by how the heap rounded each
  // block, which depends on what ran before.
  while (kept.Count() > 4) kept.SetBudget(kept.Bytes() - 1);
  const std::uint64_t room = kept.Bytes();
  kept.SetBudget(room);
  ASSERT_TRUE(outer->IsKept());
  ASSERT_EQ(kept.Count(), 4u);
  const std::uint64_t painted = cInsert::ExpansionCount();
  std::vector<std::uint32_t> second;
  {
    const WatchedInsert::Painted watch(*outer);
    second = FitAndPaint(host);
  }
  EXPECT_TRUE(second == first) << "painted past the budget, the view draws something else";
  EXPECT_EQ(outer->droppedWhilePainted, 0) << "the insert drawn from was let go under the painter";
  EXPECT_TRUE(outer->IsKept() && outer->HoldsChildren()) << "the insert drawn from was let go";
  EXPECT_EQ(cInsert::ExpansionCount() - painted, 60u) << "the outer insert was expanded again";
  EXPECT_LE(kept.Bytes(), room);

  // Printed, on the vector and the raster road.
  test::PrinterTestBase printers;
  test::AddA4Queue(printers.spooler);
  LoadPrinterList();
  for (const std::uint8_t vector : {1, 0}) {
    PrintOutOptions options;
    options.printer = GetPrinterList().At(0);
    options.vectorMode = vector;
    APXPrintOut out(host.Drawing(), options);
    ASSERT_GE(out.pageCount, 1);
    DeviceCaps caps;
    caps.technology = kDtRasPrinter;
    caps.dpiX = caps.dpiY = 300;
    caps.widthPx = 2480;
    caps.heightPx = 3508;
    RecordingDC dc(caps);
    {
      const WatchedInsert::Painted watch(*outer);
      EXPECT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0)) << int(vector);
    }
    EXPECT_EQ(outer->droppedWhilePainted, 0) << "the insert drawn from was let go under the painter, printed";
    EXPECT_TRUE(outer->IsKept() && outer->HoldsChildren()) << "the insert drawn from was let go, printed";
    EXPECT_LE(kept.Bytes(), room);
  }
}

}  // namespace
}  // namespace kvn
