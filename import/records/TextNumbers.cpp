#include "import/records/TextNumbers.h"

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

double ParseDoubleOrZero(const char* text, int length) {
  if (!text || length <= 0) return 0.0;
  double v = StringToDoubleLenient(text, length);
  return std::isnan(v) ? 0.0 : v;
}

}  // namespace kvn
