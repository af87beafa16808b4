// A picture drawn into a turned or mirrored box through a world transform.
#include <cmath>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/TDib.h"
#include "render/GdiOutput.h"

namespace kvn {

namespace {

int RoundPixel(double v) { return RoundToInt32(std::floor(v + 0.5)); }

}  // namespace

namespace {

// Runs `draw` (left, top, right, bottom) under the world transform that
// mirrors about (x, y) for a negative extent and turns about it
// counter-clockwise as seen on the y-down device, then restores the
// context's transform and graphics mode.
template <class Draw>
bool DrawTransformed(TDC& dc, double x, double y, double width, double height, double angle, Draw draw) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height) ||
      !std::isfinite(angle))
    return false;
  const int oldMode = dc.SetGraphicsMode(kGmAdvanced);
  const XForm oldWorld = dc.GetWorldTransform();
  const double mx = width < 0 ? -1.0 : 1.0, my = height < 0 ? -1.0 : 1.0;
  const XForm toOrigin{1, 0, 0, 1, -x, -y};
  const XForm mirror{mx, 0, 0, my, 0, 0};
  const double c = std::cos(angle), s = std::sin(angle);
  const XForm turn{c, -s, s, c, x, y};
  const XForm placed = CombineTransform(CombineTransform(CombineTransform(toOrigin, mirror), turn), oldWorld);
  bool drawn = false;
  if (dc.SetWorldTransform(placed)) {
    const int oldStretch = dc.SetStretchBltMode(kColorOnColor);
    const int left = RoundPixel(x), top = RoundPixel(y);
    const int right = RoundPixel(x + std::fabs(width)), bottom = RoundPixel(y + std::fabs(height));
    drawn = draw(left, top, right, bottom);
    if (oldStretch) dc.SetStretchBltMode(oldStretch);
    dc.SetWorldTransform(oldWorld);
  }
  if (oldMode) dc.SetGraphicsMode(oldMode);
  return drawn;
}

}  // namespace

bool DrawDibTransformed(TDC& dc, double x, double y, double width, double height, double angle, const TDib& dib) {
  if (dib.IsEmpty()) return false;
  return DrawTransformed(dc, x, y, width, height, angle, [&](int left, int top, int right, int bottom) {
    return dc.StretchDIBits(left, top, right - left, bottom - top, 0, 0, dib.Width(), dib.Height(), dib, kSrcCopy) > 0;
  });
}

bool DrawDibDataTransformed(TDC& dc, double x, double y, double width, double height, double angle,
                            const DibHeader& header, const std::uint8_t* data, std::uint32_t size) {
  if (data == nullptr || size == 0) return false;
  return DrawTransformed(dc, x, y, width, height, angle, [&](int left, int top, int right, int bottom) {
    return dc.StretchDIBitsData(left, top, right - left, bottom - top, 0, 0, header.width, header.height, header,
                                data, size, kSrcCopy) > 0;
  });
}

bool DrawDibTransformed(TDC& dc, const TRect& rect, double angle, const TDib& dib) {
  return DrawDibTransformed(dc, rect.left, rect.top, double(rect.right) - rect.left, double(rect.bottom) - rect.top,
                            angle, dib);
}

}  // namespace kvn
