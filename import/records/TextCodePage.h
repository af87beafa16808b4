// Narrow texts of CAD drawings turned into wide text: the bytes are decoded in
// the drawing's code page (0: the ANSI code page), then two escapes that the
// writers put into narrow texts are resolved:
//   \M+nXXXX  a double-byte character XXXX (hexadecimal, lead byte first) of
//             the East Asian code page n: 1 = 932, 2 = 950, 3 = 949,
//             4 = 1361, 5 = 936; any other n, or bytes the code page cannot
//             decode, give "?";
//   \U+XXXX   the character U+XXXX (U+2205, the CAD diameter sign, becomes
//             U+00F8). Not four hexadecimal digits, U+0000 or a surrogate
//             leave the escape as text.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "import/records/TextCodes.h"

namespace kvn {

// The code page of the \M+ escape digit, 0 for an unknown digit.
int CodePageOfMultibyteEscape(char16_t digit);

// Resolves the escapes in the text; `work` (optional) counts the characters
// looked at and written.
void ResolveTextEscapes(WString& text, TextCodeWork* work = nullptr);

// Decode and resolve; null or a count of 0 gives the empty text.
WString DecodeNarrowText(int codePage, const char* bytes, int count);

}  // namespace kvn
