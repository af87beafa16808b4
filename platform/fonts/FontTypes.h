// Plain values of the font layer: the logical font a caller asks for, the
// text metrics of a realised font, Unicode ranges, and the byte layouts in
// which drawings store metrics (little-endian, the 32-bit Windows layouts;
// offsets in README.md).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/GdiObjects.h"

namespace kvn {

inline constexpr std::uint8_t kAnsiCharset = 0;
inline constexpr std::uint8_t kDefaultCharset = 1;
inline constexpr std::uint8_t kSymbolCharset = 2;
inline constexpr std::uint8_t kOemCharset = 255;

// Pitch-and-family bytes of the installed-font list: fixed pitch + modern,
// variable pitch + roman, variable pitch + swiss.
inline constexpr std::uint8_t kPitchFamilyMono = 0x31;
inline constexpr std::uint8_t kPitchFamilySerif = 0x12;
inline constexpr std::uint8_t kPitchFamilySans = 0x22;

// What a caller asks a font to be: the device layer's LOGFONT (height < 0:
// the em height is -height pixels; height > 0: the cell height, ascent +
// descent; 0: a default size). Weight 600 and above makes a regular face
// bold by emboldening.
void SetLogFontFace(LogFont& logFont, const WString& name);  // cut to 31 characters
WString LogFontFace(const LogFont& logFont);

struct TextMetric {
  std::int32_t height = 0;
  std::int32_t ascent = 0;
  std::int32_t descent = 0;
  std::int32_t internalLeading = 0;
  std::int32_t externalLeading = 0;
  std::int32_t aveCharWidth = 0;
  std::int32_t maxCharWidth = 0;
  std::int32_t weight = 0;
  std::int32_t overhang = 0;
  std::int32_t digitizedAspectX = 96;
  std::int32_t digitizedAspectY = 96;
  std::uint16_t firstChar = 0;
  std::uint16_t lastChar = 0;
  std::uint16_t defaultChar = 0;
  std::uint16_t breakChar = 0;
  std::uint8_t italic = 0;
  std::uint8_t underlined = 0;
  std::uint8_t struckOut = 0;
  std::uint8_t pitchAndFamily = 0;
  std::uint8_t charSet = 0;
};

// One run of consecutive characters a font maps.
struct UnicodeRange {
  std::uint16_t first = 0;
  std::uint16_t count = 0;
};

// ---- stored layouts ----

inline constexpr std::size_t kTextMetricSize = 60;
// The fixed part of an outline-metrics block; its face-name strings follow.
inline constexpr std::size_t kOutlineMetricsSize = 216;

// Offsets in an outline-metrics block of the fields the text code reads.
namespace otm {
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kTextMetrics = 4;  // a TextMetric block
inline constexpr std::size_t kEmSquare = 96;
inline constexpr std::size_t kCapEmHeight = 112;
inline constexpr std::size_t kStrikeoutSize = 184;
inline constexpr std::size_t kStrikeoutPosition = 188;
inline constexpr std::size_t kUnderscoreSize = 192;
inline constexpr std::size_t kUnderscorePosition = 196;
inline constexpr std::size_t kFamilyName = 200;
inline constexpr std::size_t kFaceName = 204;
inline constexpr std::size_t kStyleName = 208;
inline constexpr std::size_t kFullName = 212;
}  // namespace otm

void WriteTextMetric(const TextMetric& tm, std::uint8_t* out60);
TextMetric ReadTextMetric(const std::uint8_t* in60);

// A stored outline-metrics block, read with its length checked: a block
// shorter than its fixed part, or whose first word (its own size) is below
// that or beyond the bytes held, is not valid and every field reads as 0.
class OutlineMetricsView {
 public:
  explicit OutlineMetricsView(std::span<const std::uint8_t> bytes);
  bool Valid() const { return valid_; }
  TextMetric Text() const;
  std::int32_t Int(std::size_t offset) const;
  std::uint32_t UInt(std::size_t offset) const { return std::uint32_t(Int(offset)); }
  // A face-name string of the block (kFamilyName...), empty when its offset
  // lies outside the block.
  WString Name(std::size_t field) const;

 private:
  std::span<const std::uint8_t> bytes_;
  bool valid_ = false;
};

}  // namespace kvn
