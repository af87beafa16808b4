// StretchDIBits and SetDIBitsToDevice (RLE4 and RLE8 pictures too): the picture is unpacked into a 32-bit
// block and goes through the blit of every target, so the transform, the
// clip and the raster operations follow the blit rules (README.md).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/DibRle.h"
#include "platform/gdi/TDib.h"

namespace kvn {

int TDC::StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                       int sourceHeight, const TDib& dib, std::uint32_t rop) {
  if (dib.IsEmpty()) return 0;
  if (dib.Compression() == kBiRle4 || dib.Compression() == kBiRle8) {
    // Compressed pictures are decoded whole: their rows cannot be found
    // without reading the stream from the start.
    TDib plain;
    if (!DecodeRleDib(dib, &plain)) return 0;
    return TDC::StretchDIBits(x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, plain, rop);
  }
  // The block is top down; a bottom-up picture counts its source rows from
  // the bottom.
  std::int64_t top = sourceY;
  if (!dib.IsTopDown()) top = std::int64_t(dib.Height()) - sourceY - sourceHeight;
  if (top < INT32_MIN || top > INT32_MAX) return 0;
  // Only the source rectangle is unpacked.
  const std::int64_t u0 = std::min<std::int64_t>(sourceX, std::int64_t(sourceX) + sourceWidth);
  const std::int64_t v0 = std::min<std::int64_t>(top, top + sourceHeight);
  const std::int64_t u1 = std::max<std::int64_t>(sourceX, std::int64_t(sourceX) + sourceWidth);
  const std::int64_t v1 = std::max<std::int64_t>(top, top + sourceHeight);
  const TRect part{std::int32_t(std::clamp<std::int64_t>(u0, 0, dib.Width())),
                   std::int32_t(std::clamp<std::int64_t>(v0, 0, dib.Height())),
                   std::int32_t(std::clamp<std::int64_t>(u1, 0, dib.Width())),
                   std::int32_t(std::clamp<std::int64_t>(v1, 0, dib.Height()))};
  std::vector<std::uint32_t> pixels;
  PixelView view;
  if (!DibToPixels(dib, part, &pixels, &view)) return 0;
  if (!Blit(x, y, width, height, view, sourceX - part.left, int(top) - part.top, sourceWidth, sourceHeight, rop,
            nullptr))
    return 0;
  // The rows asked for, as GDI answers; a height of -2^31 has no 32-bit
  // negation and answers the most an int holds.
  return int(std::min<std::int64_t>(std::abs(std::int64_t(sourceHeight)), INT32_MAX));
}

int TDC::SetDIBitsToDevice(int x, int y, int width, int height, int sourceX, int sourceY, const TDib& dib) {
  return TDC::StretchDIBits(x, y, width, height, sourceX, sourceY, width, height, dib, kSrcCopy);
}

}  // namespace kvn
