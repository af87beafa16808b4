// Section views over a document of two sheets: what a view draws of the
// other sheet (and never of its own, never from inside another view), the
// auto-sized extent, the colours it draws in, a source change shown at the
// next paint, the context it leaves as it found it, the
// level filter, copies of dimensions and texts, and the page swap that keeps
// a view on its content. A raster golden of a turned and a recoloured view.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "document/SectionSource.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "model/LevelTable.h"
#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "model/cAnyLine.h"
#include "model/cCircle.h"
#include "model/cDistance.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cSection.h"
#include "model/cText.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/PenCache.h"
#include "render/RasterSurface.h"
#include "render/SectionView.h"
#include "render/SheetPainter.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

cLine* Line(DPoint a, DPoint b, std::uint32_t color = 0, std::uint16_t level = 0) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->stroke.width = 0.5;
  line->stroke.color = color;
  line->stroke.lineType = 1;
  line->SetLevel(level);
  return line;
}

void Add(cSheet& sheet, cOutObj* o) {
  ObjectChain chain;
  chain.Append(o);
  sheet.TopBlock().AppendChain(std::move(chain));
}

// Sheet 0 holds the views; sheet 1 is the source: a square of four lines on
// level 0 (blue level colour) and a circle on level 1.
struct TwoSheets {
  TwoSheets() {
    InstallRendererGeometryServices();
    ResetPenCache();
    doc.AddSheet(std::make_unique<cSheet>());
    doc.AddSheet(std::make_unique<cSheet>());
    for (cSheet* s : {Sheet(0), Sheet(1)}) {
      s->Data()->Levels().InsertLevel(u"A", nullptr, 0);
      s->Data()->Levels().InsertLevel(u"B", nullptr, 1);
    }
    Sheet(1)->Data()->Levels().GetLevel(0)->color = 0x00FF0000;
    const DPoint sq[4] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
    for (int i = 0; i < 4; ++i) Add(*Sheet(1), Line(sq[i], sq[(i + 1) % 4], 0x000000FF));
    auto* circle = new cCircle();
    circle->p1 = {5, 5};
    circle->p2 = {15, 15};
    circle->stroke.width = 0.5;
    circle->stroke.color = 0x0000A000;
    circle->stroke.lineType = 1;
    circle->SetLevel(1);
    Add(*Sheet(1), circle);
  }
  cSheet* Sheet(int i) { return doc.GetSheet(std::uint32_t(i)); }
  cSection* View(int sheet, int source, DPoint corner1, DPoint corner2, double scale = 1.0, double angle = 0) {
    auto* view = new cSection();
    view->sheetIndex = std::uint16_t(source);
    view->insertPoint = corner1;
    view->framePoint = corner2;
    view->scale = scale;
    view->angle = angle;
    view->sourcePoint = {10, 10};
    view->SetLevel(0);
    Add(*Sheet(sheet), view);
    return view;
  }
  static WorldMapping Mapping(OutputMode mode = OutputMode::Screen) {
    WorldMapping m;
    m.deviceClip = {0, 0, kWidth, kHeight};
    m.outputMode = mode;
    return m;
  }
  std::string Record(cSection& view, OutputMode mode = OutputMode::Screen, std::int32_t colorMode = kColorModeColor) {
    RecordingDC dc;
    cDrawInfo info(Mapping(mode), Sheet(0)->Data(), &dc, nullptr);
    info.colorMode = colorMode;
    dc.Clear();
    view.Draw(&info);
    return dc.Text();
  }
  cDrawingDoc doc;
};

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// What a view shows: the copies made the way it draws them, kept here.
std::unique_ptr<cBlock> ViewCopies(cSection& view, TwoSheets& t) {
  cOutObj* head = nullptr;
  view.BuildViewCache(t.Sheet(view.sheetIndex)->Drawing(), &head, false);
  auto copies = std::make_unique<cBlock>();
  copies->AppendChain(ObjectChain(head));
  return copies;
}

TEST(SectionView, AViewOfItsOwnSheetOrInsideAViewDrawsNothing) {
  TwoSheets t;
  cSection* self = t.View(0, 0, {0, 0}, {40, 40});
  EXPECT_EQ(t.Record(*self), "");
  // Sheet 1 shows sheet 0 in a view of its own; drawn from sheet 0's view of
  // sheet 1, that inner view draws nothing (its copy is drawn inside a view).
  t.View(1, 0, {30, 0}, {50, 20});
  cSection* outer = t.View(0, 1, {0, 0}, {40, 40});
  const std::string log = t.Record(*outer);
  EXPECT_NE(log, "");
  // The square's four lines and the circle, nothing of sheet 0.
  EXPECT_EQ(Occurrences(log, "Polyline"), 5u) << log;
  EXPECT_EQ(Occurrences(log, "SelectClipRgn"), 2u) << "one clip for the outer view and its restore";
  // The same with the context already inside a view.
  RecordingDC dc;
  cDrawInfo info(TwoSheets::Mapping(), t.Sheet(0)->Data(), &dc, nullptr);
  info.insideView = 1;
  dc.Clear();
  outer->Draw(&info);
  EXPECT_TRUE(dc.calls.empty()) << dc.Text();
}

