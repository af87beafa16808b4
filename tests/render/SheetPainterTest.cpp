#include "render/SheetPainter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "document/cSheet.h"
#include "model/LevelTable.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"
#include "render/InsertChildList.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using Log = std::vector<std::string>;

// Page record flag: the page's objects are shown on every page.
constexpr std::uint8_t kShownOnEveryPage = 0x02;

std::string Color(std::int32_t c) {
  if (c == -1) return "-1";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06x", unsigned(c));
  return buf;
}

// A drawing object with a fixed extent that logs each Draw with the override
// colour the context holds at that moment.
class Probe : public cOutObj {
 public:
  Probe(std::string name, Log& log, DRect extent = {0, 0, 1, 1}, std::uint8_t type = kTypeLine)
      : cOutObj(type), name(std::move(name)), log(log), extent(extent) {}
  DRect& GetExtent(DRect& out) override {
    out = extent;
    return out;
  }
  void Recalc(cDrawingData*) override { ++recalcs; }
  void Draw(cDrawInfo* info) override { log.push_back(name + " " + Color(info->overrideColor)); }
  void DrawOutline(std::uint32_t value, cDrawInfo*, bool) override {
    log.push_back("outline " + name + " " + std::to_string(value));
  }

  std::string name;
  Log& log;
  DRect extent;
  int recalcs = 0;
};

// Stands in for the block insert: type code 0 and a child list.
class ProbeInsert : public Probe, public InsertChildList {
 public:
  ProbeInsert(std::string name, Log& log) : Probe(std::move(name), log, {0, 0, 1, 1}, kTypeInsert) {}
  std::span<cOutObj* const> GetChildren() const override { return {children.begin(), children.Count()}; }
  Probe* AddChild(Probe* child) {
    children.Add(child);
    return child;
  }
  OwnedArray<cOutObj> children;
};

// A sheet whose top block the tests fill; levels 0 (plain), 1 and 2.
struct Fixture {
  Log log;
  cSheet sheet;
  LevelRecord* levels[3] = {};

  Fixture() {
    for (std::uint32_t i = 0; i < 3; ++i) {
      std::uint16_t index = 0;
      levels[i] = sheet.Data()->Levels().InsertLevel(WString(u"L"), &index, i);
    }
  }
  Probe* AddProbe(const std::string& name, DRect extent = {0, 0, 1, 1}) {
    Probe* p = new Probe(name, log, extent);
    ObjectChain chain;
    chain.Append(p);
    sheet.TopBlock().AppendChain(std::move(chain));
    return p;
  }
  ProbeInsert* AddInsert(const std::string& name) {
    auto* insert = new ProbeInsert(name, log);
    ObjectChain chain;
    chain.Append(insert);
    sheet.TopBlock().AppendChain(std::move(chain));
    return insert;
  }
  void AddPages(std::initializer_list<PageRecord> pages) {
    for (const PageRecord& p : pages) sheet.Drawing().AppendPage(p);
  }

  // The drawing window's arguments.
  bool PaintScreen(cDrawInfo& info, std::uint16_t page = 0) {
    info.mapping.outputMode = OutputMode::Screen;
    return PaintObjectChain(&sheet.Data()->Levels(), sheet.Data(), &sheet.TopBlock(), &sheet.Drawing(), page, info);
  }
  // A printed page's arguments.
  bool PaintPrint(cDrawInfo& info, bool levelColors, bool pageColors, std::uint16_t page = 0) {
    info.mapping.outputMode = OutputMode::DirectPrinter;
    return PaintObjectChain(
        &sheet.Data()->Levels(), sheet.Data(), &sheet.TopBlock(), &sheet.Drawing(), page, info,
        {.levelColorsWhenPrinting = levelColors, .pageColorsWhenPrinting = pageColors});
  }
};

PageMask Pages(std::initializer_list<int> ids) {
  PageMask mask;
  for (int p : ids) mask.bits[p / 8] |= std::uint8_t(0x80 >> (p % 8));
  return mask;
}

