#include "platform/gdi/DibRle.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/LeBytes.h"

namespace kvn {

bool DecodeRleDib(const TDib& source, TDib* out, bool* damaged) {
  out->Clear();
  bool outside = false;
  const bool four = source.Compression() == kBiRle4;
  if ((!four && source.Compression() != kBiRle8) || !source.HasBits()) return false;
  // Header and palette as they are, with the compression and image size of
  // the uncompressed picture.
  const std::uint32_t stride = source.Stride();
  const std::uint64_t imageSize = std::uint64_t(stride) * std::uint32_t(source.Height());
  if (imageSize > kMaxRleDecodedBytes && imageSize / kMaxRleExpansion > source.BitsSize()) return false;
  std::vector<std::uint8_t> bytes(source.PackedDib(), source.PackedDib() + source.BitsOffset());
  le::Put32(bytes.data() + 16, kBiRgb);
  le::Put32(bytes.data() + 20, std::uint32_t(imageSize));
  const std::size_t start = bytes.size();
  bytes.resize(start + imageSize, 0);

  const std::uint8_t* s = source.Bits();
  const std::size_t n = source.BitsSize();
  const std::int64_t w = source.Width(), h = source.Height();
  std::uint8_t* bits = bytes.data() + start;
  // Compressed pictures are bottom-up: stored row y is row y of the bits.
  auto put = [&](std::int64_t x, std::int64_t y, std::uint32_t v) {
    if (x < 0 || y < 0 || x >= w || y >= h) {
      outside = true;
      return;
    }
    std::uint8_t* row = bits + std::size_t(y) * stride;
    if (!four) {
      row[x] = std::uint8_t(v);
    } else {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? std::uint8_t((b & 0xF0) | (v & 0x0F)) : std::uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
    }
  };
  std::size_t pos = 0;
  std::int64_t x = 0, y = 0;
  while (pos + 1 < n && y < h) {
    const std::uint32_t count = s[pos], value = s[pos + 1];
    pos += 2;
    if (count > 0) {
      const std::int64_t todo = std::min<std::int64_t>(count, std::max<std::int64_t>(0, w - x));
      outside = outside || todo < std::int64_t(count);
      for (std::int64_t i = 0; i < todo; ++i) put(x + i, y, four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      x += count;
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (pos + 1 >= n) break;
      x += s[pos];
      y += s[pos + 1];
      pos += 2;
      outside = outside || x > w || y > h;
    } else {
      const std::size_t used = four ? (value + 1) / 2 : value;
      for (std::uint32_t i = 0; i < value; ++i) {
        const std::size_t at = pos + (four ? i / 2 : i);
        if (at >= n) {
          outside = true;
          break;
        }
        put(x + i, y, four ? ((i & 1) ? s[at] & 0x0F : s[at] >> 4) : s[at]);
      }
      x += value;
      pos += (used + 1) & ~std::size_t(1);
    }
  }
  if (damaged) *damaged = outside;
  return out->LoadPackedDib(bytes.data(), bytes.size());
}

}  // namespace kvn
