#include "foundation/UiColors.h"

namespace kvn {

namespace {

// The classic Windows scheme (COLORREF 0x00BBGGRR), for a process without a
// display; index 25 and 31 are not system colours.
constexpr std::uint32_t kDefaultSysColors[kUiColorCount] = {
    0xC8C8C8,  //  0 scroll bar
    0xA56E3A,  //  1 desktop
    0x6A240A,  //  2 active caption
    0x808080,  //  3 inactive caption
    0xC8D0D4,  //  4 menu
    0xFFFFFF,  //  5 window
    0x000000,  //  6 window frame
    0x000000,  //  7 menu text
    0x000000,  //  8 window text
    0xFFFFFF,  //  9 caption text
    0xC8D0D4,  // 10 active border
    0xC8D0D4,  // 11 inactive border
    0x808080,  // 12 application workspace
    0x6A240A,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xC8D0D4,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 grey text
    0x000000,  // 18 button text
    0xC8D0D4,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x404040,  // 21 3-D dark shadow
    0xC8D0D4,  // 22 3-D light
    0x000000,  // 23 tooltip text
    0xE1FFFF,  // 24 tooltip background
    0x000000,  // 25
    0x800000,  // 26 hot-tracked item
    0xF0CAA6,  // 27 active caption gradient
    0xC0C0C0,  // 28 inactive caption gradient
    0xC56A31,  // 29 menu highlight
    0xC8D0D4,  // 30 menu bar
    0x000000,  // 31
};

struct UiColorState {
  std::int32_t table[kUiColorCount];
  SystemColorProvider* provider = nullptr;
  ConfiguredUiColorHook configured = nullptr;

  UiColorState() {
    for (std::int32_t& c : table) c = kNoUiColor;
  }
};

// Filled on first use: every entry -1.
UiColorState& UiColorData() {
  static UiColorState state;
  return state;
}

}  // namespace

SystemColorProvider* SetSystemColorProvider(SystemColorProvider* provider) {
  SystemColorProvider* previous = UiColorData().provider;
  UiColorData().provider = provider;
  return previous;
}

std::uint32_t GetSystemColor(int index) {
  if (index < 0 || index >= kUiColorCount) return 0;
  const SystemColorProvider* provider = UiColorData().provider;
  return provider ? provider->GetSysColor(index) : kDefaultSysColors[index];
}

ConfiguredUiColorHook SetConfiguredUiColorHook(ConfiguredUiColorHook hook) {
  ConfiguredUiColorHook previous = UiColorData().configured;
  UiColorData().configured = hook;
  return previous;
}

std::int32_t GetConfiguredUiColor(int index) {
  const ConfiguredUiColorHook hook = UiColorData().configured;
  return hook ? hook(index) : kNoUiColor;
}

std::uint32_t GetUiSysColor(int index) {
  const std::int32_t configured = GetConfiguredUiColor(index);
  if (configured != kNoUiColor) return std::uint32_t(configured);
  const int i = index & 127;
  if (i >= kUiColorCount) return 0;
  const std::int32_t entry = UiColorData().table[i];
  return entry != kNoUiColor ? std::uint32_t(entry) : GetSystemColor(i);
}

bool HasUiSysColor(int index) {
  if (GetConfiguredUiColor(index) != kNoUiColor) return true;
  const int i = index & 127;
  return i < kUiColorCount && UiColorData().table[i] != kNoUiColor;
}

void SetUiSysColor(int index, std::int32_t color) {
  if (index >= 0 && index < kUiColorCount) UiColorData().table[index] = color;
}

}  // namespace kvn
