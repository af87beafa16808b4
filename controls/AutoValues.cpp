#include "controls/AutoValues.h"

#include <climits>
#include <cmath>

#include "foundation/TextFormat.h"

namespace kvn {

std::vector<WString> SplitItemText(const WString& text) {
  std::vector<WString> items;
  if (text.IsEmpty()) return items;
  int start = 0;
  for (;;) {
    const int tab = text.FindCharFrom(u'\t', start);
    if (tab < 0) {
      items.push_back(text.Mid(start));
      return items;
    }
    items.push_back(text.Mid(start, tab - start));
    start = tab + 1;
  }
}

bool RoundFieldInt(double value, int* out) {
  const double rounded = std::floor(value + 0.5);
  if (std::isnan(rounded) || rounded < double(INT_MIN) || rounded > double(INT_MAX)) return false;
  *out = int(rounded);
  return true;
}

WString FormatDateYmd(const WString& ymd) {
  if (ymd.Length() != 8) return WString();
  for (int i = 0; i < 8; ++i) {
    if (ymd[i] < u'0' || ymd[i] > u'9') return WString();
  }
  const WString year = ymd.Mid(0, 4);
  WString month = ymd.Mid(4, 2);
  WString day = ymd.Mid(6, 2);
  if (month[0] == u'0') month = month.Mid(1);
  if (day[0] == u'0') day = day.Mid(1);
  WString out = day;
  out.AppendChar(u'.');
  out.Append(month);
  out.AppendChar(u'.');
  out.Append(year);
  return out;
}

WString ReadDateText(const WString& text) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  int digits = 0;
  bool any = false;
  for (int i = 0; i < text.Length(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      if (count >= 3 || ++digits > 4) return FormatDateYMD(0, 0, 0);
      parts[count] = parts[count] * 10 + (c - u'0');
      any = true;
    } else if (c == u'-' || c == u'/' || c == u'.' || c == u',') {
      if (++count > 2) return FormatDateYMD(0, 0, 0);
      digits = 0;
    } else if (c != u' ') {
      return FormatDateYMD(0, 0, 0);
    }
  }
  const int day = parts[0];
  const int month = parts[1];
  const int year = parts[2];
  if (!any || day > 31 || month > 12) return FormatDateYMD(0, 0, 0);
  return FormatDateYMD(day, month, year);
}

}  // namespace kvn
