#include "render/DashedLines.h"

#include <algorithm>

#include "render/RasterSurface.h"

namespace kvn {

namespace {

std::int64_t Abs64(std::int64_t v) { return v < 0 ? -v : v; }

void DrawDashed(cRasterSurface& surface, bool vertical, std::int32_t x, std::int32_t y, std::int32_t length,
                COLORREF color, const std::int32_t* dashes, std::uint32_t count, std::int32_t phase) {
  if (dashes == nullptr || count == 0 || length == 0) return;
  const TRect& clip = surface.Clip();
  if (vertical ? (x < clip.left || x >= clip.right) : (y < clip.top || y >= clip.bottom)) return;

  const std::int64_t along = vertical ? y : x;
  std::int64_t start = length >= 0 ? along : along + length + 1;
  std::int64_t end = start + Abs64(length);
  start = std::max<std::int64_t>(start, vertical ? clip.top : clip.left);
  end = std::min<std::int64_t>(end, vertical ? clip.bottom : clip.right);
  if (start >= end) return;

  std::int64_t period = 0;  // at most 2^32 entries of 2^31: fits
  for (std::uint32_t i = 0; i < count; ++i) period += Abs64(dashes[i]);
  if (period == 0) return;

  // The entry under the first visible pixel, and how far into it that pixel lies.
  std::int64_t offset = ((start - phase) % period + period) % period;
  std::uint32_t i = 0;
  while (offset >= Abs64(dashes[i])) offset -= Abs64(dashes[i++]);

  const std::uint32_t value = ColorrefToPixel(color);
  cRasterSurface::DirectWrite scope(surface);
  for (std::int64_t p = start; p < end; i = (i + 1) % count) {
    const std::int64_t runEnd = std::min(end, p + Abs64(dashes[i]) - offset);
    offset = 0;
    if (dashes[i] > 0 && runEnd > p) {
      if (vertical)
        surface.FillBox(x, p, std::int64_t(x) + 1, runEnd, value);
      else
        surface.FillBox(p, y, runEnd, std::int64_t(y) + 1, value);
    }
    p = runEnd;
  }
}

}  // namespace

void DrawDashedHLine(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t length, COLORREF color,
                     const std::int32_t* dashes, std::uint32_t dashCount, std::int32_t phase) {
  DrawDashed(surface, false, x, y, length, color, dashes, dashCount, phase);
}

void DrawDashedVLine(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t length, COLORREF color,
                     const std::int32_t* dashes, std::uint32_t dashCount, std::int32_t phase) {
  DrawDashed(surface, true, x, y, length, color, dashes, dashCount, phase);
}

}  // namespace kvn
