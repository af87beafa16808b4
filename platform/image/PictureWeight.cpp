#include "platform/image/PictureWeight.h"

#include <algorithm>

#include "foundation/CountingAlloc.h"
#include "platform/gdi/TDib.h"
#include "platform/image/PictureDecode.h"

namespace kvn {

namespace {

// A product that saturates: the bounds are compared, never used as sizes.
std::uint64_t Times(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

std::uint64_t Plus(std::uint64_t a, std::uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

}  // namespace

bool CodedDataCouldHold(PixelCoding coding, std::uint64_t dataBytes, std::uint64_t width, std::uint64_t height,
                        std::uint32_t bitsPerPixel, std::uint64_t blocks) {
  const std::uint64_t pixels = Times(width, height);
  // The bytes the pixels take as stored (before any padding of rows).
  const std::uint64_t stored = Times(pixels, bitsPerPixel) / 8;
  switch (coding) {
    case PixelCoding::kStored: return stored <= dataBytes;
    case PixelCoding::kDeflate: return stored <= Plus(Times(dataBytes, 1032), 4096);
    case PixelCoding::kGifLzw: return pixels <= Times(Times(dataBytes, 4), 4096);
    case PixelCoding::kTiffLzw: return stored <= Times(Times(dataBytes, 8) / 9 + 1, 4096);
    case PixelCoding::kPackBits: return stored <= Plus(Times(dataBytes, 64), 128);
    case PixelCoding::kBmpRuns: return height <= Plus(Times(dataBytes, 64), 255);
    case PixelCoding::kJpegHuffman: return blocks <= Times(dataBytes, 8);
    case PixelCoding::kFax: return height <= Times(dataBytes, 8);
    case PixelCoding::kUnbounded: break;
  }
  return true;
}

std::uint64_t DibImageBytes(std::int64_t width, std::int64_t height, std::uint32_t bitCount) {
  if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || bitCount == 0 || bitCount > 32)
    return 0;
  const std::uint64_t stride = ((std::uint64_t(width) * bitCount + 31) / 32) * 4;
  // Both factors are below 2^32, so the product fits 64 bits.
  return stride * std::uint64_t(height);
}

bool PictureWeightAllowed(std::int64_t width, std::int64_t height, std::uint32_t bitCount, std::uint64_t besideBytes,
                          PictureInfo* told) {
  const std::uint64_t bitmap = DibImageBytes(width, height, bitCount);
  if (bitmap == 0) return false;
  const std::uint64_t mask = bitCount == 32 ? DibImageBytes(width, height, 8) : 0;
  const std::uint64_t weight = Plus(bitmap, std::max(besideBytes, mask));
  if (told) {
    told->pixelBytes = weight;
    told->bitCount = bitCount;
  }
  // A picture past the threshold would run the memory out once it is
  // drawn, if not already while it is decoded.
  return bitmap <= kMaxDibImageBytes && weight <= kLowMemoryThreshold;
}

}  // namespace kvn
