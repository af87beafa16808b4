#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "foundation/NumberFormat.h"
#include "foundation/TextFormat.h"

namespace kvn {
namespace {

std::string Display(double value, int digits, int width, bool keepZeros, int low, int high) {
  char buffer[64];
  double_conversion::StringBuilder builder(buffer, sizeof buffer);
  FormatDisplayNumber(builder, value, digits, width, keepZeros, low, high);
  int n = builder.position();
  return std::string(buffer, std::size_t(n));
}

// The callers' settings: mode m of 0-8, width mode 10-16, anything else.
std::string Mode(double value, int mode, bool keepZeros = false) {
  char buffer[kDoubleTextBuffer];
  int n = FormatDoubleToBuffer(buffer, value, mode, keepZeros);
  EXPECT_EQ(std::string(buffer).size(), std::size_t(n));
  return buffer;
}

TEST(NumberFormat, FixedDecimals) {
  EXPECT_EQ(Mode(1.5, 2, true), "1.50");
  EXPECT_EQ(Mode(1.5, 2, false), "1.5");
  EXPECT_EQ(Mode(2.0, 2, false), "2");
  EXPECT_EQ(Mode(2.5, 0), "3");
  EXPECT_EQ(Mode(-0.0, 0), "-0");
  EXPECT_EQ(Mode(-0.0, 3, true), "-0.000");
  EXPECT_EQ(Mode(0.125, 2, true), "0.13");
  EXPECT_EQ(Mode(-12.3456, 3), "-12.346");
  EXPECT_EQ(Mode(100.0, 8), "100");
  EXPECT_EQ(Mode(999999999999999.0, 1, true), "999999999999999.0");
}

TEST(NumberFormat, FixedModeGoesExponentialFrom1e15) {
  EXPECT_EQ(Mode(1e16, 3), "1E+16");
  EXPECT_EQ(Mode(1e15, 0), "1E+15");
  EXPECT_EQ(Mode(-2.5e20, 5), "-2.5E+20");
}

TEST(NumberFormat, WidthFour) {
  EXPECT_EQ(Mode(123.456, 10), "123.5");
  EXPECT_EQ(Mode(12345.6, 10), "12346");
  EXPECT_EQ(Mode(1234567, 10), "1.235E+6");
  EXPECT_EQ(Mode(0.01234, 10), "0.01234");
  EXPECT_EQ(Mode(0.001234, 10), "1.234E-3");
  EXPECT_EQ(Mode(1.5, 10), "1.5");
  // Numbers just too large for the width widen it rather than turn exponential.
  EXPECT_EQ(Mode(9999.5, 10), "9999.5");
  EXPECT_EQ(Mode(99999.5, 10), "99999.5");
  EXPECT_EQ(Mode(999999.5, 10), "1E+6");
  EXPECT_EQ(Mode(1e6, 10), "1E+6");
  EXPECT_EQ(Mode(-0.0, 10), "-0");
}

TEST(NumberFormat, OtherWidths) {
  EXPECT_EQ(Mode(3.14159265358979, 12), "3.14159");      // width 6
  EXPECT_EQ(Mode(3.14159265358979, 16), "3.141592654");  // width 10
  EXPECT_EQ(Mode(2.0, 16), "2");
  EXPECT_EQ(Mode(1234567.25, 12), "1234567");  // width 6 widens to 7 digits
  EXPECT_EQ(Display(123456789.0, 0, 20, false, -4, 20), "123456789");
}

TEST(NumberFormat, Shortest) {
  EXPECT_EQ(Mode(0.0001, 18), "0.0001");
  EXPECT_EQ(Mode(0.00001, 18), "1E-5");
  EXPECT_EQ(Mode(1e20, 18), "1E+20");
  EXPECT_EQ(Mode(1e19, 18), "10000000000000000000");
  EXPECT_EQ(Mode(0.1 + 0.2, 9), "0.30000000000000004");
  EXPECT_EQ(Mode(-1.5, 17), "-1.5");
  EXPECT_EQ(Display(1234.5, 0, 0, false, 0, 0), "1.2345E+3");
}

TEST(NumberFormat, NothingForNaNAndInfinities) {
  EXPECT_EQ(Mode(std::numeric_limits<double>::quiet_NaN(), 2), "");
  EXPECT_EQ(Mode(std::numeric_limits<double>::infinity(), 10), "");
  EXPECT_EQ(Mode(-std::numeric_limits<double>::infinity(), 18), "");
}

TEST(NumberFormat, ABuilderWithoutRoomGetsNothing) {
  char buffer[6];
  double_conversion::StringBuilder builder(buffer, sizeof buffer);
  FormatDisplayNumber(builder, 123456.0, 0, 0, false, -4, 20);
  EXPECT_EQ(builder.position(), 0);
  FormatDisplayNumber(builder, 12.5, 0, 0, false, -4, 20);
  EXPECT_EQ(std::string(builder.Finalize()), "12.5");
}

TEST(NumberFormat, IgnoresTheNumericLocale) {
  // The toolkit sets the user's locale, Czech with its decimal comma here
  // (scripts/install-deps.sh generates it); a decimal comma must never
  // appear, and text is read by the same rule in every locale.
  // Put back on every way out, failed assertions included.
  struct Restore {
    std::string saved;
    ~Restore() { std::setlocale(LC_ALL, saved.c_str()); }
  } restore{std::setlocale(LC_ALL, nullptr) ? std::setlocale(LC_ALL, nullptr) : "C"};
  // What every mode writes, and what text reads as, in the C locale.
  const double values[] = {1.5, -12.3456, 0.001234, 1234567.25, 2.5e20, 0.1 + 0.2, 1.0 / 3.0};
  std::vector<std::string> inC;
  for (double v : values)
    for (int mode = 0; mode <= kDoubleModeScaleRatio; ++mode) inC.push_back(Mode(v, mode, mode % 2 == 0));
  char ratio[kDoubleTextBuffer];
  FormatScaleRatio(ratio, 2.5, false);
  const std::string ratioInC = ratio;

  ASSERT_NE(std::setlocale(LC_ALL, "cs_CZ.UTF-8"), nullptr)
      << "the cs_CZ.UTF-8 locale is missing: run scripts/install-deps.sh";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "the locale must have a decimal comma";
  EXPECT_EQ(Mode(1.5, 2), "1.5");
  EXPECT_EQ(Mode(1234567.0, 10), "1.235E+6");
  EXPECT_EQ(FormatDouble(-0.25, 3, true), WString(u"-0.250"));
  std::size_t i = 0;
  for (double v : values)
    for (int mode = 0; mode <= kDoubleModeScaleRatio; ++mode, ++i) {
      const std::string text = Mode(v, mode, mode % 2 == 0);
      EXPECT_EQ(text, inC[i]) << v << " mode " << mode;
      EXPECT_EQ(text.find(','), std::string::npos) << text;
    }
  FormatScaleRatio(ratio, 2.5, false);
  EXPECT_EQ(std::string(ratio), ratioInC);
  EXPECT_EQ(TextToDouble(WString(u"2.25")), 2.25);
  EXPECT_EQ(TextToDouble(WString(u"-1E+3")), -1000.0);
  EXPECT_EQ(StringToDoubleLenient(" 0.125 ", 7), 0.125);
  // A typed comma is the decimal point of its own rule, not the locale's.
  EXPECT_EQ(TextToDouble(WString(u"1,5")), 1.5);
}

}  // namespace
}  // namespace kvn
