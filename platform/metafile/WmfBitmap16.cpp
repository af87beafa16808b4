#include "platform/metafile/WmfBitmap16.h"

#include <cstring>

#include "platform/gdi/LeBytes.h"

namespace kvn {

namespace {

// The 16 colours of the default palette, 0x00RRGGBB.
constexpr std::uint32_t kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                    0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
// The 20 static colours of the system palette: the first ten, the last ten.
constexpr std::uint32_t kStaticFirst[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                            0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
constexpr std::uint32_t kStaticLast[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                           0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

}  // namespace

std::uint32_t DefaultPaletteColor(std::uint32_t bitCount, std::uint32_t index) {
  if (bitCount == 4) return kVga[index & 15];
  index &= 255;
  if (index < 10) return kStaticFirst[index];
  if (index >= 246) return kStaticLast[index - 246];
  const std::uint32_t i = index - 10;
  if (i < 216) {
    const std::uint32_t r = i / 36, g = i / 6 % 6, b = i % 6;
    return (r * 51) << 16 | (g * 51) << 8 | b * 51;
  }
  const std::uint32_t grey = (i - 216 + 1) * 255 / 21;
  return grey << 16 | grey << 8 | grey;
}

bool Bitmap16ToDib(const std::uint8_t* p, std::uint64_t n, std::uint32_t bitsAt, TDib* dib) {
  if (n < 10 || bitsAt > n) return false;
  const std::int32_t width = le::I16(p + 2);
  const std::int32_t height = le::I16(p + 4);
  const std::uint32_t widthBytes = le::U16(p + 6);
  const std::uint8_t planes = p[8];
  const std::uint8_t bpp = p[9];
  // Four planes of one bit make a 4-bit picture, each row holding its
  // planes one after the other.
  const bool planar = planes == 4 && bpp == 1;
  if (!planar && (planes != 1 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)))
    return false;
  if (width <= 0 || height <= 0) return false;
  const std::uint64_t rowBytes = (std::uint64_t(width) * bpp + 7) / 8;  // of one plane
  if (widthBytes < rowBytes) return false;
  // Rows are padded to 16 bits; some writers put a 32-bit padded size in
  // the header while packing the rows to 16 bits. Take what the bytes hold.
  const std::uint64_t rowsPerLine = planar ? 4 : 1;
  std::uint64_t stride = widthBytes;
  if (stride * rowsPerLine * std::uint64_t(height) > n - bitsAt) stride = (rowBytes + 1) & ~std::uint64_t(1);
  if (stride * rowsPerLine * std::uint64_t(height) > n - bitsAt) return false;
  const std::uint16_t dibBits = planar ? 4 : bpp;
  if (!dib->Create(width, height, dibBits)) return false;
  if (dibBits == 1) dib->SetPaletteEntry(1, 0xFFFFFF);
  if (dibBits == 4 || dibBits == 8) {
    for (std::uint32_t i = 0; i < (1u << dibBits); ++i) dib->SetPaletteEntry(i, DefaultPaletteColor(dibBits, i));
  }
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = dib->Bits() + std::uint64_t(height - 1 - y) * dib->Stride();
    const std::uint8_t* in = p + bitsAt + std::uint64_t(y) * stride * rowsPerLine;
    if (!planar) {
      std::memcpy(row, in, std::size_t(rowBytes));
      continue;
    }
    std::memset(row, 0, std::size_t((std::uint64_t(width) * 4 + 7) / 8));
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t index = 0;
      for (std::uint64_t plane = 0; plane < 4; ++plane)
        if (in[plane * stride + std::uint64_t(x) / 8] & (0x80 >> (x % 8))) index |= std::uint8_t(1u << plane);
      row[x / 2] |= x % 2 ? index : std::uint8_t(index << 4);
    }
  }
  return true;
}

}  // namespace kvn
