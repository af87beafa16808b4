// A page of block inserts through the sheet painter: plain, turned and
// recoloured, mirrored, nested two deep, mirrored-turned with a fixed width,
// and a patterned line whose symbol holds an insert; against a reviewed
// picture on the raster surface, and as the recording device sees it on the
// direct-printer road (where the blank-out rectangle paints nothing).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "model/cBlock.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/PenCache.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;

cLine* Line(DPoint a, DPoint b, double width = 0.3) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->stroke.width = width;
  line->SetLevel(kNoLevel);
  line->MarkDirty();
  return line;
}

cInsert* Insert(std::uint32_t block, DPoint at, DPoint scale = {1, 1}, double angle = 0) {
  auto* insert = new cInsert();
  insert->blockIndex = block;
  insert->point = at;
  insert->scale = scale;
  insert->angle = angle;
  return insert;
}

std::uint32_t AddBlock(cDrawingData& data, std::initializer_list<cOutObj*> objects) {
  auto* block = new cBlock();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data.AddBlock(block);
}

struct InsertPage {
  InsertPage() {
    InstallRendererGeometryServices();
    ResetPenCache();
    data.Levels().InsertLevel(u"0", nullptr, 0);
    // Block 0, a lamp: a yellow disc with a cross.
    auto* disc = new cCircle();
    disc->p1 = {-3, -3};
    disc->p2 = {3, 3};
    disc->stroke.width = 0.3;
    disc->fill.fillColor = 0x0000FFFF;
    disc->SetLevel(kNoLevel);
    const std::uint32_t lamp =
        AddBlock(data, {disc, Line({-2.1, -2.1}, {2.1, 2.1}), Line({-2.1, 2.1}, {2.1, -2.1})});
    // Block 1, a switch feeding a lamp.
    const std::uint32_t feed = AddBlock(data, {Line({0, 0}, {6, 0}), Line({6, 0}, {10, -3}), Insert(lamp, {14, 0})});
    // Block 2, two switches, the second mirrored, on a bus: lamps two deep.
    const std::uint32_t circuit =
        AddBlock(data, {Line({-2, -4}, {-2, 14}, 0.6), Insert(feed, {0, 0}), Insert(feed, {0, 10}, {1, -1})});

    cInsert* turned = Insert(feed, {25, 10}, {1, 1}, 30);
    turned->color = 0x000000FF;
    cInsert* fixed = Insert(circuit, {80, 25}, {-1.2, 1.2}, -90);
    fixed->color = 0x00FF0000;
    fixed->widthMode = 1;
    fixed->widthValue = 0.8;
    cInsert* blanked = Insert(lamp, {105, 10}, {1.5, 1.5});
    blanked->blankOut = 1;
    ObjectChain top;
    // A line under the blanked lamp's rectangle, outside its disc: the
    // blank-out covers it on screen.
    top.Append(Line({95, 14}, {115, 14}, 0.5));
    for (cOutObj* o : {static_cast<cOutObj*>(Insert(lamp, {10, 10})), static_cast<cOutObj*>(turned),
                       static_cast<cOutObj*>(Insert(feed, {70, 10}, {-1, 1})),
                       static_cast<cOutObj*>(Insert(circuit, {10, 35}, {1.5, 1.5})), static_cast<cOutObj*>(fixed),
                       static_cast<cOutObj*>(blanked)}) {
      o->SetLevel(0);
      top.Append(o);
    }
    // A patterned line whose symbol is an insert of the lamp at half size.
    auto style = std::make_unique<cStyleLine>();
    style->hasSymbol = 1;
    style->lineType = 1;
    style->width = 0.2;
    style->repeatLength = 6;
    style->startOffset = 12;
    style->symbol.Append(Insert(lamp, {0, 0}, {0.5, 0.5}));
    const std::uint16_t styleIndex = data.LineStyles().Add(std::move(style));
    cLine* patterned = Line({10, 70}, {110, 70});
    patterned->SetTypeByteSourceBits(kTypeStyledStroke);
    patterned->stroke.lineStyle = styleIndex;
    patterned->SetLevel(0);
    top.Append(patterned);
    page.AppendChain(std::move(top));
  }
  bool Paint(cDrawInfo& info) {
    return PaintObjectChain(&data.Levels(), &data, &page, nullptr, 0, info);
  }
  cDrawingData data;
  cBlock page;
};

TEST(InsertGolden, APageOfNestedMirroredAndRecolouredInserts) {
  InsertPage p;
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.SetAntiAliasMode(1);
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  WorldMapping m;
  m.scale = 1.0;
  m.deviceClip = {0, 0, kWidth, kHeight};
  {
    cDrawInfo info(m, &p.data, nullptr, &surface);
    EXPECT_TRUE(p.Paint(info));
  }
  surface.Flush();
  test::Picture picture{kWidth, kHeight, {}};
  int red = 0, blue = 0, yellow = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t px = *surface.PixelAt(x, y) & 0xFFFFFF;
      picture.pixels.push_back(px);
      red += px == 0xFF0000;
      blue += px == 0x0000FF;
      yellow += px == 0xFFFF00;
    }
  }
  // Recoloured children: the turned switch's lamp disc is red, the circuit's
  // blue; the others keep their yellow discs.
  EXPECT_GT(red, 200);
  EXPECT_GT(blue, 400);
  EXPECT_GT(yellow, 400);
  // The blank-out rectangle (the lamp's strokes, x 100.5 to 109.5) covers
  // the line under it beside the disc (device 4 per unit: the line at y 56
  // from x 380 to 460), and is painted before the lamp, not over it.
  EXPECT_EQ(picture.At(404, 56), 0xFFFFFFu);
  EXPECT_NE(picture.At(390, 56), 0xFFFFFFu) << "outside the rectangle the line stays";
  EXPECT_EQ(picture.At(412, 40), 0xFFFF00u) << "the blanked lamp's own disc is drawn";
  test::ExpectMatchesGolden(picture, "inserts_page", 8);
}

TEST(InsertGolden, DirectPrinterRoadDrawsEveryChildAndNoBlankOut) {
  InsertPage p;
  RecordingDC dc;
  WorldMapping m;
  m.scale = 1.0;
  m.outputMode = OutputMode::DirectPrinter;
  m.deviceClip = {0, 0, kWidth, kHeight};
  cDrawInfo info(m, &p.data, &dc, nullptr);
  EXPECT_TRUE(p.Paint(info));
  const std::string log = dc.Text();
  SCOPED_TRACE(log);
  // Lamps: 1 + 1 (turned) + 1 (mirrored) + 2 (circuit) + 2 (fixed circuit)
  // + 1 (blanked) + symbols along the patterned line; each disc one ellipse
  // path filled, each cross two lines. The recoloured ones carry their pens.
  EXPECT_NE(log.find("RGB(255,0,0)"), std::string::npos);
  EXPECT_NE(log.find("RGB(0,0,255)"), std::string::npos);
  EXPECT_NE(log.find("pen(PS_SOLID geometric 3 RGB(0,0,255))"), std::string::npos) << "the fixed width 0.8";
  EXPECT_EQ(log.find("brush(BS_SOLID RGB(255,255,255))"), std::string::npos)
      << "the blank-out rectangle paints only on screen";
  // Eight lamps and eight symbols along the patterned line: 16 discs.
  EXPECT_EQ(std::count(dc.calls.begin(), dc.calls.end(), std::string("FillPath")), 16);
}

}  // namespace
}  // namespace kvn
