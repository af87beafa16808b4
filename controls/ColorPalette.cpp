#include "controls/ColorPalette.h"

#include <algorithm>
#include <string>

#include "foundation/LangTable.h"

namespace kvn {

namespace {

constexpr std::array<std::uint32_t, kStandardColorCount> kStandard = {
    Rgb(0, 0, 0),     Rgb(128, 128, 128), Rgb(128, 0, 0),   Rgb(128, 128, 0), Rgb(0, 128, 0),   Rgb(0, 128, 128),
    Rgb(0, 0, 128),   Rgb(128, 0, 128),   Rgb(255, 255, 255), Rgb(192, 192, 192), Rgb(255, 0, 0), Rgb(255, 255, 0),
    Rgb(0, 255, 0),   Rgb(0, 255, 255),   Rgb(0, 0, 255),   Rgb(255, 0, 255)};

// The twelve hues of rows 3 to 14, as (R, G, B).
constexpr std::uint8_t kHues[12][3] = {{0xFF, 0, 0},    {0xFF, 0x80, 0}, {0xFF, 0xFF, 0}, {0x80, 0xFF, 0},
                                       {0, 0xFF, 0},    {0, 0xFF, 0x80}, {0, 0xFF, 0xFF}, {0, 0x80, 0xFF},
                                       {0, 0, 0xFF},    {0x80, 0, 0xFF}, {0xFF, 0, 0xFF}, {0xFF, 0, 0x80}};

// A tint lifts a channel of 00 through CB, A5, 80, 3F and one of 80 through
// E5, D2, C0, 9F towards the hue; FF stays.
constexpr std::uint8_t kTintFrom00[4] = {0xCB, 0xA5, 0x80, 0x3F};
constexpr std::uint8_t kTintFrom80[4] = {0xE5, 0xD2, 0xC0, 0x9F};
// A shade scales every channel by D5, AB, 80, 55 over FF, rounded.
constexpr std::uint32_t kShadeFactors[4] = {0xD5, 0xAB, 0x80, 0x55};

std::uint8_t Tint(std::uint8_t channel, int step) {
  if (channel == 0) return kTintFrom00[step];
  if (channel == 0x80) return kTintFrom80[step];
  return channel;
}

std::uint8_t Shade(std::uint8_t channel, int step) {
  return std::uint8_t((channel * kShadeFactors[step] + 127) / 255);
}

std::array<std::uint32_t, kPaletteColorCount> MakePalette() {
  std::array<std::uint32_t, kPaletteColorCount> p{};
  std::size_t n = 0;
  for (std::uint32_t c : {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(128, 128, 128), Rgb(255, 0, 0), Rgb(255, 255, 0),
                          Rgb(0, 255, 0), Rgb(0, 255, 255), Rgb(0, 0, 255), Rgb(255, 0, 255)}) {
    p[n++] = c;
  }
  for (std::uint8_t grey : {0xFF, 0xE0, 0xC0, 0xA0, 0x80, 0x60, 0x40, 0x20, 0x00}) p[n++] = Rgb(grey, grey, grey);
  for (const auto& hue : kHues) {
    for (int step = 0; step < 4; ++step) p[n++] = Rgb(Tint(hue[0], step), Tint(hue[1], step), Tint(hue[2], step));
    p[n++] = Rgb(hue[0], hue[1], hue[2]);
    for (int step = 0; step < 4; ++step) p[n++] = Rgb(Shade(hue[0], step), Shade(hue[1], step), Shade(hue[2], step));
  }
  return p;
}

std::vector<std::uint32_t>& Recent() {
  static std::vector<std::uint32_t> recent;
  return recent;
}

}  // namespace

const std::array<std::uint32_t, kStandardColorCount>& StandardColors() { return kStandard; }

const std::array<std::uint32_t, kPaletteColorCount>& PaletteColors() {
  static const std::array<std::uint32_t, kPaletteColorCount> palette = MakePalette();
  return palette;
}

int StandardColorIndex(std::uint32_t color) {
  for (int i = 0; i < kStandardColorCount; ++i) {
    if (kStandard[std::size_t(i)] == color) return i;
  }
  return -1;
}

void AddRecentColor(std::uint32_t color) {
  auto& recent = Recent();
  std::erase(recent, color);
  recent.insert(recent.begin(), color);
  if (recent.size() > std::size_t(kMaxRecentColors)) recent.resize(kMaxRecentColors);
}

const std::vector<std::uint32_t>& RecentColors() { return Recent(); }

void ClearRecentColors() { Recent().clear(); }

std::array<std::uint32_t, kCustomColorCount>& CustomColors() {
  static std::array<std::uint32_t, kCustomColorCount> custom{};
  return custom;
}

WString ColorTooltipText(std::uint32_t color, const WString& noColorText) {
  if (color & kNoColor) return noColorText;
  WString text;
  if (const int index = StandardColorIndex(color); index >= 0) {
    text = LoadLangString(kFirstColorNameId + index);
    text.AppendChar(u' ');
  }
  const std::string rgb = "(R:" + std::to_string(color & 0xFF) + ",G:" + std::to_string((color >> 8) & 0xFF) +
                          ",B:" + std::to_string((color >> 16) & 0xFF) + ")";
  text.Append(WString::FromUtf8(rgb));
  return text;
}

}  // namespace kvn
