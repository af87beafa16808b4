#include "foundation/TextFormat.h"

#include <double-conversion/string-to-double.h>
#include <double-conversion/utils.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <limits>
#include <string>

#include "foundation/NumberFormat.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

// --- Markers --------------------------------------------------------------------

// Fills the markers ("%s" or "%d") of the pattern with the arguments in
// order. Only the pattern's own text is searched and collapsed.
WString FillMarkers(const WString& pattern, const char16_t* marker, std::initializer_list<const WString*> args) {
  int pos = pattern.Find(marker);
  if (pos < 0) return pattern;
  WString out;
  int from = 0;
  for (const WString* arg : args) {
    if (pos < 0) break;
    WString piece = pattern.Mid(from, pos - from);
    CollapsePercentPairs(piece);
    out.Append(piece);
    out.Append(*arg);
    from = pos + 2;
    pos = from < pattern.Length() ? pattern.FindEx(marker, from) : -1;
  }
  WString rest = pattern.Mid(from);
  CollapsePercentPairs(rest);
  out.Append(rest);
  return out;
}

// --- Integers ---------------------------------------------------------------------

constexpr std::array<char, 200> MakeDigitPairs() {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[std::size_t(2 * i)] = char('0' + i / 10);
    pairs[std::size_t(2 * i + 1)] = char('0' + i % 10);
  }
  return pairs;
}
constexpr std::array<char, 200> kDigitPairs = MakeDigitPairs();

// printf's "%0<width>d": the sign, then zeros up to the width.
void AppendPadded(WString& out, int value, int width) {
  char buffer[kIntDecimalBuffer];
  const char* text = FormatIntDecimal(value, buffer);
  int length = int(std::strlen(text));
  if (*text == '-') {
    out.AppendChar(u'-');
    ++text;
    --width;
    --length;
  }
  out.AppendRepeat(u'0', width - length);
  for (; *text; ++text) out.AppendChar(char16_t(*text));
}

// atoi: spaces, an optional sign, digits; saturates at the limits of int.
int ParseIntPrefix(const char16_t* text, int length) {
  int i = 0;
  while (i < length && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < length && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < length && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > std::int64_t(INT_MAX) + 1) value = std::int64_t(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return int(value);
}

// --- Trigonometry and the error flag ------------------------------------------------------

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct MathState {
  double atan2Y = kNaN;
  double atan2X = kNaN;
  double atan2Result = 0.0;
  double cosAngle = kNaN;
  double cosResult = 1.0;
  double sinAngle = kNaN;
  double sinResult = 0.0;
  bool floatingPointError = false;
};

MathState g_math;

}  // namespace

// --- "%s" and "%d" ---------------------------------------------------------------------

WString FormatPercentS(const WString& pattern, const WString& s1) { return FillMarkers(pattern, u"%s", {&s1}); }

WString FormatPercentS2(const WString& pattern, const WString& s1, const WString& s2) {
  return FillMarkers(pattern, u"%s", {&s1, &s2});
}

WString FormatPercentS3(const WString& pattern, const WString& s1, const WString& s2, const WString& s3) {
  return FillMarkers(pattern, u"%s", {&s1, &s2, &s3});
}

WString FormatPercentD(const WString& pattern, int d1) {
  WString a = IntToWString(d1);
  return FillMarkers(pattern, u"%d", {&a});
}

WString FormatPercentD2(const WString& pattern, int d1, int d2) {
  WString a = IntToWString(d1), b = IntToWString(d2);
  return FillMarkers(pattern, u"%d", {&a, &b});
}

WString FormatPercentD3(const WString& pattern, int d1, int d2, int d3) {
  WString a = IntToWString(d1), b = IntToWString(d2), c = IntToWString(d3);
  return FillMarkers(pattern, u"%d", {&a, &b, &c});
}

WString FormatPercentD4(const WString& pattern, int d1, int d2, int d3, int d4) {
  WString a = IntToWString(d1), b = IntToWString(d2), c = IntToWString(d3), d = IntToWString(d4);
  return FillMarkers(pattern, u"%d", {&a, &b, &c, &d});
}

// Removing one '%' of the first pair until none is left leaves one '%' of
// every run: that is what one pass keeping the first '%' of each run does.
void CollapsePercentPairs(WString& text) {
  if (text.Find(u"%%") < 0) return;
  WString out;
  for (int i = 0; i < text.Length(); ++i) {
    if (text[i] == u'%' && i > 0 && text[i - 1] == u'%') continue;
    out.AppendChar(text[i]);
  }
  text = out;
}

void CollapsePercentPairsA(AString& text) {
  if (text.Find("%%") < 0) return;
  AString out;
  for (int i = 0; i < text.Length(); ++i) {
    if (text[i] == '%' && i > 0 && text[i - 1] == '%') continue;
    out.AppendChar(text[i]);
  }
  text = out;
}

// --- Integers -----------------------------------------------------------------------------

