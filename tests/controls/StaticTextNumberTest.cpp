// The static text filled with a text and a number, without a window.
#include <gtest/gtest.h>

#include "controls/AutoTexts.h"

namespace kvn {
namespace {

TEST(StaticText, TextAndNumberFillTheirOwnPlaceholders) {
  EXPECT_EQ(FormatTextAndNumber(WString(u"Page %d of %s"), WString(u"plan"), 3).ToUtf8(), "Page 3 of plan");
  EXPECT_EQ(FormatTextAndNumber(WString(u"%s: %d"), WString(u"a %d"), -12).ToUtf8(), "a %d: -12");
  EXPECT_EQ(FormatTextAndNumber(WString(u"none"), WString(u"x"), 1).ToUtf8(), "none");
}

}  // namespace
}  // namespace kvn
