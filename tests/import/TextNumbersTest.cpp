// Reading numbers written as text: the quick road for plain decimals gives
// the very bits of the general reader, and everything it does not take goes
// the general road.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/TextFormat.h"
#include "import/records/TextNumbers.h"

namespace kvn {
namespace {

std::uint64_t GeneralBits(const std::string& text) {
  double v = text.empty() ? 0.0 : StringToDoubleLenient(text.data(), int(text.size()));
  if (std::isnan(v)) v = 0.0;
  return std::bit_cast<std::uint64_t>(v);
}

std::uint64_t Bits(const std::string& text) {
  return std::bit_cast<std::uint64_t>(ParseDoubleOrZero(text.data(), int(text.size())));
}

TEST(TextNumbersTest, PlainDecimalsReadBitForBitAsTheGeneralReader) {
  for (const char* text :
       {"0", "-0", "+0", "-0.0", "0.1", "0.3", "-.5", "+.5", "5.", ".", "-", "+", "", "1e5", "1E-3", " 1", "1 ",
        "- 1", "1.5.2", "0x10", "inf", "nan", "00000000000000000001.5", "123456789012345", "1234567890123456",
        "123456789012345.6", "9007199254740993", "0.000000000000000000001", "0.0000000000000000000001",
        "0.00000000000000000000001", "1.7976931348623157", "4.9406564584124654", "2.2250738585072014",
        "99999999999999.9", "0.1000000000000000055511151231257827", "12,5", "7.5abc", "1234.5678901234567",
        "-0.61803398874989490", "9007199254740993.0", "0.30000000000000004", "1797693134862315708145274237317043567981",
        "0.0000000000000000000000000000000000000000000000000000000000000000000001", "5.0000000000000000000000000000001"}) {
    EXPECT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
  }
  // Random texts of the plain form and just beside it (a long run of
  // digits, an exponent, a blank, a second point, a lone sign).
  std::uint64_t seed = 0x9E3779B97F4A7C15ull;
  auto next = [&seed] {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
  };
  for (int n = 0; n < 200000; ++n) {
    std::string text;
    const std::uint64_t shape = next();
    if (shape % 3 == 0) text += shape % 2 ? '-' : '+';
    const int whole = int(next() % 19), part = int(next() % 24);
    for (int i = 0; i < whole; ++i) text += char('0' + next() % 10);
    if (next() % 4 != 0) text += '.';
    // Some texts end in a run of zeros.
    for (int i = 0; i < part; ++i) text += (shape >> 8) % 7 == 0 ? '0' : char('0' + next() % 10);
    switch (next() % 16) {
      case 0: text += "e-7"; break;
      case 1: text.insert(0, " "); break;
      case 2: text += '.'; break;
      default: break;
    }
    ASSERT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
  }
  // Coordinates as CAD programs write them: 17 significant digits.
  for (int n = 0; n < 100000; ++n) {
    const double v = std::bit_cast<double>(next());
    if (!std::isfinite(v) || std::fabs(v) > 1e30 || std::fabs(v) < 1e-30) continue;
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%.17f", v);
    if (length <= 0 || length >= int(sizeof text)) continue;
    ASSERT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
    const double near = double(n) * 0.6180339887498949 - 5000.0;
    std::snprintf(text, sizeof text, "%.17g", near);
    ASSERT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
  }
}

// Long decimals exactly halfway between two doubles (and a hair beside
// them) round to even as the general reader does, and the longest runs of
// digits and places the quick road takes still agree with it.
TEST(TextNumbersTest, LongDecimalsHalfwayBetweenDoublesRoundToEven) {
  for (const char* text :
       {"4503599627370496.5", "4503599627370497.5", "-4503599627370496.5", "9007199254740995", "18014398509481986",
        "18014398509481990", "4503599627370496.50000", "4503599627370496.5000001", "4503599627370496.4999999",
        "9223372036854775807", "9999999999999999999", "0.000000000000000000000000001",
        "0.123456789012345678", "1.234567890123456789", "0.0000000001234567890123456789"}) {
    EXPECT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
  }
  // Every double between 2^52 and 2^54 is an integer or a half: the halves
  // and odd integers above 2^53 are exactly halfway.
  for (std::uint64_t k = 0; k < 2000; ++k) {
    char text[64];
    std::snprintf(text, sizeof text, "%llu.5", static_cast<unsigned long long>((1ull << 52) + k * 7919));
    ASSERT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>((1ull << 53) + 2 * k * 7919 + 1));
    ASSERT_EQ(Bits(text), GeneralBits(text)) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace kvn