char* FormatIntDecimal(std::int32_t value, char (&buffer)[kIntDecimalBuffer]) {
  char* p = buffer + kIntDecimalBuffer - 1;
  *p = '\0';
  // The magnitude in unsigned arithmetic, so that INT_MIN has one too.
  std::uint32_t u = value < 0 ? 0u - std::uint32_t(value) : std::uint32_t(value);
  while (u >= 100) {
    std::uint32_t pair = u % 100;
    u /= 100;
    p -= 2;
    std::memcpy(p, kDigitPairs.data() + 2 * pair, 2);
  }
  if (u >= 10) {
    p -= 2;
    std::memcpy(p, kDigitPairs.data() + 2 * u, 2);
  } else {
    *--p = char('0' + u);
  }
  if (value < 0) *--p = '-';
  return p;
}

AString IntToAString(std::int32_t value) {
  char buffer[kIntDecimalBuffer];
  return AString(FormatIntDecimal(value, buffer));
}

WString IntToWString(std::int32_t value) {
  char buffer[kIntDecimalBuffer];
  WString out;
  for (const char* p = FormatIntDecimal(value, buffer); *p; ++p) out.AppendChar(char16_t(*p));
  return out;
}

// --- Doubles -----------------------------------------------------------------------------------

int FormatDoubleToBuffer(char (&buffer)[kDoubleTextBuffer], double value, int mode, bool keepZeros) {
  if (mode == kDoubleModeScaleRatio) return FormatScaleRatio(buffer, value, keepZeros);
  double_conversion::StringBuilder builder(buffer, kDoubleTextBuffer);
  if (mode >= 0 && mode <= 8) {
    FormatDisplayNumber(builder, value, mode + 1, 0, keepZeros, 0, 0);
  } else if (mode >= 10 && mode <= 16) {
    FormatDisplayNumber(builder, value, 0, mode - 6, false, -4, 20);
  } else {
    FormatDisplayNumber(builder, value, 0, 0, false, -4, 20);
  }
  int length = builder.position();
  builder.Finalize();
  return length;
}

WString FormatDouble(double value, int mode, bool keepZeros) {
  char buffer[kDoubleTextBuffer];
  int length = FormatDoubleToBuffer(buffer, value, mode, keepZeros);
  WString out;
  for (int i = 0; i < length; ++i) out.AppendChar(char16_t(buffer[i]));
  return out;
}

