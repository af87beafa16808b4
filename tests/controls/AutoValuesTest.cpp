// The conversions of the bound controls that need no window.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "controls/AutoValues.h"

namespace kvn {
namespace {

std::vector<std::u16string> Items(const WString& text) {
  std::vector<std::u16string> out;
  for (const WString& item : SplitItemText(text)) out.emplace_back(item.View());
  return out;
}

TEST(AutoValuesTest, ItemTextSplitsAtEveryTab) {
  EXPECT_EQ(Items(WString(u"Red\tGreen")), (std::vector<std::u16string>{u"Red", u"Green"}));
  // A trailing TAB adds an empty last item.
  EXPECT_EQ(Items(WString(u"Red\tGreen\t")), (std::vector<std::u16string>{u"Red", u"Green", u""}));
  EXPECT_EQ(Items(WString(u"Only")), (std::vector<std::u16string>{u"Only"}));
  EXPECT_TRUE(Items(WString()).empty());
  EXPECT_EQ(Items(WString(u"\t")), (std::vector<std::u16string>{u"", u""}));
  EXPECT_EQ(Items(WString(u"a\t\tb")), (std::vector<std::u16string>{u"a", u"", u"b"}));
}

TEST(AutoValuesTest, IntegerFieldsRoundHalvesUp) {
  int v = 99;
  ASSERT_TRUE(RoundFieldInt(2.5, &v));
  EXPECT_EQ(v, 3);
  ASSERT_TRUE(RoundFieldInt(-2.5, &v));
  EXPECT_EQ(v, -2);
  ASSERT_TRUE(RoundFieldInt(2.4999, &v));
  EXPECT_EQ(v, 2);
  ASSERT_TRUE(RoundFieldInt(-2.5001, &v));
  EXPECT_EQ(v, -3);
  ASSERT_TRUE(RoundFieldInt(2147483647.0, &v));
  EXPECT_EQ(v, 2147483647);
  ASSERT_TRUE(RoundFieldInt(-2147483647.0, &v));
  EXPECT_EQ(v, -2147483647);
}

TEST(AutoValuesTest, IntegerFieldsRefuseWhatNoIntHolds) {
  int v = 42;
  EXPECT_FALSE(RoundFieldInt(std::nan(""), &v));
  EXPECT_FALSE(RoundFieldInt(3e9, &v));
  EXPECT_FALSE(RoundFieldInt(-3e9, &v));
  EXPECT_FALSE(RoundFieldInt(std::numeric_limits<double>::infinity(), &v));
  EXPECT_EQ(v, 42);
}

TEST(AutoValuesTest, DatesShowWithoutLeadingZerosAndReadBack) {
  EXPECT_EQ(FormatDateYmd(WString(u"20240307")), WString(u"7.3.2024"));
  EXPECT_EQ(FormatDateYmd(WString(u"19991231")), WString(u"31.12.1999"));
  EXPECT_EQ(FormatDateYmd(WString(u"        ")), WString());
  EXPECT_EQ(FormatDateYmd(WString(u"2024037")), WString());
  EXPECT_EQ(FormatDateYmd(WString(u"2024-3-7")), WString());

  EXPECT_EQ(ReadDateText(WString(u"7.3.2024")), WString(u"20240307"));
  EXPECT_EQ(ReadDateText(WString(u"07/03/2024")), WString(u"20240307"));
  EXPECT_EQ(ReadDateText(WString(u"7-3-2024")), WString(u"20240307"));
  EXPECT_EQ(ReadDateText(WString(u"7,3,2024")), WString(u"20240307"));
  EXPECT_EQ(ReadDateText(WString(u" 7. 3. 2024 ")), WString(u"20240307"));
  for (const char16_t* ymd : {u"20240307", u"19991231", u"20000101"}) {
    EXPECT_EQ(ReadDateText(FormatDateYmd(WString(ymd))), WString(ymd)) << WString(ymd).ToUtf8();
  }
}

TEST(AutoValuesTest, UnreadableDatesBecomeNoDate) {
  const WString none(u"        ");
  EXPECT_EQ(ReadDateText(WString()), none);
  EXPECT_EQ(ReadDateText(WString(u"tomorrow")), none);
  EXPECT_EQ(ReadDateText(WString(u"32.1.2024")), none);
  EXPECT_EQ(ReadDateText(WString(u"1.13.2024")), none);
  EXPECT_EQ(ReadDateText(WString(u"1.1.20245")), none);
  EXPECT_EQ(ReadDateText(WString(u"1.1.2024.5")), none);
  // A digit run long enough to overflow an int is refused before it can.
  EXPECT_EQ(ReadDateText(WString(u"99999999999999999999")), none);
}

}  // namespace
}  // namespace kvn
