#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "foundation/TextFormat.h"

namespace kvn {
namespace {

std::u16string U16(const WString& s) { return std::u16string(s.View()); }
WString W(const char16_t* s) { return WString(s); }

std::string Ratio(double v, bool shortFallback = false) {
  char buffer[kDoubleTextBuffer];
  FormatScaleRatio(buffer, v, shortFallback);
  return buffer;
}

TEST(TextFormat, PercentSReducesOnlyThePatternsOwnPairs) {
  // The inserted value stands as it is: a file name may hold "%%".
  EXPECT_EQ(U16(FormatPercentS(W(u"100%% of %s"), W(u"a%%b"))), u"100% of a%%b");
  EXPECT_EQ(U16(FormatPercentS(W(u"100%%"), W(u"x"))), u"100%%");  // no "%s": unchanged
  EXPECT_EQ(U16(FormatPercentS(W(u"%s"), W(u""))), u"");
  EXPECT_EQ(U16(FormatPercentS(W(u"%s%%"), W(u"x"))), u"x%");
}

TEST(TextFormat, PercentChainsFillInArgumentOrderAndNeverRescanValues) {
  EXPECT_EQ(U16(FormatPercentS2(W(u"%s -> %s"), W(u"a"), W(u"b"))), u"a -> b");
  EXPECT_EQ(U16(FormatPercentS2(W(u"%s and %s"), W(u"50%s"), W(u"x"))), u"50%s and x");
  EXPECT_EQ(U16(FormatPercentS3(W(u"%s/%s/%s 100%%"), W(u"1"), W(u"2"), W(u"3"))), u"1/2/3 100%");
  // Fewer markers than values: the rest is ignored.
  EXPECT_EQ(U16(FormatPercentS3(W(u"only %s"), W(u"1"), W(u"2"), W(u"3"))), u"only 1");
  EXPECT_EQ(U16(FormatPercentD(W(u"%d%%"), 50)), u"50%");
  EXPECT_EQ(U16(FormatPercentD2(W(u"%d of %d"), 3, -4)), u"3 of -4");
  EXPECT_EQ(U16(FormatPercentD3(W(u"%d.%d.%d"), 1, 2, 2024)), u"1.2.2024");
  EXPECT_EQ(U16(FormatPercentD4(W(u"%d%d%d%d"), 1, 2, 3, INT_MIN)), u"123-2147483648");
  EXPECT_EQ(U16(FormatPercentD(W(u"Internal error #%d"), 17)), u"Internal error #17");
}

TEST(TextFormat, CollapsePercentPairs) {
  WString w(u"a%%%b%%c%d");
  CollapsePercentPairs(w);
  EXPECT_EQ(U16(w), u"a%b%c%d");
  AString a("%%%%");
  CollapsePercentPairsA(a);
  EXPECT_EQ(a, "%");
}

TEST(TextFormat, IntDecimal) {
  char buffer[kIntDecimalBuffer];
  for (std::int32_t v : {0, 7, -7, 10, 99, -100, 12345, INT_MAX, INT_MIN}) {
    char* text = FormatIntDecimal(v, buffer);
    EXPECT_EQ(std::string(text), std::to_string(v));
    EXPECT_EQ(text + std::strlen(text), buffer + kIntDecimalBuffer - 1);
  }
  EXPECT_EQ(IntToAString(-2048), "-2048");
  EXPECT_EQ(U16(IntToWString(65535)), u"65535");
}

TEST(TextFormat, ScaleRatios) {
  EXPECT_EQ(Ratio(2.5), "5:2");
  EXPECT_EQ(Ratio(0.25), "1:4");
  EXPECT_EQ(Ratio(1.0 / 3.0), "1:3");
  EXPECT_EQ(Ratio(0.4), "2:5");
  EXPECT_EQ(Ratio(1.0), "1:1");
  EXPECT_EQ(Ratio(100.0), "100:1");
  EXPECT_EQ(Ratio(1.0 / 7.0), "1:7");
  // No small multiplier makes pi whole: the fallback mode, against 1.
  EXPECT_EQ(Ratio(M_PI), "3.141592654:1");
  EXPECT_EQ(Ratio(M_PI, true), "3.14159:1");
  EXPECT_EQ(Ratio(1.0 / M_PI), "1:3.141592654");
  EXPECT_EQ(Ratio(1e-9), "1E-9");
  EXPECT_EQ(Ratio(0.0), "0");
  EXPECT_EQ(U16(FormatDouble(2.5, kDoubleModeScaleRatio)), u"5:2");
}

TEST(TextFormat, Dates) {
  EXPECT_EQ(U16(FormatDateYMD(0, 0, 0)), u"        ");
  EXPECT_EQ(U16(FormatDateYMD(5, 7, 2020)), u"20200705");
  EXPECT_EQ(U16(FormatDateYMD(31, 12, 99)), u"00991231");
  int d = -1, m = -1, y = -1;
  ReadDateYMD(W(u"2020 7 5"), d, m, y);
  EXPECT_EQ(y, 2020);
  EXPECT_EQ(m, 7);
  EXPECT_EQ(d, 5);
  ReadDateYMD(W(u"2020075"), d, m, y);
  EXPECT_EQ(d + m + y, 0);
  ReadDateYMD(W(u"19991231 and more"), d, m, y);
  EXPECT_EQ(y * 10000 + m * 100 + d, 19991231);

  EXPECT_EQ(U16(FormatJulianDay(2451545)), u"1.1.2000");
  EXPECT_EQ(U16(FormatJulianDay(2440588)), u"1.1.1970");
  EXPECT_EQ(U16(FormatJulianDay(2299161)), u"15.10.1582");
  EXPECT_EQ(U16(FormatJulianDay(2460370)), u"29.2.2024");
  EXPECT_GT(GetTodayJulianDay(), 2460000);
  std::u16string today = U16(FormatToday());
  EXPECT_EQ(std::count(today.begin(), today.end(), u'.'), 2);
}

TEST(TextFormat, TextToDouble) {
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"1.5")), 1.5);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u" 12 mm")), 12.0);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"-3.25")), -3.25);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"- 3")), -3.0);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"1e3")), 1000.0);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"7 kg")), 7.0);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"")), 0.0);
  EXPECT_TRUE(std::isnan(TextToDouble(W(u"x5"))));
  EXPECT_TRUE(std::isnan(TextToDouble(W(u"(5)"))));
  EXPECT_TRUE(std::isnan(TextToDouble(W(u"5°5"))));
  // A decimal comma, as Czech and Slovak users type it.
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"1,5")), 1.5);
  EXPECT_DOUBLE_EQ(TextToDouble(W(u"-0,25 m")), -0.25);
  // With a point present the comma is not a decimal separator.
  EXPECT_TRUE(std::isnan(TextToDouble(W(u"1,234.5"))));
  EXPECT_TRUE(std::isnan(TextToDouble(W(u"1,2,3"))));
}

