#include "render/TileBitmap.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"

namespace kvn {

bool TileBitmap::Ensure(std::int32_t width, std::int32_t height) {
  if (bitmap_ && width_ >= width && height_ >= height) return true;
  bitmap_ = TMonoDibSection::Create(width, height, Rgb(0, 0, 0), Rgb(255, 255, 255));
  if (!bitmap_) {
    width_ = height_ = 0;
    bits_ = nullptr;
    return false;
  }
  width_ = width;
  height_ = height;
  bits_ = bitmap_->MutableBits();
  return true;
}

void TransferTile(TDC& target, const TRegion& complement, const TRect& box, TMonoDibSection& tile, COLORREF color) {
  color = StripColorFlags(color);
  const std::int32_t width = std::int32_t(box.Width()), height = std::int32_t(box.Height());
  TDC* tileDC = tile.DC();
  if (!tileDC || width <= 0 || height <= 0) return;
  // Outside the area the tile becomes background.
  tileDC->SelectClipRgn(&complement);
  tileDC->FillSolidRect(TRect{0, 0, width, height}, Rgb(255, 255, 255));
  tileDC->SelectClipRgn(nullptr);

  const COLORREF oldBk = target.SetBkColor(Rgb(255, 255, 255));
  const COLORREF oldText = target.SetTextColor(0);
  if (color != Rgb(255, 255, 255)) {
    tile.BlitTo(target, box.left, box.top, width, height, 0, 0, kSrcAnd);
    if (color != 0) {
      const COLORREF saved[2] = {tile.GetColor(0), tile.GetColor(1)};
      tile.SetColor(0, color);
      tile.SetColor(1, 0);
      tile.BlitTo(target, box.left, box.top, width, height, 0, 0, kSrcPaint);
      tile.SetColor(0, saved[0]);
      tile.SetColor(1, saved[1]);
    }
  } else {
    tileDC->PatBlt(0, 0, width, height, kDstInvert);
    tile.BlitTo(target, box.left, box.top, width, height, 0, 0, kSrcPaint);
  }
  target.SetBkColor(oldBk);
  target.SetTextColor(oldText);
}

}  // namespace kvn
