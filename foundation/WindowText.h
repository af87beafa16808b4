// Window texts as the program reads them: the cleaning of GetWindowTextString
// (the window layer reads the text; this is the part that does not need a
// display).
#pragma once

#include "foundation/WString.h"

namespace kvn {

// Texts longer than this are not read (the result is empty).
inline constexpr int kMaxWindowTextLength = 10'000'000;

// With `clean`, every character below 32 other than TAB, LF and CR, and
// every character from U+0080 to U+00A0, becomes a space. Empty when the
// text is longer than kMaxWindowTextLength.
WString CleanWindowText(const WString& text, bool clean);

}  // namespace kvn
