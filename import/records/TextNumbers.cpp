#include "import/records/TextNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "foundation/TextFormat.h"

namespace kvn {

std::int32_t ParseDecimalSaturated(const char* text, int length) {
  if (!text) return 0;
  int i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < length && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate the magnitude in 64 bits and stop growing once it is past
  // what 32 bits can hold; the rest of the digits are still consumed.
  constexpr std::int64_t kCap = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
  std::int64_t magnitude = 0;
  while (i < length && text[i] >= '0' && text[i] <= '9') {
    if (magnitude <= kCap) magnitude = magnitude * 10 + (text[i] - '0');
    ++i;
  }
  if (negative) return magnitude >= kCap ? std::numeric_limits<std::int32_t>::min() : std::int32_t(-magnitude);
  return magnitude >= kCap ? std::numeric_limits<std::int32_t>::max() : std::int32_t(magnitude);
}

std::uint64_t ParseHexHandle(const char* text, int length) {
  if (!text) return 0;
  int i = 0;
  while (i < length && text[i] == ' ') ++i;
  std::uint64_t value = 0;
  for (; i < length; ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      break;
    }
    value = value << 4 | std::uint64_t(digit);
  }
  return value;
}

namespace {

// The plain form most files write, [+-]digits[.digits] with no spaces or
// exponent. With at most 15 digits after leading zeros the digits make an
// integer below 2^53 and one division by an exact power of ten rounds
// correctly, as the general reader does; longer ones (full-precision
// coordinates) go to the standard reader, which rounds correctly too.
// Anything else answers false.
bool ParsePlainDecimal(const char* text, int length, double& out) {
  // Past this length the general reader cuts digits off: left to it.
  constexpr int kLongest = 64;
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  int i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  const int start = i;
  std::uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  bool point = false, any = false;
  for (; i < length; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      any = true;
      if (point) ++fraction;
      if (mantissa == 0 && c == '0') continue;
      if (++digits <= 15) mantissa = mantissa * 10 + std::uint64_t(c - '0');
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!any) return false;
  if (digits > 15 || fraction > 22) {
    if (length > kLongest) return false;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text + start, text + length, value);
    if (error != std::errc() || end != text + length) return false;
    out = negative ? -value : value;
    return true;
  }
  const double value = double(mantissa) / kPowers[fraction];
  out = negative ? -value : value;
  return true;
}

}  // namespace

bool ParsePlainDouble(const char* text, int length, double& out) {
  return text && length > 0 && ParsePlainDecimal(text, length, out);
}

double ParseDoubleOrZero(const char* text, int length) {
  if (!text || length <= 0) return 0.0;
  double plain = 0.0;
  if (ParsePlainDecimal(text, length, plain)) return plain;
  double v = StringToDoubleLenient(text, length);
  return std::isnan(v) ? 0.0 : v;
}

}  // namespace kvn
