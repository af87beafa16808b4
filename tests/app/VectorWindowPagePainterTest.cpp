// Two roads to one page: the drawing window's paint and the page painter
// called directly, as the print preview calls it, must give the same
// pixels at every zoom, scroll position and paint rectangle.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 180;

std::vector<std::uint32_t> Pixels(const cRasterSurface& surface) {
  surface.Flush();
  std::vector<std::uint32_t> out;
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) out.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
  return out;
}

TEST(VectorWindowPagePainter, WindowAndPagePainterDrawTheSamePixels) {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc->GetSheet(0);
  cDrawing& drawing = sheet.Drawing();
  drawing.formatSize = {297.0, 210.0};
  drawing.formatMargins = {10.0, 10.0};
  drawing.AppendPage(PageRecord{});
  drawing.AppendPage(PageRecord{});
  for (std::uint16_t page : {0, 1}) {
    auto* line = new cLine();
    line->start = {20.0 + 40.0 * page, 30.0};
    line->end = {500.0, 300.0 - 100.0 * page};
    line->stroke.width = 1.0 + page;
    line->SetPage(PageIdOfIndex(page));
    ObjectChain chain;
    chain.Append(line);
    sheet.TopBlock().AppendChain(std::move(chain));
  }

  std::mt19937 random(11);
  const DPoint tiles[] = {{3.0, 2.0}, {2.5, 1.7}, {1.0, 1.0}};
  for (int round = 0; round < 24; ++round) {
    drawing.tiles = tiles[round % 3];
    const std::uint16_t page = std::uint16_t(round % 2);
    cVectorWindow window(doc.get(), 0, page, nullptr);
    window.Mapping().scale = 0.03 + double(random() % 1000) / 1000.0;
    window.Mapping().offsetX = std::int32_t(random() % 400) - 300;
    window.Mapping().offsetY = std::int32_t(random() % 300) - 200;
    window.SetClientRect(TRect{0, 0, kWidth, kHeight});
    const std::int32_t left = std::int32_t(random() % kWidth), top = std::int32_t(random() % kHeight);
    const TRect paint{left, top, left + 1 + std::int32_t(random() % (kWidth - left)),
                      top + 1 + std::int32_t(random() % (kHeight - top))};

    cRasterSurface byWindow(false), byPainter(false);
    for (cRasterSurface* s : {&byWindow, &byPainter}) {
      ASSERT_TRUE(s->Prepare(TRect{0, 0, kWidth, kHeight}));
      s->FillRect(0, 0, kWidth, kHeight, 0xFF00FF);
    }
    ASSERT_TRUE(window.PaintInto(byWindow, paint));

    ASSERT_TRUE(byPainter.Prepare(paint));
    byPainter.SetAntiAliasMode(1);
    cDrawInfo info(window.Mapping(), sheet.Data(), byPainter.DC(), &byPainter);
    PaintPageArea(byPainter, window.Mapping(), &drawing, TRect{0, 0, kWidth, kHeight}, paint, PagePaintColors{});
    PaintSheetPage(sheet, page, info);

    ASSERT_EQ(Pixels(byWindow), Pixels(byPainter)) << "round " << round;
  }
}

}  // namespace
}  // namespace kvn
