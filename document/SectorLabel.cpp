#include "document/SectorLabel.h"

#include <cmath>
#include <cstdint>

#include "foundation/TextFormat.h"

namespace kvn {

namespace {

// floor(floor(v) + 0.5) as a 64-bit index; NaN and values beyond the
// range answer -1, which every caller takes as "no sector".
std::int64_t SectorIndex(double v) {
  const double index = std::floor(std::floor(v) + 0.5);
  if (!(index >= -1e15 && index <= 1e15)) return -1;
  return std::int64_t(index);
}

}  // namespace

WString GetSectorLabel(const SectorSettings& settings, double firstLength, double secondLength, double coordinate,
                       double origin) {
  const double step = settings.step;
  if (step == 0.0 || !std::isfinite(step)) return WString();
  const std::int64_t count = settings.count;
  std::int64_t index = 0;
  if (settings.mode == 2) {
    index = SectorIndex((coordinate - settings.begin) / step);
    if (index < 0 || index >= count) return WString();
  } else {
    const double length = settings.mode == 1 ? firstLength : secondLength;
    if (!(length > 0.0) || count < 1) return WString();
    const double v = (coordinate - origin) / length;
    if (!std::isfinite(v)) return WString();
    const double p = (v - std::floor(v)) * length;
    double d = 0.0;
    if (step > 0.0) {
      if (p < settings.begin) return WString();
      d = p - settings.begin;
    } else {
      if (p > settings.begin) return WString();
      d = settings.begin - p;
    }
    const double width = std::fabs(step);
    if (d > double(count) * width) return WString();
    index = SectorIndex(d / width);
    if (index > count - 1) index = count - 1;
    if (index < 0) index = 0;
  }
  if (settings.reverse) index = count - index - 1;

  if (settings.numeric) {
    const std::int64_t value = std::int64_t(settings.firstNumber) + index;
    if (value < 0 || value > INT32_MAX) return WString();
    return IntToWString(std::int32_t(value));
  }
  const std::int64_t n = std::int64_t(settings.firstLetter % 26) + index;
  if (n < 0) return WString();
  const std::int64_t q = n / 26;
  const std::int64_t r = n % 26;
  // Two letters at most: beyond "ZZ" no label.
  if (q > 26) return WString();
  const char16_t base = settings.firstLetter >= 26 ? u'a' : u'A';
  WString label;
  if (q > 0) label.AppendChar(char16_t(base + q - 1));
  label.AppendChar(char16_t(base + r));
  return label;
}

}  // namespace kvn
