// Copying device-independent bitmaps to a device context, as the file-open
// preview and the printing code use them, and a memory device context that
// lands on its target when it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

class RasterDC;
class TDC;
class TDib;

// The whole picture unscaled with its top-left corner at (x, y); true when
// every scan line was copied.
bool SetDibToDevice(TDC& dc, int x, int y, const TDib& dib);
// The picture centred in the rectangle (it may stick out on every side).
bool SetDibToDeviceCentered(TDC& dc, const TRect& rect, const TDib& dib);
// The same after filling the rectangle with a colour.
bool SetDibToDeviceCenteredFilled(TDC& dc, const TRect& rect, const TDib& dib, COLORREF fill);

// A memory device context over a 32-bit picture of the rectangle's size (at
// least 1 x 1), filled with a colour at construction; the destructor copies
// it to the target at the rectangle (SRCCOPY).
class MyBitmapDC {
 public:
  MyBitmapDC(TDC& target, const TRect& rect, COLORREF fill);
  ~MyBitmapDC();
  MyBitmapDC(const MyBitmapDC&) = delete;
  MyBitmapDC& operator=(const MyBitmapDC&) = delete;
  // Null when the picture could not be made (then nothing is copied).
  TDC* DC();

 private:
  TDC& target_;
  TRect rect_;
  std::int32_t width_;
  std::int32_t height_;
  std::vector<std::uint8_t> bits_;
  std::unique_ptr<RasterDC> dc_;
};

}  // namespace kvn