int FormatScaleRatio(char (&buffer)[kDoubleTextBuffer], double value, bool shortFallback) {
  // 2^-23: the precision of a float, which is what stored scales carry.
  constexpr double kEps = 1.1920928955078125e-7;
  const int fallbackMode = shortFallback ? 12 : 16;
  auto nearWhole = [](double x) { return std::fabs(x - std::round(x)) <= kEps; };
  char first[kDoubleTextBuffer];
  char second[kDoubleTextBuffer];
  std::string text;
  if (std::fabs(value) <= kEps) {
    FormatDoubleToBuffer(first, value, 10);
    text = first;
  } else if (value > 1) {
    for (int k = 1; k <= 9 && text.empty(); ++k) {
      if (nearWhole(k * value)) {
        FormatDoubleToBuffer(first, k * value, 0);
        text = std::string(first) + ":" + char('0' + k);
      }
    }
    if (text.empty()) {
      FormatDoubleToBuffer(first, value, fallbackMode);
      text = std::string(first) + ":1";
    }
  } else {
    for (int k = 1; k <= 9 && text.empty(); ++k) {
      if (nearWhole(k / value)) {
        FormatDoubleToBuffer(second, k / value, 0);
        text = std::string(1, char('0' + k)) + ":" + second;
      }
    }
    if (text.empty()) {
      FormatDoubleToBuffer(second, 1 / value, fallbackMode);
      text = std::string("1:") + second;
    }
  }
  // Each side is at most 25 characters of a display mode, yet keep the bound.
  std::size_t length = std::min(text.size(), std::size_t(kDoubleTextBuffer - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return int(length);
}

// --- Dates ----------------------------------------------------------------------------------------

WString FormatDateYMD(int day, int month, int year) {
  WString out;
  if (day == 0 && month == 0 && year == 0) {
    out.AppendRepeat(u' ', 8);
    return out;
  }
  AppendPadded(out, year, 4);
  AppendPadded(out, month, 2);
  AppendPadded(out, day, 2);
  return out;
}

void ReadDateYMD(const WString& text, int& day, int& month, int& year) {
  day = month = year = 0;
  if (text.Length() < 8) return;
  char16_t digits[8];
  for (int i = 0; i < 8; ++i) digits[i] = text[i] == u' ' ? u'0' : text[i];
  year = ParseIntPrefix(digits, 4);
  month = ParseIntPrefix(digits + 4, 2);
  day = ParseIntPrefix(digits + 6, 2);
}

WString FormatJulianDay(std::int32_t julianDay) {
  // Fliegel and Van Flandern (1968), in 64 bits so that no day number overflows.
  std::int64_t l = std::int64_t(julianDay) + 68569;
  std::int64_t n = 4 * l / 146097;
  l -= (146097 * n + 3) / 4;
  std::int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  std::int64_t j = 80 * l / 2447;
  std::int64_t day = l - 2447 * j / 80;
  l = j / 11;
  std::int64_t month = j + 2 - 12 * l;
  std::int64_t year = 100 * (n - 49) + i + l;
  WString out = IntToWString(std::int32_t(day));
  out.AppendChar(u'.');
  out.Append(IntToWString(std::int32_t(month)));
  out.AppendChar(u'.');
  out.Append(IntToWString(std::int32_t(std::clamp<std::int64_t>(year, INT_MIN, INT_MAX))));
  return out;
}

std::int32_t GetTodayJulianDay() {
  // 2440588 is the Julian day number of 1 January 1970.
  std::int64_t days = std::int64_t(std::time(nullptr)) / 86400;
  return std::int32_t(days + 2440588);
}

WString FormatToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  WString out = IntToWString(local.tm_mday);
  out.AppendChar(u'.');
  out.Append(IntToWString(local.tm_mon + 1));
  out.AppendChar(u'.');
  out.Append(IntToWString(local.tm_year + 1900));
  return out;
}

// --- Parsing -----------------------------------------------------------------------------------------

double StringToDoubleLenient(const char* text, int length) {
  using double_conversion::StringToDoubleConverter;
  StringToDoubleConverter converter(StringToDoubleConverter::ALLOW_LEADING_SPACES |
                                        StringToDoubleConverter::ALLOW_TRAILING_SPACES |
                                        StringToDoubleConverter::ALLOW_SPACES_AFTER_SIGN,
                                    0.0, kNaN, nullptr, nullptr);
  int processed = 0;
  return converter.StringToDouble(text, length, &processed);
}

double TextToDouble(const WString& text) {
  static constexpr char16_t kKept[] = u"0123456789,.()";
  int end = text.Length();
  while (end > 0 && !std::char_traits<char16_t>::find(kKept, 14, text[end - 1])) --end;
  std::string narrow;
  narrow.reserve(std::size_t(end));
  bool hasPoint = false;
  for (int i = 0; i < end; ++i) {
    char16_t c = text[i];
    narrow.push_back(c < 0x80 ? char(c) : '?');
    hasPoint = hasPoint || c == u'.';
  }
  if (!hasPoint) {
    for (char& c : narrow) {
      if (c == ',') c = '.';
    }
  }
  return StringToDoubleLenient(narrow.data(), int(narrow.size()));
}

int WideToInt(const WString& text) {
  int length = 0;
  while (length < 19 && length < text.Length() && text[length] <= 255) ++length;
  return ParseIntPrefix(text.CStr(), length);
}

void CapitalizeAscii(WString& text) {
  for (int i = 0; i < text.Length(); ++i) {
    char16_t c = text[i];
    char16_t wanted = c;
    if (i == 0 && c >= u'a' && c <= u'z') wanted = char16_t(c - 32);
    if (i > 0 && c >= u'A' && c <= u'Z') wanted = char16_t(c + 32);
    if (wanted != c) *text.WritableAt(i) = wanted;
  }
}

void FillDwords(std::uint32_t* destination, std::size_t count, std::uint32_t value) {
  for (std::size_t i = 0; i < count; ++i) destination[i] = value;
}

// --- Trigonometry -------------------------------------------------------------------------------------

double LookupAtan2(double y, double x) {
  if (y == g_math.atan2Y && x == g_math.atan2X) return g_math.atan2Result;
  g_math.atan2Y = y;
  g_math.atan2X = x;
  g_math.atan2Result = std::atan2(y, x);
  return g_math.atan2Result;
}

double CachedCosDeg(const double& angle) {
  if (angle == 0) return 1.0;
  if (angle != g_math.cosAngle) {
    g_math.cosAngle = angle;
    g_math.cosResult = std::cos(angle * kPi / 180);
  }
  return g_math.cosResult;
}

double CachedSinDeg(const double& angle) {
  if (angle == 0) return 0.0;
  if (angle != g_math.sinAngle) {
    g_math.sinAngle = angle;
    g_math.sinResult = std::sin(angle * kPi / 180);
  }
  return g_math.sinResult;
}

// --- Floating-point error flag --------------------------------------------------------------------------

bool GetFloatingPointErrorFlag() { return g_math.floatingPointError; }
void SetFloatingPointErrorFlag() { g_math.floatingPointError = true; }
void ClearFloatingPointErrorFlag() { g_math.floatingPointError = false; }

double CallChecked(double (*function)(double), double x) {
  double result = function(x);
  if (!std::isfinite(result) && std::isfinite(x)) {
    SetFloatingPointErrorFlag();
    return 0.0;
  }
  return result;
}

double CheckedPow(double base, double exponent) {
  double result = std::pow(base, exponent);
  if (!std::isfinite(result) && std::isfinite(base) && std::isfinite(exponent)) {
    SetFloatingPointErrorFlag();
    return 0.0;
  }
  return result;
}

}  // namespace kvn