TEST(TextFormat, WideToInt) {
  EXPECT_EQ(WideToInt(W(u"123abc")), 123);
  EXPECT_EQ(WideToInt(W(u"  -42")), -42);
  EXPECT_EQ(WideToInt(W(u"99999999999")), INT_MAX);
  EXPECT_EQ(WideToInt(W(u"-99999999999")), INT_MIN);
  EXPECT_EQ(WideToInt(W(u"12\u010C34")), 12);
  EXPECT_EQ(WideToInt(W(u"")), 0);
  // Only the first 19 characters count.
  EXPECT_EQ(WideToInt(WString((std::u16string(18, u' ') + u"7").c_str())), 7);
  EXPECT_EQ(WideToInt(WString((std::u16string(19, u' ') + u"7").c_str())), 0);
}

TEST(TextFormat, SmallHelpers) {
  WString w(u"hELLO wORLD");
  CapitalizeAscii(w);
  EXPECT_EQ(U16(w), u"Hello world");
  WString accented(u"čAS");
  CapitalizeAscii(accented);
  EXPECT_EQ(U16(accented), u"čas");
  std::uint32_t dwords[5] = {};
  FillDwords(dwords + 1, 3, 0xDEADBEEF);
  EXPECT_EQ(dwords[0], 0u);
  EXPECT_EQ(dwords[3], 0xDEADBEEFu);
  EXPECT_EQ(dwords[4], 0u);
}

TEST(TextFormat, CachedTrigonometry) {
  EXPECT_EQ(CachedCosDeg(0.0), 1.0);
  EXPECT_EQ(CachedSinDeg(0.0), 0.0);
  const double quarter = 90.0;
  EXPECT_EQ(CachedCosDeg(quarter), std::cos(M_PI / 2));
  EXPECT_NE(CachedCosDeg(quarter), 0.0);
  EXPECT_EQ(CachedSinDeg(quarter), 1.0);
  EXPECT_NEAR(CachedCosDeg(60.0), 0.5, 1e-15);
  EXPECT_EQ(CachedCosDeg(quarter), std::cos(M_PI / 2));  // after another angle
  EXPECT_EQ(LookupAtan2(1.0, 1.0), std::atan2(1.0, 1.0));
  EXPECT_EQ(LookupAtan2(1.0, -1.0), std::atan2(1.0, -1.0));
  EXPECT_EQ(LookupAtan2(1.0, -1.0), std::atan2(1.0, -1.0));
}

TEST(TextFormat, CheckedMathSetsTheFlagAndGivesZero) {
  ClearFloatingPointErrorFlag();
  EXPECT_EQ(CallChecked([](double x) { return std::sqrt(x); }, 16.0), 4.0);
  EXPECT_FALSE(GetFloatingPointErrorFlag());
  EXPECT_EQ(CallChecked([](double x) { return std::sqrt(x); }, -1.0), 0.0);
  EXPECT_TRUE(GetFloatingPointErrorFlag());
  ClearFloatingPointErrorFlag();
  EXPECT_EQ(CallChecked([](double x) { return std::log(x); }, 0.0), 0.0);
  EXPECT_TRUE(GetFloatingPointErrorFlag());
  ClearFloatingPointErrorFlag();
  EXPECT_EQ(CheckedPow(-8.0, 1.0 / 3.0), 0.0);
  EXPECT_TRUE(GetFloatingPointErrorFlag());
  ClearFloatingPointErrorFlag();
  EXPECT_EQ(CheckedPow(2.0, 10.0), 1024.0);
  EXPECT_FALSE(GetFloatingPointErrorFlag());
}

}  // namespace
}  // namespace kvn
