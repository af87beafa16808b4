// Imported CAD texts carry inline codes that the text object does not know:
// MTEXT formatting (backslash codes, braces for grouping) and the %% control
// codes of single-line texts. These routines turn them into plain text, and
// place an imported text under the import transform.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/Vec3.h"
#include "foundation/WString.h"

namespace kvn {

class ImportMatrix;
class cText;

// Characters one or more calls looked at, copied or wrote: the stripping
// is one pass, so this stays a small multiple of the text's length.
struct TextCodeWork {
  std::uint64_t characters = 0;
};

// MTEXT codes removed: \P a line feed, \N and "\ " two line feeds, \~ a
// space, \S a/b; stacked text as [a/b], \U+XXXX the character, \\ \{ \}
// literals, the on/off codes \L \O \K gone, every other code up to its ";"
// (or up to a "{" that comes first). Sets hasSpace when the text holds a space.
WString& StripMtextCodes(WString& out, const WString& text, bool& hasSpace, TextCodeWork* work = nullptr);

// %%c, %%d, %%p: diameter, degree, plus-minus. Single-line texts (multiLine
// false) also lose %%o and %%u, keep one % of %%%, and take %%nnn as the
// character nnn (from 32 on); in multi-line texts those stay as written.
WString& ConvertPercentCodes(WString& out, const WString& text, bool multiLine, TextCodeWork* work = nullptr);

// The character of the four hexadecimal digits at `position`; none when a
// digit is not hexadecimal, the text ends first, or the value is U+0000 or a
// surrogate (a lone surrogate would make the text invalid UTF-16).
std::optional<char16_t> HexDigitsToChar(const WString& text, int position);

// The text object's justification index 0..11 from the packed flags: bit 0
// fit or aligned, bits 17 and 18 the horizontal, bits 24 and 25 the
// vertical choice.
int GetTextJustifyIndex(std::uint32_t flags);

// Turns and scales the text for the transform: the angle from the mapped
// direction, the height by the mapped up vector, the width factor and the
// wrap width by the mapped direction; a text seen from behind (its plane's
// normal crossed with the direction maps to the other side of the mapped
// direction than an upright text's up) is mirrored across its baseline.
// False (text unchanged) when the direction or the up vector vanishes
// before or after mapping.
bool FitTextToTransform(cText& text, const ImportMatrix& transform, const Vec3& direction, const Vec3& extrusion);

}  // namespace kvn