TEST(SectionView, MissingLinksDrawNothing) {
  TwoSheets t;
  cSection* beyond = t.View(0, 7, {0, 0}, {40, 40});
  EXPECT_EQ(t.Record(*beyond), "");
  cSection* flat = t.View(0, 1, {0, 0}, {40, 40}, 0.0);
  EXPECT_EQ(t.Record(*flat), "");
  cSection* busy = t.View(0, 1, {0, 0}, {40, 40});
  t.doc.busy = 1;
  EXPECT_EQ(t.Record(*busy), "");
  EXPECT_EQ(GetSectionSourceDrawing(*busy, t.Sheet(0)->Data()), nullptr);
  t.doc.busy = 0;
  EXPECT_EQ(GetSectionSourceDrawing(*busy, t.Sheet(0)->Data()), &t.Sheet(1)->Drawing());
  // Off the visible device area.
  cSection* away = t.View(0, 1, {500, 500}, {540, 540});
  EXPECT_EQ(t.Record(*away), "");
  // Neither device context nor surface (the scroll test).
  cDrawInfo none(TwoSheets::Mapping(), t.Sheet(0)->Data(), nullptr, nullptr);
  const std::uint64_t held = GetAllocatedBytes();
  away->Draw(&none);
  EXPECT_EQ(GetAllocatedBytes(), held) << "nothing is copied for the scroll test";
}

TEST(SectionView, AutoSizedExtent) {
  TwoSheets t;
  cSection* view = t.View(0, 1, {100, 50}, {0, 0}, 2.0, 90);
  view->automaticFrame = 1;
  view->MarkDirty();
  DRect e;
  view->GetFullExtent(t.Sheet(0)->Data(), e);
  // The source spans 0..20 (plus half the pen) about (10, 10): turned by -90
  // and doubled it spans about 20 each way from corner 1.
  EXPECT_NEAR(e.x1, 79.5, 0.6);
  EXPECT_NEAR(e.x2, 120.5, 0.6);
  EXPECT_NEAR(e.y1, 29.5, 0.6);
  EXPECT_NEAR(e.y2, 70.5, 0.6);
  // An empty source page: the point of corner 1.
  t.Sheet(1)->TopBlock().DetachObjects();
  view->MarkDirty();
  view->GetFullExtent(t.Sheet(0)->Data(), e);
  EXPECT_EQ(e, (DRect{100, 50, 100, 50}));
  // Without an automatic frame: the frame.
  view->automaticFrame = 0;
  view->MarkDirty();
  view->GetFullExtent(t.Sheet(0)->Data(), e);
  EXPECT_EQ(e, (DRect{0, 0, 100, 50}));
}

TEST(SectionView, ColoursByLevelOwnOrBlackWhenPrintedInBlackAndWhite) {
  TwoSheets t;
  cSection* view = t.View(0, 1, {0, 0}, {40, 40});
  // Per level: level 0 is blue, level 1 has no colour (the circle's green).
  std::string log = t.Record(*view);
  EXPECT_NE(log.find("RGB(0,0,255)"), std::string::npos) << log;
  EXPECT_NE(log.find("RGB(0,160,0)"), std::string::npos) << log;
  EXPECT_EQ(log.find("RGB(255,0,0)"), std::string::npos) << "the lines' own red gives way" << log;
  // Printed in black and white: black.
  log = t.Record(*view, OutputMode::DirectPrinter, kColorModeBlackWhite);
  EXPECT_EQ(log.find("RGB(0,0,255)"), std::string::npos) << log;
  EXPECT_EQ(log.find("RGB(0,160,0)"), std::string::npos) << log;
  EXPECT_NE(log.find("RGB(0,0,0)"), std::string::npos) << log;
  // The view's own colour.
  view->recolour = 1;
  view->color = 0x00008080;
  log = t.Record(*view);
  EXPECT_NE(log.find("RGB(128,128,0)"), std::string::npos) << log;
  EXPECT_EQ(log.find("RGB(0,0,255)"), std::string::npos) << log;
}

// The view keeps no copies: a change of the source shows at the next paint,
// and stays after the source's modification counter moves.
TEST(SectionView, ASourceChangeShowsAtTheNextPaint) {
  TwoSheets t;
  cSection* view = t.View(0, 1, {0, 0}, {40, 40});
  view->recolour = 1;
  view->color = 0x80000000u;  // own colour not set: each object's own
  EXPECT_EQ(Occurrences(t.Record(*view), "Polyline"), 5u);
  Add(*t.Sheet(1), Line({0, 10}, {20, 10}, 0x000000FF));
  EXPECT_EQ(Occurrences(t.Record(*view), "Polyline"), 6u);
  t.Sheet(1)->Drawing().MarkModified();
  EXPECT_EQ(Occurrences(t.Record(*view), "Polyline"), 6u);
}

