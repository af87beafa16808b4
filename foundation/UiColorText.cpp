#include "foundation/UiColorText.h"

#include <cstdint>
#include <cstdio>

#include "foundation/UiColors.h"

namespace kvn {

namespace {
constexpr std::size_t kGroup = 8;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::string ColorOverridesToText() {
  std::string out;
  out.reserve(kUiColorCount * kGroup);
  for (int i = 0; i < kUiColorCount; ++i) {
    // The table answers unset entries with the system colour; the text keeps them unset.
    const std::uint32_t value = HasUiSysColor(i) ? GetUiSysColor(i) : 0xFFFFFFFFu;
    char group[kGroup + 1];
    std::snprintf(group, sizeof group, "%08X", unsigned(value));
    out.append(group, kGroup);
  }
  return out;
}

void ColorOverridesFromText(std::string_view text) {
  const std::size_t groups = std::min<std::size_t>(text.size() / kGroup, kUiColorCount);
  for (std::size_t g = 0; g < groups; ++g) {
    const std::string_view group = text.substr(g * kGroup, kGroup);
    std::size_t i = 0;
    while (i < group.size() && group[i] == ' ') ++i;
    std::uint32_t value = 0;
    for (; i < group.size() && HexValue(group[i]) >= 0; ++i) value = value << 4 | std::uint32_t(HexValue(group[i]));
    SetUiSysColor(int(g), std::int32_t(value));
  }
}

}  // namespace kvn
