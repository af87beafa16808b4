// IsNonSymbolFont: whether the font a face name is realised as uses a
// character set other than SYMBOL_CHARSET. A TrueType font reports
// SYMBOL_CHARSET when it carries a Windows symbol character map (platform
// 3, encoding 0), as Wingdings and Symbol do; the font is the one
// fontconfig matches for the name, as the system's font mapper always
// realises some font.
#pragma once

#include "foundation/WString.h"

namespace kvn {

// True as well when no font file can be found or read.
bool IsNonSymbolFont(const WString& faceName);

}  // namespace kvn