TEST(SectionView, ClipAndMappingAreRestored) {
  TwoSheets t;
  cSection* view = t.View(0, 1, {10, 10}, {30, 30}, 0.5, 30);
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetClip(TRect{5, 6, 300, 190});
  RecordingDC dc;
  WorldMapping m = TwoSheets::Mapping(OutputMode::DirectPrinter);
  m.originX = 3;
  m.offsetY = 7;
  const DeviceRect page{0, 0, 200, 150};
  cDrawInfo info(m, t.Sheet(0)->Data(), &dc, &surface);
  info.printRecord = &page;
  const WorldMapping before = info.mapping;
  const DRect clip = info.worldClip;
  dc.Clear();
  view->Draw(&info);
  EXPECT_EQ(info.mapping.originX, before.originX);
  EXPECT_EQ(info.mapping.offsetY, before.offsetY);
  EXPECT_EQ(info.mapping.scale, before.scale);
  EXPECT_EQ(info.mapping.deviceClip, before.deviceClip);
  EXPECT_EQ(info.worldClip, clip);
  EXPECT_EQ(info.printRecord, &page);
  EXPECT_EQ(info.data, t.Sheet(0)->Data());
  EXPECT_EQ(info.insideView, 0);
  EXPECT_EQ(info.overrideColor, -1);
  EXPECT_EQ(surface.Clip(), (TRect{5, 6, 300, 190}));
  // The frame (10..30 at 4 units: 43..123 across, 47..127 down) became the
  // clip and then none again.
  ASSERT_GE(dc.calls.size(), 2u);
  EXPECT_NE(dc.calls.front().find("SelectClipRgn"), std::string::npos) << dc.Text();
  EXPECT_EQ(dc.calls.back(), "SelectClipRgn NULL") << dc.Text();
}

TEST(SectionView, LevelFilterAndCopies) {
  TwoSheets t;
  // A dimension and a text on level 1 of the source; the view shows level 1.
  auto* dim = new cDistance();
  dim->textStyle = kNoStyle;
  dim->stroke.color = 0;
  dim->stroke.lineType = 1;
  dim->SetLevel(1);
  const DPoint ends[2] = {{0, 25}, {20, 25}};
  dim->SetPointsWithData(ends, t.Sheet(1)->Data());
  Add(*t.Sheet(1), dim);
  cSection* view = t.View(0, 1, {0, 0}, {60, 60});
  view->selectionPresent = 1;
  view->selectionValues.Add(1);
  (void)t.Record(*view);
  int lines = 0, texts = 0, circles = 0, other = 0;
  const std::unique_ptr<cBlock> copies = ViewCopies(*view, t);
  for (cOutObj* o = copies->FirstObject(); o; o = o->next) {
    EXPECT_EQ(o->Level(), 1);
    if (o->TypeCode() == kTypeLine) {
      ++lines;
    } else if (o->AsText()) {
      ++texts;
    } else if (o->TypeCode() == kTypeCircle) {
      ++circles;
    } else {
      ++other;
    }
  }
  // The dimension became its line and its text; the square (level 0) is
  // filtered out.
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(texts, 1);
  EXPECT_EQ(circles, 1);
  EXPECT_EQ(other, 0);
  // A copy without a model lands on page 0.
  cLine source;
  source.SetPage(3);
  std::unique_ptr<cOutObj> copy(CopyObjectForView(source, t.Sheet(1)->Data(), nullptr));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->IsOnPage(0));
}

// Every child of an insert in the source is copied into the view: each
// copy is linked behind the one before, none written over it (which lost
// all but the last child of each insert, and leaked the others).
TEST(SectionView, EveryChildOfAnInsertIsCopied) {
  TwoSheets t;
  cDrawingData& data = *t.Sheet(1)->Data();
  ObjectChain lines;
  for (int i = 0; i < 5; ++i) lines.Append(Line({0, 2.0 * i}, {8, 2.0 * i}, 0, 1));
  auto* block = new cBlock();
  block->AppendChain(std::move(lines));
  auto* insert = new cInsert();
  insert->blockIndex = data.AddBlock(block);
  insert->point = {2, 2};
  insert->SetLevel(1);
  Add(*t.Sheet(1), insert);
  cSection* view = t.View(0, 1, {0, 0}, {60, 60});
  view->selectionPresent = 1;
  view->selectionValues.Add(1);
  (void)t.Record(*view);
  int lines5 = 0, circles = 0;
  const std::unique_ptr<cBlock> copies = ViewCopies(*view, t);
  for (cOutObj* o = copies->FirstObject(); o; o = o->next) {
    lines5 += o->TypeCode() == kTypeLine;
    circles += o->TypeCode() == kTypeCircle;
  }
  EXPECT_EQ(lines5, 5);
  EXPECT_EQ(circles, 1);
}

