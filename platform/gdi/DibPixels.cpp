#include "platform/gdi/DibPixels.h"

#include "platform/gdi/TDib.h"

namespace kvn {

bool DibToPixels(const TDib& dib, std::vector<std::uint32_t>* pixels, PixelView* view) {
  if (!dib.HasBits() || (dib.Compression() != kBiRgb && dib.Compression() != kBiBitFields)) return false;
  const std::int32_t w = dib.Width(), h = dib.Height();
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return false;
  pixels->assign(std::size_t(w) * std::size_t(h), 0);
  const std::uint8_t* bits = dib.Bits();
  const std::uint32_t stride = dib.Stride();
  for (std::int32_t y = 0; y < h; ++y) {
    std::uint32_t* out = pixels->data() + std::size_t(y) * std::size_t(w);
    const std::int32_t row = dib.IsTopDown() ? y : h - 1 - y;
    const std::uint8_t* in = bits + std::size_t(row) * stride;
    if (dib.Compression() == kBiRgb && dib.BitCount() == 24) {
      for (std::int32_t x = 0; x < w; ++x, in += 3) out[x] = 0xFF000000u | in[0] | (in[1] << 8) | (in[2] << 16);
    } else if (dib.Compression() == kBiRgb && dib.BitCount() == 32) {
      for (std::int32_t x = 0; x < w; ++x, in += 4) out[x] = 0xFF000000u | in[0] | (in[1] << 8) | (in[2] << 16);
    } else {
      for (std::int32_t x = 0; x < w; ++x) {
        const std::uint32_t c = dib.GetPixelColor(x, y);  // 0x00BBGGRR
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
