#include "platform/metafile/SymbolFaces.h"

#include "platform/metafile/SymbolFaceTables.h"

#include "foundation/WString.h"
#include "platform/fonts/FontSources.h"
#include "platform/fonts/FontTypes.h"
#include "platform/fonts/RealizedFont.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <iterator>

namespace kvn {

namespace {

// Symbol codes 0x20..0xFF; 0 keeps the code as it is (ASCII punctuation and
// digits the face shares with text faces).
constexpr std::array<char16_t, 224> kSymbol = {
    // 0x20
    0, 0, 0x2200, 0, 0x2203, 0, 0, 0x220D, 0, 0, 0x2217, 0, 0, 0x2212, 0, 0,
    // 0x30
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C,
    0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0, 0x2234, 0, 0x22A5, 0,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC,
    0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0, 0, 0, 0x223C, 0x0020,
    // 0x80..0x9F: no characters
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191,
    0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x007C,
    0x2014, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286,
    0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1,
    0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8,
    0x23A9, 0x23AA,
    // 0xF0
    0x0020, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC,
    0x23AD, 0x0020,
};

}  // namespace

SymbolFace SymbolFaceOf(const LogFont& font) {
  if (EqualsAsciiNoCase(font.faceName, u"symbol")) return SymbolFace::kSymbol;
  if (EqualsAsciiNoCase(font.faceName, u"wingdings")) return SymbolFace::kWingdings;
  if (EqualsAsciiNoCase(font.faceName, u"wingdings 2")) return SymbolFace::kWingdings2;
  if (EqualsAsciiNoCase(font.faceName, u"wingdings 3")) return SymbolFace::kWingdings3;
  if (EqualsAsciiNoCase(font.faceName, u"webdings")) return SymbolFace::kWebdings;
  return SymbolFace::kNone;
}

char32_t SymbolFaceChar(SymbolFace face, std::uint32_t code) {
  if (face == SymbolFace::kNone) return char32_t(code);
  if (code >= 0xF000 && code <= 0xF0FF) code -= 0xF000;
  if (code < 0x20 || code > 0xFF) return char32_t(code);
  if (face == SymbolFace::kSymbol) {
    const char16_t c = kSymbol[code - 0x20];
    return c ? c : char32_t(code);
  }
  const SymbolFaceTable* table = DingbatTable(face);
  return table ? (*table)[code - 0x20] : char32_t(code);
}

LogFont SymbolStandIn(const LogFont& font, const char16_t* face) {
  LogFont out = font;
  out.charSet = 1;  // DEFAULT_CHARSET
  std::fill(std::begin(out.faceName), std::end(out.faceName), u'\0');
  for (int i = 0; face[i] && i < kLfFaceSize - 1; ++i) out.faceName[i] = face[i];
  return out;
}

int StandInCoverage(const char16_t* family, const std::vector<char32_t>& text) {
  if (FacesOfFamily(WString(std::u16string_view(family))).empty()) return -1;
  LogFont log;
  const std::unique_ptr<RealizedFont> font = RealizedFont::Create(SymbolStandIn(log, family));
  if (!font) return -1;
  return int(std::count_if(text.begin(), text.end(), [&font](char32_t c) { return font->MapsCharacter(c); }));
}

const char16_t* ChooseStandInFace(const std::vector<char32_t>& text) {
  const char16_t* best = kSymbolStandInFaces[0];
  int bestCount = -1;
  for (const char16_t* face : kSymbolStandInFaces) {
    const int count = StandInCoverage(face, text);
    if (count > bestCount) {
      best = face;
      bestCount = count;
    }
  }
  return best;
}

}  // namespace kvn
