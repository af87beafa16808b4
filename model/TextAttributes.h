// TextAttributes: the text-attribute record. A text style holds one; texts
// read their effective attributes out into one and merge one back; the old
// drawing header carries three. It never reaches a file as raw bytes (the
// text-style record writes its fields one by one), so its layout is ours.
//
// Colours are 0x00BBGGRR with bit 31 meaning "not set". In a style the seven
// flag bytes are 0 (off) or 1 (on); in a record handed to a text they are
// tri-state: 0 off, 1 on, 2 keep the text's own.
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr int kFaceNameUnits = 32;  // with the terminator: 31 usable units
inline constexpr std::uint8_t kTriStateKeep = 2;

struct TextAttributes {
  std::uint32_t color = 0;
  // The frame colour of a styled text's background box; 0x80FFFFFF none.
  std::uint32_t secondColor = 0x80FFFFFF;
  // The frame flag of a styled text; 255 none.
  std::uint8_t optionalByte = 255;
  double height = 3.0;
  // Answered by cText::GetStyleValue.
  double styleValue = 0.0;
  std::uint8_t bold = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t fifthFlag = 1;  // always 1; kept for the record's shape
  std::uint8_t mirrorX = 0;
  std::uint8_t mirrorY = 0;
  // Always terminated; used when fontIndex is 65535.
  char16_t faceName[kFaceNameUnits] = {};
  // LOGFONT character set and pitch-and-family that go with the face name.
  std::uint8_t charSet = 0;
  std::uint8_t pitchAndFamily = 0;
  // Index into the drawing's font table; 65535 = use the face name.
  std::uint16_t fontIndex = 65535;
  double widthFactor = 1.0;
};

// Copies at most kFaceNameUnits - 1 units of a text (stopping at a 0 unit)
// into the face name and terminates it.
inline void SetFaceName(TextAttributes& attributes, const char16_t* text, int length) {
  int n = 0;
  if (text) {
    for (; n < length && n < kFaceNameUnits - 1 && text[n] != 0; ++n) attributes.faceName[n] = text[n];
  }
  for (int i = n; i < kFaceNameUnits; ++i) attributes.faceName[i] = 0;
}

}  // namespace kvn