TEST(SheetPainter, EmptyChainDrawsNothingAndResetsTheOverride) {
  Fixture f;
  cDrawInfo info;
  info.overrideColor = 0x123456;
  EXPECT_FALSE(f.PaintScreen(info));
  EXPECT_EQ(info.overrideColor, -1);
  info.overrideColor = 7;
  EXPECT_FALSE(PaintObjectChain(nullptr, nullptr, nullptr, nullptr, 0, info));
  EXPECT_EQ(info.overrideColor, -1);
}

TEST(SheetPainter, HiddenFilteredAndOffPageObjectsAreSkipped) {
  Fixture f;
  f.AddPages({PageRecord{0, 0x80000000u, WString(u"one")}, PageRecord{0, 0x80000000u, WString(u"two")}});
  // The reader clears the top bits of page colours; a painter test wants pages
  // without colour.
  f.sheet.Drawing().GetPage(0)->color = 0x80000000u;
  f.sheet.Drawing().GetPage(1)->color = 0x80000000u;
  Probe* hidden = f.AddProbe("hidden");
  hidden->SetFlag(kFlagHidden);
  hidden->SetPage(0);
  hidden->SetClassMaskBits(0x01, true);
  Probe* masked = f.AddProbe("masked");
  masked->SetClassMaskBits(0x04, true);
  masked->SetPage(0);
  Probe* elsewhere = f.AddProbe("elsewhere");
  elsewhere->SetPage(1);
  elsewhere->SetClassMaskBits(0x03, true);
  Probe* nowhere = f.AddProbe("nowhere");
  nowhere->SetPage(5);  // beyond the pages
  nowhere->SetClassMaskBits(0x01, true);

  cDrawInfo info;
  const std::uint8_t filter = 0x01;
  EXPECT_FALSE(PaintObjectChain(&f.sheet.Data()->Levels(), f.sheet.Data(), &f.sheet.TopBlock(), &f.sheet.Drawing(),
                                0, info, {.filter = &filter}));
  EXPECT_TRUE(f.log.empty());
  // Skipped before the geometry is brought up to date.
  EXPECT_EQ(hidden->recalcs, 0);
  EXPECT_EQ(masked->recalcs, 0);
  EXPECT_EQ(elsewhere->recalcs, 1);

  // Without the filter the masked object shows on page id 0, and
  // the second page shows the other one.
  EXPECT_TRUE(f.PaintScreen(info, 0));
  EXPECT_TRUE(f.PaintScreen(info, 1));
  EXPECT_EQ(f.log, (Log{"masked -1", "elsewhere -1"}));
}

TEST(SheetPainter, ViewRectangleCountsTouchingEdgesAsMeeting) {
  Fixture f;
  cDrawInfo info;  // world clip (-2000, -2000, 2000, 2000)
  f.AddProbe("right edge", {2000, 0, 2100, 1});
  f.AddProbe("beyond right", {2000.001, 0, 2100, 1});
  f.AddProbe("left edge", {-2100, 0, -2000, 1});
  f.AddProbe("beyond left", {-2100, 0, -2000.001, 1});
  f.AddProbe("bottom edge", {0, 2000, 1, 2001});
  f.AddProbe("beyond top", {0, -3000, 1, -2000.5});
  f.AddProbe("around", {-5000, -5000, 5000, 5000});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  f.AddProbe("not a number", {nan, nan, nan, nan});
  EXPECT_TRUE(f.PaintScreen(info));
  EXPECT_EQ(f.log, (Log{"right edge -1", "left edge -1", "bottom edge -1", "around -1", "not a number -1"}));

  // The clip follows the mapping: at scale 10 the view is 20 times smaller.
  f.log.clear();
  WorldMapping zoomed;
  zoomed.scale = 10;
  cDrawInfo close(zoomed);
  EXPECT_TRUE(f.PaintScreen(close));
  EXPECT_EQ(f.log, (Log{"around -1", "not a number -1"}));
}

