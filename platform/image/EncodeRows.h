// The rows an encoder writes, by the pixel-format table of
// EncodeDibAsContainer: indexed rows copied as the picture holds them, or
// B, G, R (and A from the alpha mask) made from each pixel. Row 0 is the
// top of the picture.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/TDib.h"

namespace kvn {

class EncodeRows {
 public:
  EncodeRows(const TDib& dib, const TDib* alphaMask);

  // False for compressed or empty pictures and refused depths.
  bool Ok() const { return ok_; }
  bool Indexed() const { return indexed_; }
  // 1, 4 or 8 for indexed rows, else 24 or 32.
  int BitsPerPixel() const { return bits_; }
  // The colour table (0x00RRGGBB), 2^bits entries, for indexed rows.
  const std::vector<std::uint32_t>& Palette() const { return palette_; }
  std::size_t RowBytes() const { return rowBytes_; }
  // Valid until the next call.
  std::uint8_t* Row(std::int32_t y);

 private:
  const TDib& dib_;
  const TDib* mask_;
  bool ok_ = false;
  bool indexed_ = false;
  int bits_ = 0;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint32_t> palette_;
  std::vector<std::uint8_t> row_;
};

// The encoders one by one.
bool EncodeDibAsPng(const TDib& dib, const TDib* alphaMask, std::vector<std::uint8_t>* out);
bool EncodeDibAsTiff(const TDib& dib, const TDib* alphaMask, std::vector<std::uint8_t>* out);

}  // namespace kvn
