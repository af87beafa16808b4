#include "platform/gdi/UiFill.h"

#include "foundation/UiColors.h"
#include "platform/gdi/GdiObjects.h"

namespace kvn {

COLORREF ResolveUiColorValue(std::uint32_t value) {
  if (value & kUiColorFlag) return COLORREF(GetUiSysColor(int(value & 0xFF)));
  return COLORREF(value & 0x00FFFFFF);
}

bool FillRectWithColor(TDC& dc, const TRect& rect, COLORREF color) { return dc.FillRect(rect, TBrush(color)); }

bool FillRectWithUiColor(TDC& dc, const TRect& rect, std::uint32_t colorValue) {
  return FillRectWithColor(dc, rect, ResolveUiColorValue(colorValue));
}

}  // namespace kvn
