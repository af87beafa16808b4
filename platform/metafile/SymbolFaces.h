// Text in the Symbol and dingbat faces where no such font is installed.
//
// Those faces draw their pictograms at the codes of plain letters (0x20 to
// 0xFF, or 0xF020 to 0xF0FF in UTF-16 records). A font that stands in for
// them draws letters instead, so the codes are turned into the Unicode
// characters of the pictograms (Greek letters and mathematical signs for
// Symbol; for Wingdings, Wingdings 2, Wingdings 3 and Webdings the
// characters Unicode 7.0 encoded them as, most outside the Basic
// Multilingual Plane) and drawn with a face that has them: OpenSymbol
// (Debian fonts-opensymbol), DejaVu Sans or Symbola (fonts-symbola),
// whichever has more of a run's characters, found like any face.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/GdiObjects.h"

namespace kvn {

enum class SymbolFace : std::uint8_t { kNone, kSymbol, kWingdings, kWingdings2, kWingdings3, kWebdings };
inline constexpr int kSymbolFaceCount = 5;  // the faces after kNone

// The face a font name asks for (ASCII case ignored).
SymbolFace SymbolFaceOf(const LogFont& font);

// The Unicode character of a code of the face; `code` is the record's
// character (a byte, or a UTF-16 unit). Codes outside the face's range are
// answered as they are.
char32_t SymbolFaceChar(SymbolFace face, std::uint32_t code);

// The faces that may stand in, in order of preference: OpenSymbol draws the
// Symbol face's signs as office documents show them; DejaVu Sans has the
// older dingbats (zodiac, hands, lozenges); Symbola has every pictograph the
// dingbat faces were encoded as.
inline constexpr const char16_t* kSymbolStandInFaces[] = {u"OpenSymbol", u"DejaVu Sans", u"Symbola"};
inline constexpr const char16_t* kSymbolStandInFace = kSymbolStandInFaces[0];

// The characters of `text` an installed face of the family has; -1 when
// the family is not installed (another face would be drawn for it).
int StandInCoverage(const char16_t* family, const std::vector<char32_t>& text);

// The stand-in of the list that has the most of the characters (the first
// of equals), or the first when none is installed.
const char16_t* ChooseStandInFace(const std::vector<char32_t>& text);

// The font the converted text is drawn with: the same font on the face.
LogFont SymbolStandIn(const LogFont& font, const char16_t* face = kSymbolStandInFace);

}  // namespace kvn
