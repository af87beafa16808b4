// Filling rectangles of a device context with a plain colour or with one of
// the interface colours (foundation/UiColors.h).
#pragma once

#include <cstdint>

#include "platform/gdi/DeviceContext.h"

namespace kvn {

// A colour value with bit 31 set names the interface colour whose index is
// its low 8 bits (as the class library's colour type marks system colours);
// any other value is a plain 0x00BBGGRR colour.
inline constexpr std::uint32_t kUiColorFlag = 0x80000000u;
inline constexpr std::uint32_t UiColorValue(int index) { return kUiColorFlag | (std::uint32_t(index) & 0xFF); }
COLORREF ResolveUiColorValue(std::uint32_t value);

// FillRect with a temporary solid brush.
bool FillRectWithColor(TDC& dc, const TRect& rect, COLORREF color);
bool FillRectWithUiColor(TDC& dc, const TRect& rect, std::uint32_t colorValue);

}  // namespace kvn
