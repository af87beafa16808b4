#include "print/export/BlockPicturePainter.h"

#include <algorithm>
#include <cmath>

#include "foundation/DRect.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "print/export/RenderSheetToDib.h"

namespace kvn {

namespace {
constexpr int kMargin = 2;
}  // namespace

std::unique_ptr<BlockPicture> PaintBlockPicture(cDrawingData* data, cBlock* block, int width, int height,
                                                std::uint32_t background) {
  if (!data || !block || width < 1 || height < 1) return nullptr;
  DRect extent;
  block->GetFilteredExtent(ExtentFilter{}, data, extent);
  const double ew = extent.x2 - extent.x1, eh = extent.y2 - extent.y1;
  if (!std::isfinite(ew) || !std::isfinite(eh) || ew < 0 || eh < 0 || (ew == 0 && eh == 0)) return nullptr;
  // A line (one side 0) is fitted along its other side.
  const double alongX = ew > 0 ? std::max(1, width - 2 * kMargin) / ew : HUGE_VAL;
  const double alongY = eh > 0 ? std::max(1, height - 2 * kMargin) / eh : HUGE_VAL;
  const double fit = std::min(alongX, alongY);
  if (!(fit > 0) || !std::isfinite(fit)) return nullptr;
  // The area of exactly width x height pixels around the extent's centre.
  const double cx = (extent.x1 + extent.x2) / 2, cy = (extent.y1 + extent.y2) / 2;
  const double hw = width / (2 * fit), hh = height / (2 * fit);
  const DRect area{cx - hw, cy - hh, cx + hw, cy + hh};
  bool onlyBlackWhite = false;
  std::unique_ptr<TDib> dib = RenderAreaToDib24(&data->Levels(), onlyBlackWhite, fit, area, data, block, nullptr,
                                                nullptr, 0, false, std::int32_t(background & 0xFFFFFF), false);
  if (!dib || dib->Width() != width || dib->Height() != height) return nullptr;
  auto picture = std::make_unique<BlockPicture>();
  picture->width = width;
  picture->height = height;
  picture->pixels.resize(std::size_t(width) * std::size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture->pixels[std::size_t(y) * width + x] = dib->GetPixelColor(x, y);
  return picture;
}

void InstallBlockPicturePainter() { SetRenderBlockToDib(&PaintBlockPicture); }

}  // namespace kvn
