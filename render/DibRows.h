// Whole-row access to uncompressed 1, 4, 8 and 24-bit pictures, rows as
// stored (row y lies stride x y bytes from the start of the bits). Depth
// conversion and colour collection walk every pixel of a page-sized picture
// (8.7 million at A4 and 300 dpi); a bounds-checked call per pixel costs
// them most of an export, a row costs one check.
#pragma once

#include <array>
#include <cstdint>

#include "platform/gdi/TDib.h"

namespace kvn {

class DibColorRows {
 public:
  // The palette is read once; an index beyond it reads colour 0, as the
  // per-pixel access does.
  explicit DibColorRows(const TDib& dib);
  // Whether rows can be read: an uncompressed picture of 1, 4, 8 or 24 bits.
  bool Readable() const { return readable_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // The COLORREF of pixel x of stored row y; both inside the picture.
  std::uint32_t Color(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* row = bits_ + std::size_t(y) * stride_;
    switch (bitCount_) {
      case 1: return table_[(row[x >> 3] >> (7 - (x & 7))) & 1];
      case 4: return table_[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
      case 8: return table_[row[x]];
      default: {
        const std::uint8_t* p = row + 3 * std::size_t(x);
        return std::uint32_t(p[2]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[0]) << 16);
      }
    }
  }
  // The COLORREFs of stored row y into out[0 .. width).
  void ReadRow(std::int32_t y, std::uint32_t* out) const;

 private:
  bool readable_ = false;
  std::uint32_t bitCount_ = 0;
  std::int32_t width_ = 0, height_ = 0;
  std::size_t stride_ = 0;
  const std::uint8_t* bits_ = nullptr;
  std::array<std::uint32_t, 256> table_{};
};

// Whether WriteRawRow can write the picture: uncompressed, 1, 4, 8 or 24 bits.
bool DibRowsWritable(const TDib& dib);
// Stored row y of `dib` set from the raw values (palette indexes, or
// 0x00RRGGBB at 24 bits), one per pixel of the row.
void WriteRawRow(TDib& dib, std::int32_t y, const std::uint32_t* values);

}  // namespace kvn
