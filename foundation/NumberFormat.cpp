#include "foundation/NumberFormat.h"

#include <double-conversion/double-to-string.h>

#include <cmath>
#include <cstring>

namespace kvn {

namespace {

using double_conversion::DoubleToStringConverter;
using double_conversion::StringBuilder;

// Room for every text the paths below make: ToFixed of a value below 1e15
// with 15 decimals is 31 characters, ToPrecision with 20 digits 27.
constexpr int kScratch = 64;

// Removes the trailing zeros of the fraction, and the point when no fraction
// digit remains; in exponential form those of the mantissa.
int StripTrailingZeros(char* text, int length) {
  const char* e = static_cast<const char*>(std::memchr(text, 'E', std::size_t(length)));
  int mantissaEnd = e ? int(e - text) : length;
  if (!std::memchr(text, '.', std::size_t(mantissaEnd))) return length;
  int cut = mantissaEnd;
  while (cut > 0 && text[cut - 1] == '0') --cut;
  if (cut > 0 && text[cut - 1] == '.') --cut;
  std::memmove(text + cut, text + mantissaEnd, std::size_t(length - mantissaEnd));
  return length - (mantissaEnd - cut);
}

bool Shortest(StringBuilder& out, double magnitude, int low, int high) {
  DoubleToStringConverter converter(DoubleToStringConverter::EMIT_POSITIVE_EXPONENT_SIGN, nullptr, nullptr, 'E', low,
                                    high, 0, 0);
  return converter.ToShortest(magnitude, &out);
}

// p significant digits; a number that only just overflows a width of 4 to 10
// digits gets one or two more digits instead of turning exponential
// (width 4: 9,999.5 gives 5 digits, 99,999.5 six, from 999,999.5 on 4 again).
int WidthPrecision(double magnitude, int width) {
  int p = width;
  if (width <= 10) {
    const double w = std::pow(10.0, width);
    if (magnitude >= w - 0.5) p = width + 1;
    if (magnitude >= w * 10 - 0.5) p = width + 2;
    if (magnitude >= w * 100 - 0.5) p = width;
  }
  return p;
}

}  // namespace

void FormatDisplayNumber(StringBuilder& builder, double value, int digits, int width, bool keepZeros, int low,
                         int high) {
  if (!std::isfinite(value)) return;
  char text[kScratch];
  StringBuilder scratch(text, kScratch);
  if (std::signbit(value)) scratch.AddCharacter('-');
  const double magnitude = std::fabs(value);
  bool strip = false;
  bool ok;
  if (digits >= 1 && digits <= 16 && (width < 4 || width > 20)) {
    if (magnitude < 1e15) {
      DoubleToStringConverter converter(DoubleToStringConverter::NO_FLAGS, nullptr, nullptr, 'E', 0, 0, 0, 0);
      ok = converter.ToFixed(magnitude, digits - 1, &scratch);
      strip = !keepZeros;
    } else {
      ok = Shortest(scratch, magnitude, low, high);
    }
  } else if (width >= 4 && width <= 20) {
    const int p = WidthPrecision(magnitude, width);
    DoubleToStringConverter converter(DoubleToStringConverter::EMIT_POSITIVE_EXPONENT_SIGN, nullptr, nullptr, 'E', low,
                                      high, p - 2, 0);
    ok = converter.ToPrecision(magnitude, p, &scratch);
    strip = true;
  } else {
    ok = Shortest(scratch, magnitude, low, high);
  }
  if (!ok) return;
  int length = scratch.position();
  // Terminated before anything reads it: AddSubstring checks the length
  // with strlen in builds with assertions. Stripping only moves characters
  // toward the front, so the text stays at least `length` long.
  scratch.Finalize();
  if (strip) length = StripTrailingZeros(text, length);
  if (builder.position() + length >= builder.size()) return;
  builder.AddSubstring(text, length);
}

}  // namespace kvn
