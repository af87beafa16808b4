// The sheet painter with the drawing's extent index against the plain walk
// of the chain: a seeded random drawing of lines, circles, filled and
// hatched rectangles, polygons and block inserts (turned, mirrored, some
// with children on a hidden level), on two pages and three levels, with
// hidden objects among them, painted at random zooms and positions both
// ways. Pixels and the painter's answer must be the same, and the index
// must have done the work in most of the views (a test of the fast road,
// not of its fallback).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/WorldMapping.h"
#include "model/cBlock.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 240;

// A block of a line, a hatched rectangle and a circle on level 2 (hidden).
std::uint32_t AddBlock(cDrawingData& data) {
  ObjectChain chain;
  auto* l = new cLine();
  l->start = {0, 0};
  l->end = {12, 4};
  chain.Append(l);
  auto* r = new cRectangle();
  r->corner1 = {2, 2};
  r->corner2 = {9, 7};
  r->fill.fillColor = 0x0040C0E0;
  r->fill.hatchKind = 6;
  chain.Append(r);
  auto* c = new cCircle();
  c->p1 = {5, 5};
  c->p2 = {8, 8};
  c->SetLevel(2);
  chain.Append(c);
  auto* block = new cBlock();
  block->AppendChain(std::move(chain));
  return data.AddBlock(block);
}

void FillDrawing(cSheet& sheet, std::mt19937& rng, int count) {
  cDrawingData& data = *sheet.Data();
  for (const char16_t* name : {u"one", u"two", u"hidden"}) data.Levels().InsertLevel(WString(name), nullptr, 0xFFFFFFFF);
  data.Levels().GetLevel(2)->visible = 0;
  sheet.Drawing().AppendPage(PageRecord{0, kPageNoColor, WString(u"A")});
  sheet.Drawing().AppendPage(PageRecord{0, 0x000000C0, WString(u"B")});
  const std::uint32_t block = AddBlock(data);
  std::uniform_real_distribution<double> pos(0.0, 2000.0), size(0.5, 40.0), unit(0.0, 1.0);
  ObjectChain chain;
  for (int i = 0; i < count; ++i) {
    const double x = pos(rng), y = pos(rng), w = size(rng), h = size(rng), kind = unit(rng);
    cOutObj* object = nullptr;
    if (kind < 0.45) {
      auto* l = new cLine();
      l->start = {x, y};
      l->end = {x + w, y + (unit(rng) < 0.5 ? 0 : h)};
      l->stroke.width = unit(rng) < 0.2 ? 3.0 : 0.25;
      l->stroke.color = std::uint32_t(rng()) & 0xFFFFFF;
      object = l;
    } else if (kind < 0.6) {
      auto* c = new cCircle();
      c->p1 = {x, y};
      c->p2 = {x + w, y + w};
      object = c;
    } else if (kind < 0.8) {
      auto* r = new cRectangle();
      r->corner1 = {x, y};
      r->corner2 = {x + w, y + h};
      r->fill.fillColor = std::uint32_t(rng()) & 0xFFFFFF;
      if (unit(rng) < 0.3) r->fill.hatchKind = 3;
      object = r;
    } else if (kind < 0.9) {
      auto* p = new cPolygon();
      const DPoint pts[] = {{x, y}, {x + w, y + h / 2}, {x + w / 3, y + h}};
      p->FirstList().SetPoints(pts, 3);
      object = p;
    } else {
      auto* in = new cInsert();
      in->blockIndex = block;
      in->point = {x, y};
      in->angle = unit(rng) * 360.0;
      in->scale = {unit(rng) < 0.5 ? -2.0 : 2.0, 2.0};
      object = in;
    }
    object->SetLevel(std::uint16_t(rng() % 3));
    if (unit(rng) < 0.05) object->SetFlag(kFlagHidden);
    const double page = unit(rng);
    object->SetPage(page < 0.4 ? 0 : page < 0.8 ? 1 : kAllPages);
    chain.Append(object);
  }
  // One long line across everything: kept apart from the grid.
  auto* across = new cLine();
  across->start = {-10, 1000};
  across->end = {2010, 1010};
  chain.Append(across);
  sheet.TopBlock().AppendChain(std::move(chain));
}

struct Paint {
  std::vector<std::uint32_t> pixels;
  bool drawn = false;
};

Paint PaintOnce(cSheet& sheet, const WorldMapping& m, std::uint16_t page, bool index) {
  cRasterSurface surface(false);
  EXPECT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  cDrawInfo info(m, sheet.Data(), surface.DC(), &surface);
  Paint p;
  PaintChainOptions options;
  options.useExtentIndex = index;
  p.drawn = PaintSheetPage(sheet, page, info, options);
  surface.Flush();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) p.pixels.push_back(*surface.PixelAt(x, y));
  return p;
}

