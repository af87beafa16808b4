#include "model/ColorHls.h"

#include <algorithm>
#include <cstdlib>

namespace kvn {

namespace {

constexpr int kRgbMax = 255;

int Red(std::uint32_t c) { return int(c & 0xFF); }
int Green(std::uint32_t c) { return int((c >> 8) & 0xFF); }
int Blue(std::uint32_t c) { return int((c >> 16) & 0xFF); }

// One channel of the inverse conversion: n1 and n2 are the two magic values
// of the lightness band, hue on the 0..240 circle.
int HueToChannel(int n1, int n2, int hue) {
  if (hue < 0) hue += kHlsMax;
  if (hue > kHlsMax) hue -= kHlsMax;
  if (hue < kHlsMax / 6) return n1 + ((n2 - n1) * hue + kHlsMax / 12) / (kHlsMax / 6);
  if (hue < kHlsMax / 2) return n2;
  if (hue < kHlsMax * 2 / 3) return n1 + ((n2 - n1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6);
  return n1;
}

int ToByte(int channel) { return std::clamp((channel * kRgbMax + kHlsMax / 2) / kHlsMax, 0, kRgbMax); }

}  // namespace

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  std::int64_t product = std::int64_t(a) * b;
  std::int64_t divisor = c;
  // Round half away from zero: add half the divisor in the direction of the result.
  const bool negative = (product < 0) != (divisor < 0);
  std::int64_t magnitude = std::llabs(product);
  std::int64_t d = std::llabs(divisor);
  std::int64_t q = (magnitude + d / 2) / d;
  if (negative) q = -q;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return std::int32_t(q);
}

Hls RgbToHls(std::uint32_t color) {
  const int r = Red(color), g = Green(color), b = Blue(color);
  const int cMax = std::max({r, g, b});
  const int cMin = std::min({r, g, b});
  Hls out;
  out.lightness = ((cMax + cMin) * kHlsMax + kRgbMax) / (2 * kRgbMax);
  if (cMax == cMin) {
    out.saturation = 0;
    out.hue = kHlsUndefinedHue;
    return out;
  }
  const int sum = cMax + cMin;
  const int range = cMax - cMin;
  if (out.lightness <= kHlsMax / 2) {
    out.saturation = (range * kHlsMax + sum / 2) / sum;
  } else {
    const int rest = 2 * kRgbMax - sum;
    out.saturation = (range * kHlsMax + rest / 2) / rest;
  }
  const int rDelta = ((cMax - r) * (kHlsMax / 6) + range / 2) / range;
  const int gDelta = ((cMax - g) * (kHlsMax / 6) + range / 2) / range;
  const int bDelta = ((cMax - b) * (kHlsMax / 6) + range / 2) / range;
  int hue;
  if (r == cMax) {
    hue = bDelta - gDelta;
  } else if (g == cMax) {
    hue = kHlsMax / 3 + rDelta - bDelta;
  } else {
    hue = kHlsMax * 2 / 3 + gDelta - rDelta;
  }
  if (hue < 0) hue += kHlsMax;
  if (hue > kHlsMax) hue -= kHlsMax;
  out.hue = hue;
  return out;
}

std::uint32_t HlsToRgb(const Hls& hls) {
  const int h = std::clamp(hls.hue, 0, kHlsMax);
  const int l = std::clamp(hls.lightness, 0, kHlsMax);
  const int s = std::clamp(hls.saturation, 0, kHlsMax);
  int r, g, b;
  if (s == 0) {
    r = g = b = l * kRgbMax / kHlsMax;
  } else {
    const int magic2 = l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax
                                        : l + s - (l * s + kHlsMax / 2) / kHlsMax;
    const int magic1 = 2 * l - magic2;
    r = ToByte(HueToChannel(magic1, magic2, h + kHlsMax / 3));
    g = ToByte(HueToChannel(magic1, magic2, h));
    b = ToByte(HueToChannel(magic1, magic2, h - kHlsMax / 3));
  }
  return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
}

}  // namespace kvn