TEST(SheetPainter, OnePageDrawingShowsEveryObject) {
  Fixture f;
  f.AddPages({PageRecord{0, 0x80000000u, WString(u"only")}});
  f.sheet.Drawing().GetPage(0)->color = 0x80000000u;
  f.AddProbe("page 5")->SetPage(5);
  f.AddProbe("no page")->SetPage(kNoPage);
  f.AddProbe("list")->SetPagesFromMask(Pages({7, 9}));
  cDrawInfo info;
  EXPECT_TRUE(f.PaintScreen(info, 3));
  EXPECT_EQ(f.log, (Log{"page 5 -1", "no page -1", "list -1"}));

  // An unpaged drawing counts as one page, whatever its records.
  f.log.clear();
  f.AddPages({PageRecord{0, 0, WString(u"second")}});
  f.sheet.Drawing().paged = 0;
  EXPECT_TRUE(f.PaintScreen(info, 1));
  EXPECT_EQ(f.log.size(), 3u);
}

TEST(SheetPainter, PageShownOnEveryPageLendsItsColour) {
  Fixture f;
  // Page 3 (index and id 2) is shown on every page and is red.
  f.AddPages({PageRecord{0, 0, WString(u"1")}, PageRecord{0, 0, WString(u"2")},
              PageRecord{kShownOnEveryPage, 0x0000FF, WString(u"3")}, PageRecord{0, 0, WString(u"4")}});
  for (std::uint32_t i : {0u, 1u, 3u}) f.sheet.Drawing().GetPage(i)->color = 0x80000000u;
  f.AddProbe("page 3 only")->SetPage(2);
  f.AddProbe("page 2")->SetPage(1);
  f.AddProbe("pages 2 and 3")->SetPagesFromMask(Pages({1, 2}));
  f.AddProbe("every page")->SetPage(kAllPages);

  cDrawInfo info;
  EXPECT_TRUE(f.PaintScreen(info, 0));
  EXPECT_EQ(f.log, (Log{"page 3 only 0000ff", "pages 2 and 3 0000ff", "every page -1"}));

  // On its own page the object is there anyway, in that page's colour.
  f.log.clear();
  EXPECT_TRUE(f.PaintScreen(info, 1));
  EXPECT_EQ(f.log, (Log{"page 3 only 0000ff", "page 2 -1", "pages 2 and 3 -1", "every page -1"}));

  // Printing uses page colours only when asked to.
  f.log.clear();
  EXPECT_TRUE(f.PaintPrint(info, true, false, 0));
  EXPECT_TRUE(f.PaintPrint(info, true, true, 0));
  EXPECT_EQ(f.log, (Log{"page 3 only -1", "pages 2 and 3 -1", "every page -1", "page 3 only 0000ff",
                        "pages 2 and 3 0000ff", "every page -1"}));
  EXPECT_EQ(info.overrideColor, -1);

  // A current page beyond the pages shows only what every page shows.
  f.log.clear();
  EXPECT_TRUE(f.PaintScreen(info, 65535));
  EXPECT_EQ(f.log, (Log{"page 3 only 0000ff", "pages 2 and 3 0000ff", "every page -1"}));
}

TEST(SheetPainter, LevelsDecideVisibilityPrintabilityAndColour) {
  Fixture f;
  f.levels[1]->visible = 0;
  f.levels[2]->printable = 0;
  f.levels[2]->color = 0x00FF00;
  f.AddProbe("plain")->SetLevel(0);
  f.AddProbe("hidden level")->SetLevel(1);
  f.AddProbe("green unprintable")->SetLevel(2);

  cDrawInfo info;
  EXPECT_TRUE(f.PaintScreen(info));
  // The screen shows non-printable levels, in their colour.
  EXPECT_EQ(f.log, (Log{"plain -1", "green unprintable 00ff00"}));

  f.log.clear();
  EXPECT_TRUE(f.PaintPrint(info, true, true));
  EXPECT_EQ(f.log, (Log{"plain -1"}));

  // Drawing hidden and non-printable levels too; level colours only when
  // asked for.
  f.log.clear();
  EXPECT_TRUE(PaintObjectChain(&f.sheet.Data()->Levels(), f.sheet.Data(), &f.sheet.TopBlock(), &f.sheet.Drawing(),
                               0, info,
                               {.levelColorsWhenPrinting = false, .drawNonPrintable = true, .drawHidden = true}));
  EXPECT_EQ(f.log, (Log{"plain -1", "hidden level -1", "green unprintable -1"}));

  // Without a level table levels do not count; without the override the
  // override colour is not touched.
  f.log.clear();
  info.mapping.outputMode = OutputMode::Screen;
  EXPECT_TRUE(PaintObjectChain(nullptr, f.sheet.Data(), &f.sheet.TopBlock(), nullptr, 0, info,
                               {.overrideOn = false}));
  EXPECT_EQ(f.log, (Log{"plain -1", "hidden level -1", "green unprintable -1"}));
}

