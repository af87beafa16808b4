#include "platform/gdi/SymbolFont.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kvn {
namespace {

// fontconfig keeps what it loads until the process ends, which the leak
// checker of the sanitizer build reports; the queries run in a child that
// ends without that check.
TEST(IsNonSymbolFont, TextFacesAreNotSymbolFonts) {
  EXPECT_EXIT(
      {
        // A face that matches nothing in particular gets fontconfig's default text face.
        const bool ok = IsNonSymbolFont(WString(u"DejaVu Sans")) && IsNonSymbolFont(WString(u"Liberation Serif")) &&
                        IsNonSymbolFont(WString(u"No Such Face At All"));
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kvn
