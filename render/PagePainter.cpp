#include "render/PagePainter.h"

#include <algorithm>
#include <cmath>

#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "model/WorldMapping.h"
#include "model/cDrawingData.h"
#include "render/DashedLines.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

// The dash pattern of the tile lines, in pixels: 3 drawn, 3 skipped.
constexpr std::int32_t kTileDashes[2] = {3, -3};

// Tile lines of one axis: vertical lines at world x (vertical = true) from
// the page's top to its bottom, or horizontal lines at world y. `visible`
// is the world span of the paint rectangle on that axis.
void DrawTileLines(cRasterSurface& surface, const WorldMapping& mapping, bool vertical, double start,
                   double printable, double tile, double visibleLow, double visibleHigh, const PagePixelBox& page,
                   COLORREF color) {
  const TileLineRange range = VisibleTileLines(start, printable, tile, visibleLow, visibleHigh);
  if (range.Empty()) return;

  // The run along the line, limited to the clip so that its length fits 32
  // bits whatever the zoom.
  const TRect& clip = surface.Clip();
  const std::int64_t from = std::max(vertical ? page.top : page.left, std::int64_t(vertical ? clip.top : clip.left));
  const std::int64_t to =
      std::min((vertical ? page.bottom : page.right) + 1, std::int64_t(vertical ? clip.bottom : clip.right));
  if (from >= to) return;
  // The pattern starts at the page's edge, so that it moves with the page
  // when the window scrolls and the strip painted afterwards joins the
  // pixels that were moved.
  const std::int32_t phase = std::int32_t(vertical ? page.top : page.left);

  // Lines closer together than a pixel: no more lines than the paint
  // rectangle has pixels across, evenly spread, instead of billions.
  const double count = range.last - range.first + 1.0;
  const double budget = double(vertical ? clip.right - clip.left : clip.bottom - clip.top) + 2.0;
  const double step = count > budget ? std::ceil(count / budget) : 1.0;
  const std::int64_t lines = std::int64_t(std::min(count, budget));
  // From the last line to the first.
  for (std::int64_t k = 0; k < lines; ++k) {
    const double i = range.last - double(k) * step;
    if (i < range.first) break;
    const double world = start + i * tile;
    if (vertical) {
      DrawDashedVLine(surface, mapping.ToDeviceX(world), std::int32_t(from), std::int32_t(to - from), color,
                      kTileDashes, 2, phase);
    } else {
      DrawDashedHLine(surface, std::int32_t(from), mapping.ToDeviceY(world), std::int32_t(to - from), color,
                      kTileDashes, 2, phase);
    }
  }
}

}  // namespace

COLORREF EffectiveFrameColor(const PagePaintColors& colors) {
  if ((colors.frame & 0xFFFFFFu) == (colors.background & 0xFFFFFFu)) return ~colors.background & 0xFFFFFFu;
  return colors.frame;
}

bool IsDarkBackground(COLORREF background) {
  const std::uint32_t r = background & 0xFF, g = (background >> 8) & 0xFF, b = (background >> 16) & 0xFF;
  return std::min({r, g, b}) + std::max({r, g, b}) < 256;
}

TileLineRange VisibleTileLines(double start, double printable, double tile, double visibleLow, double visibleHigh) {
  TileLineRange range;
  if (!std::isfinite(start) || !std::isfinite(printable) || !std::isfinite(tile) || tile == 0.0) return range;
  const double ratio = printable / tile;
  if (!(ratio >= 1.0 - 1e-9) || !std::isfinite(ratio)) return range;
  const double whole = std::floor(ratio * (1.0 + 1e-9));
  // Lines at start + i x tile inside [visibleLow, visibleHigh].
  const double a = (visibleLow - start) / tile;
  const double b = (visibleHigh - start) / tile;
  if (std::isnan(a) || std::isnan(b)) return range;
  range.first = std::max(1.0, std::ceil(std::min(a, b)));
  range.last = std::min(whole, std::floor(std::max(a, b)));
  return range;
}

