// The stroke's pen cache: the last pen made for a stroke with its key
// (colour, width in 1/256 device units, pen option, dash pattern), shared by
// every drawing context of the process, so that a drawing of many like lines
// makes one pen. Pens are reference counted (platform/gdi/GdiObjects.h): a
// pen the cache replaces while still selected into some context stays alive
// until that context selects another.
//
// Also the once-per-process probe whether user-style (dashed) pens draw
// dashes on this system's device contexts.
//
// GUI thread only.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"
#include "platform/gdi/GdiObjects.h"

namespace kvn {

struct PenCache {
  TPen pen;
  COLORREF color = 0;
  std::int32_t width = 0;          // 1/256 device units
  std::uint8_t penOption = 0;
  GrowArray<std::int32_t> dashes{8};
  // 1 when the cached pen draws no dash pattern itself.
  std::uint8_t lastPenSolid = 1;
  // 2 not yet probed, 0 usable, 1 not usable.
  int userStyleSupport = 2;

  bool Matches(COLORREF c, std::int32_t w, std::uint8_t option, const GrowArray<std::int32_t>& pattern) const;
};

PenCache& GetPenCache();
// Whether dashed user-style pens draw dashes: decided once by drawing a
// {10, 10} dashed line onto a white 100 x 100 bitmap and looking for both
// white and dark pixels among pixels 1 to 19 of the first row.
bool UserStylePensUsable();
// Drops the cached pen and its key (tests); the probe stays decided.
void ResetPenCache();

}  // namespace kvn
