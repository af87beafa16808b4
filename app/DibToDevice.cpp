#include "app/DibToDevice.h"

#include <algorithm>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TDib.h"

namespace kvn {

bool SetDibToDevice(TDC& dc, int x, int y, const TDib& dib) {
  if (!dib.HasBits()) return false;
  const int h = dib.Height();
  return dc.SetDIBitsToDevice(x, y, dib.Width(), h, 0, 0, dib) == h;
}

bool SetDibToDeviceCentered(TDC& dc, const TRect& rect, const TDib& dib) {
  const int x = rect.left + int((rect.Width() - dib.Width()) / 2);
  const int y = rect.top + int((rect.Height() - dib.Height()) / 2);
  return SetDibToDevice(dc, x, y, dib);
}

bool SetDibToDeviceCenteredFilled(TDC& dc, const TRect& rect, const TDib& dib, COLORREF fill) {
  dc.FillSolidRect(rect, fill);
  return SetDibToDeviceCentered(dc, rect, dib);
}

MyBitmapDC::MyBitmapDC(TDC& target, const TRect& rect, COLORREF fill)
    : target_(target),
      rect_(rect),
      width_(std::int32_t(std::clamp<std::int64_t>(rect.Width(), 1, 32767))),
      height_(std::int32_t(std::clamp<std::int64_t>(rect.Height(), 1, 32767))),
      bits_(std::size_t(width_) * std::size_t(height_) * 4) {
  dc_ = RasterDC::Create(bits_.data(), width_, height_);
  if (dc_) dc_->FillSolidRect(TRect{0, 0, width_, height_}, fill);
}

MyBitmapDC::~MyBitmapDC() {
  if (!dc_) return;
  dc_->Flush();
  const PixelView view{bits_.data(), width_, height_, width_ * 4};
  target_.BitBlt(rect_.left, rect_.top, width_, height_, view, 0, 0, kSrcCopy);
}

TDC* MyBitmapDC::DC() { return dc_.get(); }

}  // namespace kvn