PagePixelBox PageRectangle(const WorldMapping& mapping, const DRect& area) {
  const DevicePoint a = WorldToDevice(mapping, DPoint{area.x1, area.y1});
  const DevicePoint b = WorldToDevice(mapping, DPoint{area.x2, area.y2});
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

void PaintOutsideArea(cRasterSurface& surface, const PagePixelBox& page, const TRect& client, COLORREF outside) {
  const PagePixelBox& p = page;
  // The client widened by a pixel; each outside strip is limited to it.
  const PagePixelBox r{std::int64_t(client.left) - 1, std::int64_t(client.top) - 1, std::int64_t(client.right) + 1,
                       std::int64_t(client.bottom) + 1};
  const std::uint32_t pixel = ColorrefToPixel(outside);
  surface.FillBox(r.left, r.top, std::min(p.left, r.right), r.bottom, pixel);
  surface.FillBox(std::max(p.right + 1, r.left), r.top, r.right, r.bottom, pixel);
  surface.FillBox(r.left, r.top, r.right, std::min(p.top, r.bottom), pixel);
  surface.FillBox(r.left, std::max(p.bottom + 1, r.top), r.right, r.bottom, pixel);
}

void PaintPageFrame(cRasterSurface& surface, const PagePixelBox& page, COLORREF frame) {
  const PagePixelBox& p = page;
  const std::uint32_t pixel = ColorrefToPixel(frame);
  surface.FillBox(p.left, p.top, p.left + 1, p.bottom + 1, pixel);
  surface.FillBox(p.right, p.top, p.right + 1, p.bottom + 1, pixel);
  surface.FillBox(p.left, p.top, p.right + 1, p.top + 1, pixel);
  surface.FillBox(p.left, p.bottom, p.right + 1, p.bottom + 1, pixel);
}

void PaintTileLines(cRasterSurface& surface, const WorldMapping& mapping, const cDrawing& drawing,
                    const PagePixelBox& page, COLORREF color) {
  double tileWidth = 0.0, tileHeight = 0.0;
  drawing.GetPrintableSize(tileWidth, tileHeight);
  if (tileWidth == 0.0 || tileHeight == 0.0 || std::isnan(tileWidth) || std::isnan(tileHeight)) return;
  const DRect area = drawing.GetPrintableArea();
  // The world span of the clip (the paint rectangle within the surface), a
  // pixel wider on each side.
  const TRect& clip = surface.Clip();
  const DPoint a = mapping.DeviceToWorld({clip.left - 1, clip.top - 1});
  const DPoint b = mapping.DeviceToWorld({clip.right + 1, clip.bottom + 1});
  DrawTileLines(surface, mapping, true, area.x1, area.x2 - area.x1, tileWidth, std::min(a.x, b.x), std::max(a.x, b.x),
                page, color);
  DrawTileLines(surface, mapping, false, area.y1, area.y2 - area.y1, tileHeight, std::min(a.y, b.y),
                std::max(a.y, b.y), page, color);
}

void PaintPageArea(cRasterSurface& surface, const WorldMapping& mapping, const cDrawing* drawing,
                   const TRect& client, const TRect& paint, const PagePaintColors& colors) {
  const std::uint32_t background = ColorrefToPixel(colors.background);
  if (drawing == nullptr || drawing->HasNoFormat()) {
    surface.FillBox(paint.left, paint.top, paint.right, paint.bottom, background);
    return;
  }
  const PagePixelBox page = PageRectangle(mapping, drawing->GetPrintableArea());
  PaintOutsideArea(surface, page, client, colors.outside);
  surface.FillBox(page.left, page.top, page.right + 1, page.bottom + 1, background);
  const COLORREF frame = EffectiveFrameColor(colors);
  PaintPageFrame(surface, page, frame);
  PaintTileLines(surface, mapping, *drawing, page, frame);
}

bool PaintSheetPage(cSheet& sheet, std::uint16_t page, cDrawInfo& info, const PaintChainOptions& options) {
  cDrawing& drawing = sheet.Drawing();
  cDrawingData* data = sheet.Data();
  return PaintObjectChain(&data->Levels(), data, drawing.TopBlock(), &drawing, page, info, options);
}

}  // namespace kvn