TEST(SheetPainter, PageColourWinsOverLevelColour) {
  Fixture f;
  f.AddPages({PageRecord{0, 0x00FFFF, WString(u"1")}, PageRecord{0, 0, WString(u"2")}});
  f.sheet.Drawing().GetPage(1)->color = 0x80000000u;
  f.levels[2]->color = 0x00FF00;
  for (std::uint16_t page : {1, 2}) {
    Probe* p = f.AddProbe("on " + std::to_string(page));
    p->SetLevel(2);
    p->SetPage(std::uint16_t(page - 1));  // ids are page indexes
  }
  cDrawInfo info;
  EXPECT_TRUE(f.PaintScreen(info, 0));
  EXPECT_TRUE(f.PaintScreen(info, 1));
  EXPECT_EQ(f.log, (Log{"on 1 00ffff", "on 2 00ff00"}));
}

TEST(SheetPainter, BlackAndWhitePrintingPaintsEverythingBlack) {
  Fixture f;
  f.levels[2]->color = 0x00FF00;
  f.AddProbe("plain");
  f.AddProbe("green")->SetLevel(2);
  cDrawInfo info;
  info.colorMode = kColorModeBlackWhite;
  EXPECT_TRUE(f.PaintPrint(info, true, true));
  EXPECT_EQ(f.log, (Log{"plain 000000", "green 000000"}));
  // On the screen the mode does not turn colours black.
  f.log.clear();
  info.mapping.outputMode = OutputMode::Screen;
  EXPECT_TRUE(f.PaintScreen(info));
  EXPECT_EQ(f.log, (Log{"plain -1", "green 00ff00"}));
}

TEST(SheetPainter, InsertsAreOpenedIntoTheirVisibleChildren) {
  Fixture f;
  f.levels[1]->visible = 0;
  ProbeInsert* insert = f.AddInsert("insert");
  insert->SetLevel(1);  // on a hidden level
  insert->AddChild(new Probe("visible child", f.log))->SetLevel(0);
  insert->AddChild(new Probe("hidden-level child", f.log))->SetLevel(1);
  insert->AddChild(new Probe("connection point", f.log, {0, 0, 1, 1}, kTypeConPoint));
  insert->AddChild(new Probe("far child", f.log, {5000, 5000, 5001, 5001}));
  insert->children.Add(nullptr);
  insert->AddChild(new Probe("green child", f.log))->SetLevel(2);
  f.levels[2]->color = 0x00FF00;

  cDrawInfo info;
  EXPECT_TRUE(f.PaintScreen(info));
  EXPECT_EQ(f.log, (Log{"visible child -1", "green child 00ff00"}));
  EXPECT_EQ(info.overrideColor, -1);
}

TEST(SheetPainter, InsertWithoutChildrenCountsAsNothingDrawn) {
  Fixture f;
  f.AddInsert("empty insert");
  cDrawInfo info;
  EXPECT_FALSE(f.PaintScreen(info));
  EXPECT_TRUE(f.log.empty());
}

