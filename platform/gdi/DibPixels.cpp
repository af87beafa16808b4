#include "platform/gdi/DibPixels.h"

#include <algorithm>

#include "platform/gdi/TDib.h"

namespace kvn {

bool DibToPixels(const TDib& dib, std::vector<std::uint32_t>* pixels, PixelView* view) {
  return DibToPixels(dib, TRect{0, 0, dib.Width(), dib.Height()}, pixels, view);
}

bool DibToPixels(const TDib& dib, const TRect& part, std::vector<std::uint32_t>* pixels, PixelView* view) {
  if (!dib.HasBits() || (dib.Compression() != kBiRgb && dib.Compression() != kBiBitFields)) return false;
  const std::int32_t width = dib.Width(), height = dib.Height();
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return false;
  const TRect r = part.Normalized();
  const std::int32_t x0 = std::max(r.left, 0), y0 = std::max(r.top, 0);
  const std::int32_t x1 = std::min(r.right, width), y1 = std::min(r.bottom, height);
  if (x0 >= x1 || y0 >= y1) return false;
  const std::int32_t w = x1 - x0, h = y1 - y0;
  pixels->assign(std::size_t(w) * std::size_t(h), 0);
  const std::uint8_t* bits = dib.Bits();
  const std::uint32_t stride = dib.Stride();
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint32_t* out = pixels->data() + std::size_t(y) * std::size_t(w);
    const std::int32_t row = dib.IsTopDown() ? y0 + y : height - 1 - (y0 + y);
    const std::uint8_t* in = bits + std::size_t(row) * stride;
    if (dib.Compression() == kBiRgb && dib.BitCount() == 24) {
      in += std::size_t(x0) * 3;
      for (std::int32_t x = 0; x < w; ++x, in += 3) out[x] = 0xFF000000u | in[0] | (in[1] << 8) | (in[2] << 16);
    } else if (dib.Compression() == kBiRgb && dib.BitCount() == 32) {
      in += std::size_t(x0) * 4;
      for (std::int32_t x = 0; x < w; ++x, in += 4) out[x] = 0xFF000000u | in[0] | (in[1] << 8) | (in[2] << 16);
    } else {
      for (std::int32_t x = 0; x < w; ++x) {
        const std::uint32_t c = dib.GetPixelColor(x0 + x, y0 + y);  // 0x00BBGGRR
        out[x] = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      }
    }
  }
  view->bits = reinterpret_cast<const std::uint8_t*>(pixels->data());
  view->width = w;
  view->height = h;
  view->stride = w * 4;
  return true;
}

}  // namespace kvn
