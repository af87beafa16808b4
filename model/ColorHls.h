// Colour arithmetic shared by the colour mapping of the display modes and
// the renderer's palette helpers: MulDiv as the Windows API rounds it, and
// hue-lightness-saturation on the 0..240 scale of the Windows colour dialog.
//
// Colours are 0x00BBGGRR.
#pragma once

#include <cstdint>

namespace kvn {

// a x b / c with a 64-bit product, rounded half away from zero; -1 when c is
// 0 or the result does not fit 32 bits.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

// Hue, lightness and saturation, each 0..240. The hue of a grey is
// undefined and reported as 160 (two thirds of the circle).
struct Hls {
  int hue = 0;
  int lightness = 0;
  int saturation = 0;
  friend bool operator==(const Hls&, const Hls&) = default;
};

inline constexpr int kHlsMax = 240;
inline constexpr int kHlsUndefinedHue = kHlsMax * 2 / 3;

// Lightness = (max + min) x 120 / 255 rounded; saturation 0 for a grey and
// (max - min) x 240 over (max + min) in the dark half, over
// (510 - max - min) in the light half.
Hls RgbToHls(std::uint32_t color);
// The inverse; values outside 0..240 are clamped first.
std::uint32_t HlsToRgb(const Hls& hls);

}  // namespace kvn
