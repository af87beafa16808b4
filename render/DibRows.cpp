#include "render/DibRows.h"

namespace kvn {

DibColorRows::DibColorRows(const TDib& dib) {
  bitCount_ = dib.BitCount();
  readable_ = dib.HasBits() && dib.Compression() == kBiRgb &&
              (bitCount_ == 1 || bitCount_ == 4 || bitCount_ == 8 || bitCount_ == 24);
  if (!readable_) return;
  width_ = dib.Width();
  height_ = dib.Height();
  stride_ = dib.Stride();
  bits_ = dib.Bits();
  if (bitCount_ <= 8) {
    for (std::uint32_t i = 0; i < dib.PaletteCount() && i < table_.size(); ++i) {
      const std::uint32_t q = dib.GetPaletteEntry(i);
      table_[i] = ((q >> 16) & 0xFF) | (q & 0xFF00) | ((q & 0xFF) << 16);
    }
  }
}

void DibColorRows::ReadRow(std::int32_t y, std::uint32_t* out) const {
  const std::uint8_t* row = bits_ + std::size_t(y) * stride_;
  if (bitCount_ == 24) {
    for (std::int32_t x = 0; x < width_; ++x, row += 3)
      out[x] = std::uint32_t(row[2]) | (std::uint32_t(row[1]) << 8) | (std::uint32_t(row[0]) << 16);
  } else if (bitCount_ == 8) {
    for (std::int32_t x = 0; x < width_; ++x) out[x] = table_[row[x]];
  } else {
    for (std::int32_t x = 0; x < width_; ++x) out[x] = Color(x, y);
  }
}

bool DibRowsWritable(const TDib& dib) {
  const std::uint32_t bits = dib.BitCount();
  return dib.HasBits() && dib.Compression() == kBiRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 24);
}

void WriteRawRow(TDib& dib, std::int32_t y, const std::uint32_t* values) {
  std::uint8_t* row = dib.Bits() + std::size_t(y) * dib.Stride();
  const std::int32_t w = dib.Width();
  switch (dib.BitCount()) {
    case 1:
      for (std::int32_t x = 0; x < w; x += 8) {
        std::uint8_t byte = 0;
        for (std::int32_t k = 0; k < 8 && x + k < w; ++k) byte |= std::uint8_t((values[x + k] & 1) << (7 - k));
        // Bits past the width keep what they held.
        const std::int32_t used = w - x < 8 ? w - x : 8;
        const std::uint8_t keep = std::uint8_t(0xFF >> used);
        row[x >> 3] = std::uint8_t((row[x >> 3] & keep) | byte);
      }
      break;
    case 4:
      for (std::int32_t x = 0; x + 1 < w; x += 2)
        row[x >> 1] = std::uint8_t(((values[x] & 0x0F) << 4) | (values[x + 1] & 0x0F));
      if (w & 1) row[w >> 1] = std::uint8_t((row[w >> 1] & 0x0F) | ((values[w - 1] & 0x0F) << 4));
      break;
    case 8:
      for (std::int32_t x = 0; x < w; ++x) row[x] = std::uint8_t(values[x]);
      break;
    default:
      for (std::int32_t x = 0; x < w; ++x, row += 3) {
        row[0] = std::uint8_t(values[x]);
        row[1] = std::uint8_t(values[x] >> 8);
        row[2] = std::uint8_t(values[x] >> 16);
      }
      break;
  }
}

}  // namespace kvn