TEST(ExtentIndexRoad, SamePixelsAsTheWalkOfTheWholeChain) {
  std::mt19937 rng(3434);
  cSheet sheet;
  FillDrawing(sheet, rng, 6000);
  sheet.Drawing().Summary();
  const ObjectExtentIndex* index = sheet.Drawing().ExtentIndex();
  ASSERT_NE(index, nullptr);
  ASSERT_TRUE(index->HasGrid());

  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int answered = 0;
  std::vector<std::uint32_t> positions;
  for (int round = 0; round < 40; ++round) {
    WorldMapping m;
    // From the whole drawing in view to a few drawing units.
    m.scale = 0.04 * std::pow(2.0, unit(rng) * 10.0);
    const double cx = unit(rng) * 2000.0, cy = unit(rng) * 2000.0;
    m.offsetX = std::int32_t(kWidth / 2 - cx * m.scale * 4.0);
    m.offsetY = std::int32_t(kHeight / 2 - cy * m.scale * 4.0);
    m.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
    const std::uint16_t page = std::uint16_t(round % 2);
    const Paint fast = PaintOnce(sheet, m, page, true);
    const Paint plain = PaintOnce(sheet, m, page, false);
    ASSERT_EQ(fast.drawn, plain.drawn) << "round " << round;
    ASSERT_TRUE(fast.pixels == plain.pixels) << "round " << round << " scale " << m.scale;
    cDrawInfo probe(m, sheet.Data(), nullptr, nullptr);
    if (index->Query(probe.worldClip, positions)) ++answered;
  }
  EXPECT_GE(answered, 25);
}

TEST(ExtentIndexRoad, AChangedChainIsWalkedUntilTheIndexIsBuiltAgain) {
  std::mt19937 rng(77);
  cSheet sheet;
  FillDrawing(sheet, rng, 1000);
  sheet.Drawing().Summary();
  // A line appended in view, the drawing told: the index is gone, the walk
  // draws the line; with the summary made again the index knows it.
  WorldMapping m;
  m.scale = 1.0;
  m.offsetX = m.offsetY = 0;
  m.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  const Paint before = PaintOnce(sheet, m, 0, true);
  auto* line = new cLine();
  line->start = {5, 5};
  line->end = {50, 40};
  line->stroke.width = 2.0;
  line->SetPage(kAllPages);
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
  sheet.Drawing().MarkModified();
  EXPECT_EQ(sheet.Drawing().ExtentIndex(), nullptr);
  const Paint walked = PaintOnce(sheet, m, 0, true);
  EXPECT_FALSE(walked.pixels == before.pixels);
  sheet.Drawing().Summary();
  EXPECT_TRUE(PaintOnce(sheet, m, 0, true).pixels == walked.pixels);
}

TEST(ExtentIndexRoad, AnObjectMarkedChangedIsTestedByItsNewExtent) {
  // Most of the drawing in view: the index declines and the chain is
  // walked with the stored extents. A line moved from outside the view into
  // it and marked dirty, the drawing not told: its stored extent is not
  // trusted, so it shows as on the plain walk.
  std::mt19937 rng(5);
  cSheet sheet;
  FillDrawing(sheet, rng, 2000);
  auto* line = new cLine();
  line->start = {1900, 1900};
  line->end = {1950, 1950};
  line->stroke.width = 4.0;
  line->SetPage(kAllPages);
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
  sheet.Drawing().Summary();
  WorldMapping m;
  m.scale = 0.04;  // 0.16 pixels a unit: 2000 x 1500 units across the view
  m.offsetX = m.offsetY = 0;
  m.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  std::vector<std::uint32_t> positions;
  const cDrawInfo probe(m, sheet.Data(), nullptr, nullptr);
  ASSERT_FALSE(sheet.Drawing().ExtentIndex()->Query(probe.worldClip, positions));
  ASSERT_LT(probe.worldClip.y2, 1900.0);
  const Paint before = PaintOnce(sheet, m, 0, true);
  line->start = {100, 100};
  line->end = {1000, 1200};
  line->MarkDirty();
  const Paint fast = PaintOnce(sheet, m, 0, true);
  EXPECT_FALSE(fast.pixels == before.pixels);
  EXPECT_TRUE(fast.pixels == PaintOnce(sheet, m, 0, false).pixels);
}

}  // namespace
}  // namespace kvn
