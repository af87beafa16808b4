// IsNonSymbolFont: whether the font a face name is realised as uses a
// character set other than SYMBOL_CHARSET. A TrueType font reports
// SYMBOL_CHARSET when it carries a Windows symbol character map (platform
// 3, encoding 0), as Wingdings and Symbol do; the font is the one the font
// layer realises for the name (platform/fonts/RealizedFont.h), which always
// finds some font, as the system's font mapper does.
#pragma once

#include "foundation/WString.h"

namespace kvn {

// True as well when no font can be realised at all.
bool IsNonSymbolFont(const WString& faceName);

}  // namespace kvn
