#include "app/VectorWindowPaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "model/cDrawingData.h"
#include "render/DashedLines.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"

namespace kvn {

namespace {

// The dash pattern of the tile lines, in pixels: 3 drawn, 3 skipped.
constexpr std::int32_t kTileDashes[2] = {3, -3};

// What InvalidateWorldRect adds around a changed rectangle, in pixels.
constexpr std::int64_t kInvalidMargin = 12;

// A rectangle of pixels with 64-bit edges, right and bottom inclusive, so
// that edges saturated at the ends of the 32-bit range can be widened and
// compared without overflow.
struct PixelBox {
  std::int64_t left, top, right, bottom;
};

PixelBox PageBox(const WorldMapping& mapping, const DRect& area) {
  const DevicePoint a = WorldToDevice(mapping, DPoint{area.x1, area.y1});
  const DevicePoint b = WorldToDevice(mapping, DPoint{area.x2, area.y2});
  // Normalised: margins wider than the format give a printable area whose
  // far corner lies before its origin.
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Tile lines of one axis: vertical lines at world x (vertical = true) from
// the page's top to its bottom, or horizontal lines at world y. `visible`
// is the world span of the paint rectangle on that axis.
void DrawTileLines(cRasterSurface& surface, const WorldMapping& mapping, bool vertical, double start,
                   double printable, double tile, double visibleLow, double visibleHigh, const PixelBox& page,
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

void RenderDrawingPage(const WorldMapping& mapping, cSheet* sheet, std::uint16_t page, const TRect& client,
                       const TRect& paint, TDC* dc, cRasterSurface& surface, const PagePaintColors& colors) {
  cDrawing* drawing = sheet ? &sheet->Drawing() : nullptr;
  cDrawingData* data = sheet ? sheet->Data() : nullptr;
  cDrawInfo info(mapping, data, dc, &surface);
  info.darkBackground = IsDarkBackground(colors.background) ? 1 : 0;

  const std::uint32_t background = ColorrefToPixel(colors.background);
  if (drawing == nullptr || drawing->HasNoFormat()) {
    surface.FillBox(paint.left, paint.top, paint.right, paint.bottom, background);
  } else {
    const DRect area = drawing->GetPrintableArea();
    const PixelBox p = PageBox(mapping, area);
    // The client widened by a pixel; each outside strip is limited to it.
    const PixelBox r{std::int64_t(client.left) - 1, std::int64_t(client.top) - 1, std::int64_t(client.right) + 1,
                     std::int64_t(client.bottom) + 1};
    const std::uint32_t outside = ColorrefToPixel(colors.outside);
    surface.FillBox(r.left, r.top, std::min(p.left, r.right), r.bottom, outside);
    surface.FillBox(std::max(p.right + 1, r.left), r.top, r.right, r.bottom, outside);
    surface.FillBox(r.left, r.top, r.right, std::min(p.top, r.bottom), outside);
    surface.FillBox(r.left, std::max(p.bottom + 1, r.top), r.right, r.bottom, outside);

    surface.FillBox(p.left, p.top, p.right + 1, p.bottom + 1, background);

    const COLORREF frame = EffectiveFrameColor(colors);
    const std::uint32_t framePixel = ColorrefToPixel(frame);
    surface.FillBox(p.left, p.top, p.left + 1, p.bottom + 1, framePixel);
    surface.FillBox(p.right, p.top, p.right + 1, p.bottom + 1, framePixel);
    surface.FillBox(p.left, p.top, p.right + 1, p.top + 1, framePixel);
    surface.FillBox(p.left, p.bottom, p.right + 1, p.bottom + 1, framePixel);

    double tileWidth = 0.0, tileHeight = 0.0;
    drawing->GetPrintableSize(tileWidth, tileHeight);
    if (tileWidth != 0.0 && tileHeight != 0.0 && !std::isnan(tileWidth) && !std::isnan(tileHeight)) {
      // The world span of the clip (the paint rectangle within the
      // surface), a pixel wider on each side.
      const TRect& clip = surface.Clip();
      const DPoint a = mapping.DeviceToWorld({clip.left - 1, clip.top - 1});
      const DPoint b = mapping.DeviceToWorld({clip.right + 1, clip.bottom + 1});
      DrawTileLines(surface, mapping, true, area.x1, area.x2 - area.x1, tileWidth, std::min(a.x, b.x),
                    std::max(a.x, b.x), p, frame);
      DrawTileLines(surface, mapping, false, area.y1, area.y2 - area.y1, tileHeight, std::min(a.y, b.y),
                    std::max(a.y, b.y), p, frame);
    }
  }

  if (sheet != nullptr) {
    PaintObjectChain(&data->Levels(), data, drawing->TopBlock(), drawing, page, info);
  }
}

void BlitSurfaceToCairo(const cRasterSurface& surface, cairo_t* target) {
  if (target == nullptr) return;
  const RasterBlitSource source = surface.BlitSource();
  if (!source.pixels.IsValid()) return;
  // Cairo reads the pixels only while the fill runs; the image never
  // outlives this call (finished before it is released).
  cairo_surface_t* image = cairo_image_surface_create_for_data(
      const_cast<unsigned char*>(source.pixels.bits), CAIRO_FORMAT_RGB24, source.pixels.width, source.pixels.height,
      source.pixels.stride);
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    const TRect& a = source.area;
    cairo_save(target);
    cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(target, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(target), CAIRO_FILTER_NEAREST);
    cairo_new_path(target);
    cairo_rectangle(target, a.left, a.top, double(a.right - a.left), double(a.bottom - a.top));
    cairo_fill(target);
    cairo_restore(target);
  }
  cairo_surface_finish(image);
  cairo_surface_destroy(image);
}

void WindowBlitter::Blit(const cRasterSurface& surface, cairo_t* target) {
  if (target == nullptr) return;
  cairo_surface_t* destination = cairo_get_group_target(target);
  if (cairo_surface_get_type(destination) == CAIRO_SURFACE_TYPE_IMAGE) {
    BlitSurfaceToCairo(surface, target);
    return;
  }
  const RasterBlitSource source = surface.BlitSource();
  if (!source.pixels.IsValid()) return;
  cairo_device_t* device = cairo_surface_get_device(destination);
  if (image_ == nullptr || device != device_ || width_ < source.pixels.width || height_ < source.pixels.height) {
    Release();
    image_ = cairo_surface_create_similar_image(destination, CAIRO_FORMAT_RGB24, source.pixels.width,
                                                source.pixels.height);
    if (cairo_surface_status(image_) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_data(image_) == nullptr ||
        cairo_image_surface_get_format(image_) != CAIRO_FORMAT_RGB24) {
      Release();
      BlitSurfaceToCairo(surface, target);
      return;
    }
    device_ = device;
    width_ = source.pixels.width;
    height_ = source.pixels.height;
  }
  // Waits until the server has read the previous paint's pixels.
  cairo_surface_flush(image_);
  std::uint8_t* bits = cairo_image_surface_get_data(image_);
  const std::size_t stride = std::size_t(cairo_image_surface_get_stride(image_));
  const TRect& a = source.area;
  const std::size_t rowBytes = std::size_t(a.right - a.left) * 4;
  for (std::int32_t y = a.top; y < a.bottom; ++y) {
    std::memcpy(bits + std::size_t(y) * stride + std::size_t(a.left) * 4,
                source.pixels.bits + std::size_t(y) * std::size_t(source.pixels.stride) + std::size_t(a.left) * 4,
                rowBytes);
  }
  cairo_surface_mark_dirty_rectangle(image_, a.left, a.top, a.right - a.left, a.bottom - a.top);
  cairo_save(target);
  cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(target, image_, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(target), CAIRO_FILTER_NEAREST);
  cairo_new_path(target);
  cairo_rectangle(target, a.left, a.top, double(a.right - a.left), double(a.bottom - a.top));
  cairo_fill(target);
  cairo_restore(target);
}

void WindowBlitter::Release() {
  if (image_ != nullptr) cairo_surface_destroy(image_);
  image_ = nullptr;
  device_ = nullptr;
  width_ = height_ = 0;
}

TRect InvalidRectForWorld(const WorldMapping& mapping, const DRect& world, const TRect& client) {
  const DevicePoint a = WorldToDevice(mapping, DPoint{world.x1, world.y1});
  const DevicePoint b = WorldToDevice(mapping, DPoint{world.x2, world.y2});
  const std::int64_t left = std::max<std::int64_t>(std::int64_t(std::min(a.x, b.x)) - kInvalidMargin, client.left);
  const std::int64_t top = std::max<std::int64_t>(std::int64_t(std::min(a.y, b.y)) - kInvalidMargin, client.top);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t(std::max(a.x, b.x)) + kInvalidMargin, client.right);
  const std::int64_t bottom =
      std::min<std::int64_t>(std::int64_t(std::max(a.y, b.y)) + kInvalidMargin, client.bottom);
  if (left >= right || top >= bottom) return TRect{};
  return TRect{std::int32_t(left), std::int32_t(top), std::int32_t(right), std::int32_t(bottom)};
}

}  // namespace kvn
