#include "import/records/TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "foundation/TextFormat.h"

namespace kvn {

namespace {

// The white space a number's text may carry around it (C's isspace, without
// the locale).
bool IsNumberSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t ParseDecimalSaturated(const char* text, int length) {
  if (!text) return 0;
  int i = 0;
  while (i < length && IsNumberSpace(text[i])) ++i;
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
  auto digit = [text](int at) { return static_cast<unsigned>(text[at] - '0') < 10u; };
  int i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  const int start = i;
  // The whole part: leading zeros, then its significant digits.
  int first = i;
  while (first < length && text[first] == '0') ++first;
  int end = first;
  while (end < length && digit(end)) ++end;
  bool any = end > start;
  // The significant digits run from `first` (the point skipped) up to `last`.
  int significant = end - first, fraction = 0, last = end;
  if (end < length && text[end] == '.') {
    const int from = end + 1;
    int lead = from;
    // Zeros after the point lead while the whole part had no other digit.
    if (significant == 0) {
      while (lead < length && text[lead] == '0') ++lead;
      first = lead;
    }
    end = lead;
    while (end < length && digit(end)) ++end;
    fraction = end - from;
    significant += end - lead;
    any = any || fraction > 0;
    last = end;
  }
  if (!any || end != length) return false;
  if (significant > 15 || fraction > 22) {
    if (length > kLongest) return false;
    double value = 0.0;
    const auto [stop, error] = std::from_chars(text + start, text + length, value);
    if (error != std::errc() || stop != text + length) return false;
    out = negative ? -value : value;
    return true;
  }
  // At most 15 digits: an integer below 2^53, divided once by an exact power.
  std::uint64_t mantissa = 0;
  for (int k = first; k < last; ++k) {
    if (text[k] != '.') mantissa = mantissa * 10 + std::uint64_t(text[k] - '0');
  }
  const double value = double(mantissa) / kPowers[fraction];
  out = negative ? -value : value;
  return true;
}

}  // namespace

bool ParsePlainDouble(const char* text, int length, double& out) {
  return text && length > 0 && ParsePlainDecimal(text, length, out);
}

bool IsWholeInteger(const char* text, int length) {
  if (!text) return false;
  int i = 0;
  while (i < length && IsNumberSpace(text[i])) ++i;
  if (i < length && (text[i] == '+' || text[i] == '-')) ++i;
  const int digits = i;
  while (i < length && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits) return false;
  while (i < length && IsNumberSpace(text[i])) ++i;
  return i == length;
}

bool IsReadableReal(const char* text, int length) {
  if (!text || length <= 0) return false;
  double value = 0.0;
  if (ParsePlainDecimal(text, length, value)) return true;
  // Blank text reads as 0 without being a number.
  const bool blank = std::all_of(text, text + length, IsNumberSpace);
  return !blank && std::isfinite(StringToDoubleLenient(text, length));
}

double ParseDoubleOrZero(const char* text, int length) {
  if (!text || length <= 0) return 0.0;
  double plain = 0.0;
  if (ParsePlainDecimal(text, length, plain)) return plain;
  double v = StringToDoubleLenient(text, length);
  return std::isnan(v) ? 0.0 : v;
}

}  // namespace kvn
