// The installed-font list and font substitution: which installed face to use
// for a face a drawing names, with its pitch-and-family byte and character
// set; and the mapping of text into the private-use range of symbol fonts.
//
// The list is built once from the outline faces of FontSources.h (one entry
// per family name, with the character sets it is reported in) and kept; a
// test that switches the fontconfig file sees the new list.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

struct InstalledFont {
  WString faceName;
  std::vector<std::uint8_t> charsets;  // in the order reported
  std::uint8_t pitchAndFamily = 0;
};

// The list in name order (symbol-only faces after the others of the same
// name prefix); built on first use.
const std::vector<InstalledFont>& EnsureInstalledFontList();
// The entry of a face (case and accents ignored; a leading '@' is ignored),
// or null.
const InstalledFont* FindInstalledFont(const WString& faceName);
// Sets `face`, `pitchAndFamily` and `charset` to the face to use for the
// request and answers whether the requested face itself is installed.
bool FindSubstituteFont(WString& face, std::uint8_t& pitchAndFamily, std::uint8_t& charset,
                        const WString& requested, std::uint8_t requestedPitchAndFamily);
// The installed face that draws a face nobody has, asked with the text's
// weight, slant and pitch-and-family byte: fontconfig's choice for the
// family when that choice is in the list, else FindSubstituteFont's answer
// (which ends in the default GUI face). Never empty while the default GUI
// face has a name; remembered per request until the list is built again.
WString FindStyledSubstitute(const WString& requested, int weight, bool italic, std::uint8_t pitchAndFamily);
void ClearFontList();
// Copies of all entries in the order of the name index.
std::vector<InstalledFont> CopyInstalledFontList();

// The system's default GUI face, asked once when no installed face fits. The
// window layer sets the hook; without one it is "DejaVu Sans" (0x22).
struct DefaultGuiFace {
  WString faceName;
  std::uint8_t pitchAndFamily = 0x22;
};
void SetDefaultGuiFaceHook(std::function<DefaultGuiFace()> hook);

// A character below 256, or one that is a single byte of the ANSI code page,
// moves to 0xF000 + that byte; others stay.
char16_t ToSymbolFontChar(char16_t c);
WString ToSymbolFontText(const WString& text);
// 0xF0xx becomes 0x00xx, in place.
void FromSymbolFontText(WString& text);
// Every '~' becomes a TAB.
WString TildesToTabs(const WString& text);

}  // namespace kvn
