// StretchDIBits and SetDIBitsToDevice: the picture is unpacked into a 32-bit
// block and goes through the blit of every target, so the transform, the
// clip and the raster operations follow the blit rules (README.md).
#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/TDib.h"

namespace kvn {

int TDC::StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                       int sourceHeight, const TDib& dib, std::uint32_t rop) {
  std::vector<std::uint32_t> pixels;
  PixelView view;
  if (!DibToPixels(dib, &pixels, &view)) return 0;
  // The block is top down; a bottom-up picture counts its source rows from
  // the bottom.
  std::int64_t top = sourceY;
  if (!dib.IsTopDown()) top = std::int64_t(view.height) - sourceY - sourceHeight;
  if (top < INT32_MIN || top > INT32_MAX) return 0;
  if (!Blit(x, y, width, height, view, sourceX, int(top), sourceWidth, sourceHeight, rop, nullptr)) return 0;
  return sourceHeight < 0 ? -sourceHeight : sourceHeight;
}

int TDC::SetDIBitsToDevice(int x, int y, int width, int height, int sourceX, int sourceY, const TDib& dib) {
  return TDC::StretchDIBits(x, y, width, height, sourceX, sourceY, width, height, dib, kSrcCopy);
}

}  // namespace kvn