// Pictures turn by any angle here: a view turned by 45 degrees keeps them,
// turned with the lines.
TEST(SectionView, ATurnedViewKeepsPicturesTurned) {
  TwoSheets t;
  auto* picture = new cBitmap();
  picture->frame = PictureFrame{{4, 4}, 8, 6, 0};
  picture->SetLevel(0);
  Add(*t.Sheet(1), picture);
  cSection* view = t.View(0, 1, {0, 0}, {60, 60}, 1.0, 45);
  (void)t.Record(*view);
  const cBitmap* copy = nullptr;
  int lines = 0;
  const std::unique_ptr<cBlock> copies = ViewCopies(*view, t);
  for (cOutObj* o = copies->FirstObject(); o; o = o->next) {
    if (o->AsBitmap()) copy = o->AsBitmap();
    lines += o->TypeCode() == kTypeLine;
  }
  EXPECT_EQ(lines, 4);
  ASSERT_NE(copy, nullptr);
  EXPECT_DOUBLE_EQ(copy->frame.angle, 45);  // a frame angle turns the other way
}

TEST(SectionView, PageSwapKeepsTheViewOnItsContent) {
  TwoSheets t;
  cDrawing& source = t.Sheet(1)->Drawing();
  for (int i = 0; i < 3; ++i) {
    PageRecord page;
    source.AppendPage(page);
  }
  cSection* view = t.View(0, 1, {0, 0}, {40, 40});
  view->page = 2;
  t.doc.SwapPages(source, 0, 2);
  EXPECT_EQ(view->page, 0);
  t.doc.SwapPages(source, 1, 2);
  EXPECT_EQ(view->page, 0);
}

// The frame of an auto-sized view lies on its outermost strokes: their far
// pixels are inside the clip, so the square's right and bottom lines show
// whole.
TEST(SectionView, AutoSizedViewKeepsItsOutermostStrokes) {
  TwoSheets t;
  // Hairlines: their extent reaches a tenth of a pixel beyond the line.
  for (cOutObj* o = t.Sheet(1)->TopBlock().FirstObject(); o; o = o->next) {
    if (cAnyLine* line = o->AsAnyLine()) line->stroke.width = 0.02;
    o->MarkDirty();
  }
  cSection* view = t.View(0, 1, {30, 30}, {0, 0}, 1.0);
  view->automaticFrame = 1;
  view->recolour = 1;
  view->color = 0;
  view->MarkDirty();
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  {
    cDrawInfo info(TwoSheets::Mapping(), t.Sheet(0)->Data(), surface.GetRasterDC(), &surface);
    view->Draw(&info);
  }
  surface.Flush();
  // The square spans 20..40 world units: pixels 80..160.
  int bottom = 0, right = 0;
  for (int i = 84; i < 156; ++i) {
    bool b = false, r = false;
    for (int d = -2; d <= 2; ++d) {
      b = b || (*surface.PixelAt(i, 160 + d) & 0xFF) < 0x80;
      r = r || (*surface.PixelAt(160 + d, i) & 0xFF) < 0x80;
    }
    bottom += b;
    right += r;
  }
  EXPECT_EQ(bottom, 72);
  EXPECT_EQ(right, 72);
}

TEST(SectionView, TurnedAndRecolouredViewsOnTheSurface) {
  TwoSheets t;
  t.View(0, 1, {2, 2}, {38, 38}, 1.5, 45);
  cSection* own = t.View(0, 1, {42, 2}, {72, 32}, 1.0);
  own->recolour = 1;
  own->color = 0x000080C0;
  // A frame that shows only part of the source: clipped at its edge.
  t.View(0, 1, {2, 40}, {22, 48}, 1.0);
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  {
    cDrawInfo info(TwoSheets::Mapping(), t.Sheet(0)->Data(), surface.GetRasterDC(), &surface);
    EXPECT_TRUE(PaintObjectChain(&t.Sheet(0)->Data()->Levels(), t.Sheet(0)->Data(), &t.Sheet(0)->TopBlock(),
                                 &t.Sheet(0)->Drawing(), 0, info));
  }
  surface.Flush();
  test::Picture p{kWidth, kHeight, {}};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) p.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  // Nothing of the third view beyond its frame (y 160..192).
  for (int x = 0; x < 100; ++x) EXPECT_EQ(p.At(x, 195), 0xFFFFFFu) << x;
  test::ExpectMatchesGolden(p, "section_views", 8);
}

}  // namespace
}  // namespace kvn
