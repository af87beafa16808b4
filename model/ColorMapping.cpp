#include "model/ColorMapping.h"

#include <algorithm>

#include "model/ColorHls.h"

namespace kvn {

namespace {

std::uint32_t Grey(std::uint32_t c) {
  const int r = int(c & 0xFF), g = int((c >> 8) & 0xFF), b = int((c >> 16) & 0xFF);
  const std::uint32_t v = std::uint32_t(MulDiv(std::min({r, g, b}) + std::max({r, g, b}), 255, 510));
  return v | (v << 8) | (v << 16);
}

// Steps shared by fills and strokes: override, grey, lightness clamp.
std::uint32_t MapCommon(const ColorMappingState& state, std::uint32_t color, bool stroke) {
  std::uint32_t c = color & 0xFFFFFF;
  if (state.overrideColor != -1 && color != kColorWhite) c = std::uint32_t(state.overrideColor) & 0xFFFFFF;
  if (state.mode == ColorMode::Grey) {
    c = Grey(c);
  } else if (state.mode == ColorMode::LightnessClamped) {
    if (c != kColorWhite && c != kColorBlack) {
      Hls hls = RgbToHls(c);
      const int half = kHlsMax / 2;
      hls.lightness = state.swapBlackWhite ? std::max(hls.lightness, half) : std::min(hls.lightness, half);
      c = HlsToRgb(hls);
    } else if (stroke && c == kColorWhite && state.swapBlackWhite) {
      c = kColorBlack;
    }
  }
  return c;
}

}  // namespace

std::uint32_t MapFillColor(const ColorMappingState& state, std::uint32_t color) {
  return MapCommon(state, color, false);
}

std::uint32_t MapLineColor(const ColorMappingState& state, std::uint32_t color) {
  std::uint32_t c = MapCommon(state, color, true);
  if (state.swapBlackWhite) {
    if (c == kColorWhite) {
      c = kColorBlack;
    } else if (c == kColorBlack) {
      c = kColorWhite;
    }
  }
  return c;
}

}  // namespace kvn
