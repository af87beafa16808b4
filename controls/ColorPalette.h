// The colours a user picks from: the 16 named standard colours, the palette
// of 126 colours (14 rows of 9), and the two program-wide lists shared by
// every picker: the recent colours (at most 9, most recent first) and the
// 16 custom colours of the system colour dialog. Colours are COLORREF
// values 0x00BBGGRR; a value with the high bit set means no colour.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

inline constexpr std::uint32_t kNoColor = 0x80000000;
inline constexpr int kStandardColorCount = 16;
inline constexpr int kPaletteColorCount = 126;
inline constexpr int kPaletteColumns = 9;
inline constexpr int kMaxRecentColors = 9;
inline constexpr int kCustomColorCount = 16;
// String id of the first standard colour's name.
inline constexpr int kFirstColorNameId = 30600;

const std::array<std::uint32_t, kStandardColorCount>& StandardColors();
const std::array<std::uint32_t, kPaletteColorCount>& PaletteColors();
// The index of a standard colour, -1 for any other.
int StandardColorIndex(std::uint32_t color);

// Adds a colour at the front, removing an equal entry first and what lies
// beyond nine.
void AddRecentColor(std::uint32_t color);
const std::vector<std::uint32_t>& RecentColors();
void ClearRecentColors();
std::array<std::uint32_t, kCustomColorCount>& CustomColors();

// The tooltip of a colour: the standard name and a blank, then
// "(R:%d,G:%d,B:%d)"; `noColorText` for a no-colour value.
WString ColorTooltipText(std::uint32_t color, const WString& noColorText);

}  // namespace kvn
