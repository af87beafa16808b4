// The bounds of what a Windows metafile draws, for pictures that come
// without a size: a plain WMF (no placeable header) that sets no window
// extent has no other measure of itself, and framing it by the reference
// device would leave its drawing in one corner of a large empty page.
//
// The bounds are in page units (the metafile's logical units less its
// window origin, as the records set it) and cover the points of lines,
// curves' boxes, shapes, blit and bitmap destinations and text. A text's
// box is estimated from its font height (the cell of each character half
// as wide as high, placed by the text alignment), since no font is at hand
// while a picture is read.
#pragma once

#include <cstdint>

namespace kvn {

struct WmfBounds {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// False when nothing is drawn (or the records cannot be walked).
bool WmfDrawnBounds(const std::uint8_t* data, std::uint64_t size, WmfBounds* out);

}  // namespace kvn
