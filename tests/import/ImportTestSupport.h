// Helpers shared by the import tests.
#pragma once

#include <ostream>

#include "foundation/AString.h"
#include "foundation/WString.h"

namespace kvn {

inline void PrintTo(const WString& s, std::ostream* os) { *os << '"' << s.ToUtf8() << '"'; }
inline void PrintTo(const AString& s, std::ostream* os) { *os << '"' << s.CStr() << '"'; }

}  // namespace kvn
