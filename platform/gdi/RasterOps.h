// Pixel arithmetic of the raster target: the bitwise raster operations on
// 24-bit colours and the pixels of a one-pixel line.
//
// Colours here are pixel words: the B, G, R bytes of a 32-bit pixel read as
// a little-endian number (B in bits 0-7), alpha excluded.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"

namespace kvn {

constexpr std::uint32_t PixelWord(COLORREF c) {
  return std::uint32_t(ColorB(c)) | (std::uint32_t(ColorG(c)) << 8) | (std::uint32_t(ColorR(c)) << 16);
}
constexpr COLORREF ColorOfWord(std::uint32_t w) { return Rgb(std::uint8_t(w >> 16), std::uint8_t(w >> 8), std::uint8_t(w)); }

// rop2 - 1 is the truth table over (pen, destination).
constexpr std::uint32_t ApplyRop2(int rop2, std::uint32_t pen, std::uint32_t dest) {
  std::uint32_t t = std::uint32_t(rop2 - 1);
  std::uint32_t r = 0;
  if (t & 1) r |= ~pen & ~dest;
  if (t & 2) r |= ~pen & dest;
  if (t & 4) r |= pen & ~dest;
  if (t & 8) r |= pen & dest;
  return r & 0x00FFFFFF;
}

// Whether the result depends on the destination (the operation then keeps
// the alpha byte; the others paint opaque).
constexpr bool Rop2ReadsDestination(int rop2) {
  return rop2 != kR2Black && rop2 != kR2White && rop2 != kR2CopyPen && rop2 != kR2NotCopyPen;
}

// `table` (bits 16-23 of the ternary code) over (pattern, source, destination).
constexpr std::uint32_t ApplyRop3(std::uint8_t table, std::uint32_t pattern, std::uint32_t source,
                                  std::uint32_t dest) {
  std::uint32_t r = 0;
  for (int k = 0; k < 8; ++k) {
    if (!(table & (1 << k))) continue;
    r |= ((k & 4) ? pattern : ~pattern) & ((k & 2) ? source : ~source) & ((k & 1) ? dest : ~dest);
  }
  return r & 0x00FFFFFF;
}

// The pixels of the line from (x0, y0) to (x1, y1), the end pixel excluded:
// step i = 0 .. n - 1 along the major axis (the larger of |dx|, |dy|, x on a
// tie), and the minor coordinate is the start's plus i * d_minor / n rounded
// with halves towards positive infinity. Only steps whose major coordinate
// lies in [lo, hi) of the window are visited, so a line millions of pixels
// long costs no more than the window. `plot(x, y, i)` gets the step index
// for dash styles.
template <class Plot>
void ForEachLinePixel(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, const TRect& window,
                      Plot plot) {
  std::int64_t dx = x1 - x0, dy = y1 - y0;
  std::int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  bool xMajor = adx >= ady;
  std::int64_t n = xMajor ? adx : ady;
  if (n == 0) return;
  std::int64_t major0 = xMajor ? x0 : y0;
  std::int64_t minor0 = xMajor ? y0 : x0;
  std::int64_t step = (xMajor ? dx : dy) < 0 ? -1 : 1;
  std::int64_t dMinor = xMajor ? dy : dx;
  std::int64_t lo = xMajor ? window.left : window.top;
  std::int64_t hi = xMajor ? window.right : window.bottom;
  // major0 + step * i in [lo, hi)
  std::int64_t iFirst, iEnd;
  if (step > 0) {
    iFirst = lo - major0;
    iEnd = hi - major0;
  } else {
    iFirst = major0 - hi + 1;
    iEnd = major0 - lo + 1;
  }
  if (iFirst < 0) iFirst = 0;
  if (iEnd > n) iEnd = n;
  for (std::int64_t i = iFirst; i < iEnd; ++i) {
    // floor((2 i d + n) / 2n), in 128 bits: i and d reach 2^32.
    __int128 num = __int128(2) * i * dMinor + n;
    __int128 den = __int128(2) * n;
    __int128 q = num / den;
    if (num % den != 0 && num < 0) --q;
    std::int64_t major = major0 + step * i;
    std::int64_t minor = minor0 + std::int64_t(q);
    if (xMajor)
      plot(major, minor, i);
    else
      plot(minor, major, i);
  }
}

}  // namespace kvn
