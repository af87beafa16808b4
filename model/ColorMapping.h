// The colour mapping of the display modes: what colour an object's fill or
// stroke colour is painted in, given the drawing context's override colour,
// colour mode and black/white swap.
//
// Colours are 0x00BBGGRR; bit 31 set means "not set". White (exactly
// 0xFFFFFF) is the paper and black (0) the ink: the override never touches
// white, the lightness clamp leaves both alone, and the swap exchanges them
// for strokes only.
#pragma once

#include <cstdint>

namespace kvn {

enum class ColorMode : std::int32_t {
  Normal = 0,
  Grey = 1,
  // Lightness clamped to the dark half (at most 120 of 240), or with the
  // swap flag to the light half, so colours stay readable on the paper.
  LightnessClamped = 3,
};

// The three values of the drawing context that the mapping reads.
struct ColorMappingState {
  // -1 none; otherwise every colour but white is painted in this one.
  std::int32_t overrideColor = -1;
  ColorMode mode = ColorMode::Normal;
  // Draw white as black and black as white (strokes).
  bool swapBlackWhite = false;
};

inline constexpr std::uint32_t kColorWhite = 0xFFFFFF;
inline constexpr std::uint32_t kColorBlack = 0x000000;

std::uint32_t MapFillColor(const ColorMappingState& state, std::uint32_t color);
std::uint32_t MapLineColor(const ColorMappingState& state, std::uint32_t color);

}  // namespace kvn
