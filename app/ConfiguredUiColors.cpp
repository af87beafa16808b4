#include "app/ConfiguredUiColors.h"

#include <algorithm>

#include "foundation/UiColors.h"
#include "model/ColorHls.h"

namespace kvn {

namespace {

// Lightness bounds on the 0..240 scale.
constexpr int kDarkSchemeBelow = 30;
constexpr int kLightSchemeAbove = 210;

}  // namespace

std::int32_t ConfiguredUiColorBase(int index) {
  switch (index) {
    case 132: return 0x00D9EEFF;  // menu
    case 133: return 0x00FFFFEE;  // window
    case 143: return 0x00F3DDC7;  // button face
    default: return kNoUiColor;
  }
}

std::int32_t FitConfiguredUiColor(std::uint32_t configured, std::uint32_t systemColor) {
  const int schemeLightness = RgbToHls(systemColor).lightness;
  Hls hls = RgbToHls(configured);
  if (schemeLightness < kDarkSchemeBelow) {
    if (hls.lightness <= kDarkSchemeBelow) return std::int32_t(configured);
    hls.lightness = kDarkSchemeBelow;
  } else if (schemeLightness <= kLightSchemeAbove) {
    return kNoUiColor;
  } else {
    if (hls.lightness >= kLightSchemeAbove) return std::int32_t(configured);
    hls.lightness = kLightSchemeAbove;
  }
  return std::int32_t(HlsToRgb(hls) & 0x00FFFFFF);
}

std::int32_t ShellConfiguredUiColor(int index) {
  const std::int32_t base = ConfiguredUiColorBase(index);
  if (base == kNoUiColor) return kNoUiColor;
  return FitConfiguredUiColor(std::uint32_t(base), GetSystemColor(index & 127));
}

void InstallConfiguredUiColors() { SetConfiguredUiColorHook(&ShellConfiguredUiColor); }

}  // namespace kvn
