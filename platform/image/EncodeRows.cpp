#include "platform/image/EncodeRows.h"

#include <cstring>

namespace kvn {

EncodeRows::EncodeRows(const TDib& dib, const TDib* alphaMask) : dib_(dib), mask_(alphaMask) {
  if (!dib.HasBits() || dib.Compression() == kBiRle4 || dib.Compression() == kBiRle8 || dib.Width() <= 0 ||
      dib.Height() <= 0)
    return;
  if (dib.BitCount() <= 8) {
    if (dib.BitCount() != 1 && dib.BitCount() != 4 && dib.BitCount() != 8) return;
    indexed_ = true;
    bits_ = dib.BitCount();
    // Every index the rows may hold gets an entry.
    palette_.resize(std::size_t(1) << bits_);
    for (std::uint32_t i = 0; i < palette_.size(); ++i) palette_[i] = dib.GetPaletteEntry(i);
  } else {
    bits_ = mask_ ? 32 : 24;
  }
  rowBytes_ = (std::size_t(bits_) * std::size_t(dib.Width()) + 7) / 8;
  row_.resize(rowBytes_);
  ok_ = true;
}

std::uint8_t* EncodeRows::Row(std::int32_t y) {
  if (indexed_) {
    const std::int32_t stored = dib_.IsTopDown() ? y : dib_.Height() - 1 - y;
    std::memcpy(row_.data(), dib_.Bits() + std::size_t(stored) * dib_.Stride(), rowBytes_);
    return row_.data();
  }
  const std::size_t step = bits_ / 8;
  for (std::int32_t x = 0; x < dib_.Width(); ++x) {
    const std::uint32_t c = dib_.GetPixelColor(x, y);  // COLORREF 0x00BBGGRR
    std::uint8_t* q = &row_[step * std::size_t(x)];
    q[0] = std::uint8_t(c >> 16);
    q[1] = std::uint8_t(c >> 8);
    q[2] = std::uint8_t(c);
    if (step == 4) {
      std::uint32_t a = 255;
      if (!mask_->GetPixel(x, y, &a)) a = 255;
      q[3] = std::uint8_t(a);
    }
  }
  return row_.data();
}

}  // namespace kvn
