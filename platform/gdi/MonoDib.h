// TMonoDibSection: a 1-bit DIB section with a two-entry colour table, its
// bits reachable directly and drawn through a device context like any
// target.
//
// Bits: bottom-up rows of (width + 31) / 32 x 4 bytes, the leftmost pixel
// in the highest bit of a byte; a bit is an index into the colour table
// (0x00BBGGRR entries). Pixel (x, y) counts y from the top, so its row in
// memory is height - 1 - y.
//
// Drawing: DC() is a raster target over a 32-bit picture of the bits. Before
// each drawing call the picture is brought up to date with the bits and the
// colour table as they are then (the bits are the truth, so direct writes
// need no notice); after it every pixel the call changed gets the index of
// the nearer table colour (index 0 on a tie). DSTINVERT (PatBlt) inverts the
// indexes of the pixels it reaches, as it does on a 1-bit bitmap, whatever
// the colours.
//
// Colour-table edits take effect at once: the next blit from the section
// and the next drawing call see the new table.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

class TDC;
class MonoDC;

class TMonoDibSection {
 public:
  // Null for a size outside 1 .. 32767 pixels a side or beyond 2^26 pixels.
  static std::unique_ptr<TMonoDibSection> Create(std::int32_t width, std::int32_t height,
                                                 COLORREF color0 = Rgb(0, 0, 0), COLORREF color1 = Rgb(255, 255, 255));
  ~TMonoDibSection();
  TMonoDibSection(const TMonoDibSection&) = delete;
  TMonoDibSection& operator=(const TMonoDibSection&) = delete;

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  std::int32_t Stride() const { return stride_; }
  const std::uint8_t* Bits() const { return bits_.data(); }
  // For direct writes (MaskLine); valid as long as the section.
  std::uint8_t* MutableBits() { return bits_.data(); }
  // The colour-table index of pixel (x, y); 0 outside.
  int GetBit(std::int32_t x, std::int32_t y) const;
  void SetBit(std::int32_t x, std::int32_t y, int index);

  COLORREF GetColor(int index) const { return table_[index & 1]; }
  void SetColor(int index, COLORREF color);

  TDC* DC() const;

  // Copies the source rectangle to the target's logical rectangle under the
  // ternary operation, each bit mapped through the colour table as it is at
  // the moment of the call. The source rectangle is cut to the section.
  bool BlitTo(TDC& target, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
              std::int32_t sourceX, std::int32_t sourceY, std::uint32_t rop) const;

 private:
  friend class MonoDC;
  TMonoDibSection(std::int32_t width, std::int32_t height, COLORREF color0, COLORREF color1);

  std::uint32_t PixelWordOf(int index) const;
  // The 32-bit picture of the bits through the table.
  void RefreshPicture();
  // After a drawing call: indexes for the pixels that differ from `before`.
  void TakeChanges(const std::vector<std::uint32_t>& before, bool invert);

  std::int32_t width_;
  std::int32_t height_;
  std::int32_t stride_;
  std::vector<std::uint8_t> bits_;
  COLORREF table_[2];
  std::vector<std::uint32_t> picture_;  // B, G, R, A words, top down; the device context's pixels
  std::unique_ptr<MonoDC> dc_;
};

}  // namespace kvn
