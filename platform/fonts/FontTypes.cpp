#include "platform/fonts/FontTypes.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace kvn {

namespace {

void Put32(std::uint8_t* p, std::int32_t v) {
  const auto u = std::uint32_t(v);
  p[0] = std::uint8_t(u);
  p[1] = std::uint8_t(u >> 8);
  p[2] = std::uint8_t(u >> 16);
  p[3] = std::uint8_t(u >> 24);
}
void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
std::int32_t Get32(const std::uint8_t* p) {
  return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                      std::uint32_t(p[3]) << 24);
}
std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

}  // namespace

void SetLogFontFace(LogFont& logFont, const WString& name) {
  std::fill(std::begin(logFont.faceName), std::end(logFont.faceName), u'\0');
  for (int i = 0; i < name.Length() && i < kLfFaceSize - 1; ++i) logFont.faceName[i] = name[i];
}

WString LogFontFace(const LogFont& logFont) {
  std::size_t n = 0;
  while (n < std::size_t(kLfFaceSize) && logFont.faceName[n] != 0) ++n;
  return WString(std::u16string_view(logFont.faceName, n));
}

void WriteTextMetric(const TextMetric& tm, std::uint8_t* out) {
  std::memset(out, 0, kTextMetricSize);
  const std::int32_t longs[] = {tm.height,        tm.ascent,       tm.descent,          tm.internalLeading,
                                tm.externalLeading, tm.aveCharWidth, tm.maxCharWidth,     tm.weight,
                                tm.overhang,       tm.digitizedAspectX, tm.digitizedAspectY};
  for (std::size_t i = 0; i < 11; ++i) Put32(out + 4 * i, longs[i]);
  Put16(out + 44, tm.firstChar);
  Put16(out + 46, tm.lastChar);
  Put16(out + 48, tm.defaultChar);
  Put16(out + 50, tm.breakChar);
  out[52] = tm.italic;
  out[53] = tm.underlined;
  out[54] = tm.struckOut;
  out[55] = tm.pitchAndFamily;
  out[56] = tm.charSet;
}

TextMetric ReadTextMetric(const std::uint8_t* in) {
  TextMetric tm;
  std::int32_t* longs[] = {&tm.height,   &tm.ascent,         &tm.descent,         &tm.internalLeading,
                           &tm.externalLeading, &tm.aveCharWidth, &tm.maxCharWidth, &tm.weight,
                           &tm.overhang, &tm.digitizedAspectX, &tm.digitizedAspectY};
  for (std::size_t i = 0; i < 11; ++i) *longs[i] = Get32(in + 4 * i);
  tm.firstChar = Get16(in + 44);
  tm.lastChar = Get16(in + 46);
  tm.defaultChar = Get16(in + 48);
  tm.breakChar = Get16(in + 50);
  tm.italic = in[52];
  tm.underlined = in[53];
  tm.struckOut = in[54];
  tm.pitchAndFamily = in[55];
  tm.charSet = in[56];
  return tm;
}

OutlineMetricsView::OutlineMetricsView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
  if (bytes.size() < kOutlineMetricsSize) return;
  const std::uint32_t size = std::uint32_t(Get32(bytes.data()));
  valid_ = size >= kOutlineMetricsSize && size <= bytes.size();
  if (valid_) bytes_ = bytes.first(size);
}

TextMetric OutlineMetricsView::Text() const {
  if (!valid_) return TextMetric{};
  return ReadTextMetric(bytes_.data() + otm::kTextMetrics);
}

std::int32_t OutlineMetricsView::Int(std::size_t offset) const {
  if (!valid_ || offset + 4 > kOutlineMetricsSize) return 0;
  return Get32(bytes_.data() + offset);
}

WString OutlineMetricsView::Name(std::size_t field) const {
  const std::uint32_t at = UInt(field);
  WString out;
  if (at < kOutlineMetricsSize) return out;
  for (std::size_t p = at; p + 1 < bytes_.size(); p += 2) {
    const char16_t c = char16_t(Get16(bytes_.data() + p));
    if (c == 0) break;
    out.AppendChar(c);
  }
  return out;
}

}  // namespace kvn
