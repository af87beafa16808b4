// The pattern tile of the area fill: a 1-bit off-screen bitmap (colour
// table black, white) into which a hatch is drawn, and the transfer that
// paints only its pattern (black) pixels into a target in one colour.
//
// The transfer works with the bitwise blits a 1-bit source allows: SRCAND
// blackens the pattern pixels of the target, then SRCPAINT with the colour
// in table entry 0 (entry 1 black) adds the colour to them; for white the
// tile is inverted and SRCPAINT alone whitens them. Pixels outside the area
// (the complement region) are first made background (white) in the tile.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/MonoDib.h"

namespace kvn {

class TDC;
class TRegion;

class TileBitmap {
 public:
  // Keeps the current bitmap when it is at least that large; otherwise makes
  // one of exactly that size (bits 0, table black then white). On failure
  // the old bitmap is gone too and the answer is false.
  bool Ensure(std::int32_t width, std::int32_t height);

  TMonoDibSection* Bitmap() const { return bitmap_.get(); }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // The DIB's bits (null without a bitmap).
  std::uint8_t* Bits() const { return bits_; }

 private:
  std::unique_ptr<TMonoDibSection> bitmap_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::uint8_t* bits_ = nullptr;
};

// Paints the tile's black pixels of the box's size into the target at the
// box's top-left corner in `color`, the other target pixels unchanged. The
// complement region (tile pixels) is made white in the tile first. The
// target's background and text colours and the tile's colour table are as
// before afterwards.
void TransferTile(TDC& target, const TRegion& complement, const TRect& box, TMonoDibSection& tile, COLORREF color);

}  // namespace kvn