TEST(SheetPainter, DrawsRealObjectsOntoTheRecordingDevice) {
  Fixture f;
  f.levels[2]->color = 0xFF0000;  // blue
  auto addLine = [&](DPoint a, DPoint b, std::uint16_t level) {
    auto* line = new cLine();
    line->start = a;
    line->end = b;
    line->SetLevel(level);
    ObjectChain chain;
    chain.Append(line);
    f.sheet.TopBlock().AppendChain(std::move(chain));
  };
  addLine({0, 0}, {10, 0}, 0);
  addLine({0, 0}, {0, 10}, 2);
  addLine({3000, 0}, {3100, 0}, 0);  // outside the view
  addLine({1, 1}, {2, 2}, 0);

  RecordingDC dc;
  {
    cDrawInfo info(WorldMapping{}, f.sheet.Data(), &dc);
    dc.Clear();
    EXPECT_TRUE(f.PaintScreen(info));
  }
  EXPECT_EQ(dc.calls, (Log{"SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))", "Polyline (0,0) (40,0)",
                           "SelectObject pen(PS_SOLID geometric 1 RGB(0,0,255))", "Polyline (0,0) (0,40)",
                           "SelectObject pen(PS_SOLID geometric 1 RGB(0,0,0))", "Polyline (4,4) (8,8)",
                           // the context ends: font, pen, brush, then the device's modes
                           "SelectObject " + DescribeFont(StockFont(kSystemFont)),
                           "SelectObject " + DescribePen(StockPen(kBlackPen)),
                           "SelectObject " + DescribeBrush(StockBrush(kWhiteBrush)), "SetPolyFillMode ALTERNATE",
                           "SetMapMode MM_TEXT", "SetROP2 R2_COPYPEN", "SetBkMode OPAQUE",
                           "SetTextAlign TA_LEFT|TA_TOP", "SetBkColor RGB(255,255,255)", "SetTextColor RGB(0,0,0)"}));
}

// ---- the object-list painter -----------------------------------------------------------

TEST(ObjectListPainter, DrawsWhatMeetsTheClipAndRunsTheOutlinePass) {
  Log log;
  Probe inside("inside", log);
  Probe far("far", log, {9000, 0, 9001, 1});
  Probe point("connection point", log, {0, 0, 1, 1}, kTypeConPoint);
  Probe generated("generated", log);
  generated.SetFlag(kFlagGenerated);
  cOutObj* list[] = {&inside, nullptr, &far, &point, &generated};

  WorldMapping m;
  m.SetDeviceClip({0, 0, 100, 100});  // world (-0.5, -0.5) to (25.5, 25.5)
  cDrawInfo mapping(m);
  cDrawInfo drawing;
  drawing.overrideColor = 0x0000FF;
  DrawObjectList(list, mapping, &drawing, 0);
  EXPECT_EQ(log, (Log{"inside 0000ff", "generated 0000ff"}));

  // The outline pass skips generated objects and draws nothing without a
  // drawing context.
  log.clear();
  DrawObjectList(list, mapping, nullptr, 9);
  EXPECT_EQ(log, (Log{"outline inside 9"}));
}

TEST(ObjectListPainter, RecolouredAreasAreDrawnThroughACopy) {
  cCircle area;
  area.p2 = {2, 2};
  area.fill.fillColor = 0x0000FF;
  area.SetFlag(kFlagRecoloured);
  cCircle unfilled;
  unfilled.p2 = {2, 2};
  unfilled.SetFlag(kFlagRecoloured);
  cCircle plain;
  plain.p2 = {2, 2};
  plain.fill.fillColor = 0x0000FF;
  cOutObj* list[] = {&area, &unfilled, &plain};

  cDrawInfo mapping;
  test::RecordingDrawInfo drawing;
  drawing.logColors = true;
  // Under an override colour the area keeps a white fill.
  drawing.overrideColor = 0x00FF00;
  DrawObjectList(list, mapping, &drawing, 0);
  // In grey mode it takes its grey; without either it is drawn as it is.
  drawing.overrideColor = -1;
  drawing.colorMode = kColorModeGrey;
  DrawObjectList(list, mapping, &drawing, 0);
  drawing.colorMode = kColorModeColor;
  DrawObjectList(list, mapping, &drawing, 0);
  const std::string box = "DrawEllipseShape (0,0)(2,2) type 3 ";
  EXPECT_EQ(drawing.calls,
            (Log{box + "override=0x00ff00 fill=0xffffff", box + "override=0x00ff00 fill=0x80000000",
                 box + "override=0x00ff00 fill=0x0000ff", box + "override=-1 fill=0x808080",
                 box + "override=-1 fill=0x80000000", box + "override=-1 fill=0x0000ff",
                 box + "override=-1 fill=0x0000ff", box + "override=-1 fill=0x80000000",
                 box + "override=-1 fill=0x0000ff"}));
  // The originals are untouched.
  EXPECT_EQ(area.fill.fillColor, 0x0000FFu);
}

}  // namespace
}  // namespace kvn
