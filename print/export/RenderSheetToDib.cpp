#include "print/export/RenderSheetToDib.h"

#include <cmath>
#include <vector>

#include "document/cDrawing.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "print/TileAtPoint.h"
#include "render/DibConversion.h"
#include "render/DrawInfo.h"
#include "render/PagePainter.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"

namespace kvn {

std::int32_t PelsPerMeterOfResolution(double resolution) {
  return std::int32_t(std::floor(resolution * 4000.0 / 101.6 + 0.5));
}

std::unique_ptr<TDib> RenderAreaToDib24(LevelTable* levels, bool& onlyBlackWhite, double p, const DRect& area,
                                        cDrawingData* data, cBlock* top, const std::uint8_t* filter,
                                        const cDrawing* drawing, std::uint16_t page, bool monochrome,
                                        std::int32_t background, bool smoothing) {
  if (monochrome) smoothing = false;
  onlyBlackWhite = monochrome;
  const double w = std::floor(area.Width() * p + 0.5), h = std::floor(area.Height() * p + 0.5);
  if (!(w < cRasterSurface::kMaxSide && h < cRasterSurface::kMaxSide)) return nullptr;
  const std::int32_t width = std::max(1, std::int32_t(w)), height = std::max(1, std::int32_t(h));

  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, width, height})) return nullptr;
  surface.SetAntiAliasMode(smoothing ? 3 : 2);
  const COLORREF paper = background == -1 ? 0x00FFFFFFu : COLORREF(background) & 0x00FFFFFFu;
  surface.FillRectColorref(0, 0, width, height, paper);

  {
    WorldMapping mapping;
    mapping.outputMode = OutputMode::Raster;
    mapping.scale = p / 4.0;
    mapping.originX = -area.x1 * p;
    mapping.originY = -area.y1 * p;
    mapping.SetDeviceClip(DeviceRect{0, 0, width, height});
    cDrawInfo info(mapping, data, surface.DC(), &surface);
    info.colorMode = monochrome ? kColorModeBlackWhite : kColorModeColor;
    info.darkBackground = IsDarkBackground(paper) ? 1 : 0;
    PaintChainOptions options;
    options.filter = filter;
    options.levelColorsWhenPrinting = drawing == nullptr || drawing->pageFlags[0] != 0;
    options.pageColorsWhenPrinting = drawing == nullptr || drawing->pageFlags[1] != 0;
    options.overrideOn = true;
    PaintObjectChain(levels, data, top, drawing, page, info, options);
  }
  bool pure = false;
  auto dib = std::make_unique<TDib>(surface.ToDib24(&pure));
  if (dib->IsEmpty()) return nullptr;
  if (!pure) onlyBlackWhite = false;
  return dib;
}

std::unique_ptr<TDib> RenderSheetToDib(LevelTable* levels, cDrawingData* data, cBlock* top, const DRect* view,
                                       double scale, std::uint32_t bitCount, double resolution,
                                       const std::uint8_t* filter, const cDrawing* drawing, std::uint16_t page,
                                       bool grey, std::int32_t background, bool smoothing, bool collectColors,
                                       int margin, DibRenderReport* report) {
  DibRenderReport local;
  DibRenderReport& r = report ? *report : local;
  r = DibRenderReport{};
  if (!(resolution > 0.0) || !(scale > 0.0) || !std::isfinite(resolution) || !std::isfinite(scale) || top == nullptr) {
    r.failure = DibRenderFailure::NoResolution;
    return nullptr;
  }
  bool monochrome = false;
  std::uint32_t firstTarget = bitCount;
  if (grey) {
    if (bitCount == 1) {
      monochrome = true;
      smoothing = false;
    } else {
      firstTarget = 24;
    }
  } else if (bitCount == 1 || bitCount == 4) {
    smoothing = false;
  }

  const double p = 4.0 / (scale * 101.6 / resolution);
  DRect area;
  ExtentFilter extentFilter;
  extentFilter.drawingPages = drawing ? int(drawing->PageCount()) : -1;
  extentFilter.page = &page;
  extentFilter.classFilter = filter;
  top->GetFilteredExtent(extentFilter, data, area);
  if (view != nullptr && drawing != nullptr) ClipToViewTile(area, *view, *drawing);
  area.Normalize();
  area.Inflate(margin / p, margin / p);

  r.width = std::floor(area.Width() * p + 0.5);
  r.height = std::floor(area.Height() * p + 0.5);
  if (!(area.Width() * p <= kMaxDibSide && area.Height() * p <= kMaxDibSide)) {
    r.failure = DibRenderFailure::TooLarge;
    return nullptr;
  }
  // The surface's own memory limit (2^28 pixels) is the same refusal seen
  // from the other side: the picture is too large at this resolution.
  if (r.width * r.height > double(cRasterSurface::kMaxPixels)) {
    r.failure = DibRenderFailure::TooLarge;
    return nullptr;
  }

  bool onlyBlackWhite = false;
  std::unique_ptr<TDib> wide = RenderAreaToDib24(levels, onlyBlackWhite, p, area, data, top, filter, drawing, page,
                                                 monochrome, background, smoothing);
  if (!wide) {
    r.failure = DibRenderFailure::NoSurface;
    return nullptr;
  }
  const std::int32_t pels = PelsPerMeterOfResolution(resolution);
  wide->SetPelsPerMeter(pels, pels);

  std::unique_ptr<TDib> result;
  if (monochrome && onlyBlackWhite) {
    result = ConvertDibBitCount(*wide, 1, true, nullptr, std::nullopt, nullptr);
  } else {
    // A colour picture asked at 24 bits is the rendered one itself: its
    // conversion would copy it byte for byte (same header, same rows).
    if (firstTarget == 24 && !grey && wide->BitCount() == 24 && wide->Compression() == kBiRgb) {
      result = std::move(wide);
    } else {
      result = ConvertDibBitCount(*wide, firstTarget, firstTarget == 1, nullptr, grey, nullptr);
      wide.reset();
    }
    // The colours of the result itself (a grey picture's greys, not the
    // colours they came from), when fewer bits would hold them.
    std::vector<std::uint32_t> used;
    if (result && collectColors && CollectDibColors(&used, *result) &&
        PaletteSizeForBitCount(result->BitCount()) != used.size()) {
      if (auto fewer = ConvertDibBitCount(*result, 0, false, nullptr, grey, &used)) result = std::move(fewer);
    }
  }
  if (!result) r.failure = DibRenderFailure::Conversion;
  return result;
}

}  // namespace kvn
