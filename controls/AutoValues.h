// The conversions between the bound controls and their variables that need
// no window: item texts, integer fields, dates.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

// The items of an item text: pieces separated by one TAB each. A TAB at
// the end adds an empty last item; an empty text has no items.
std::vector<WString> SplitItemText(const WString& text);

// An integer field's value as stored: floor(value + 0.5), so 2.5 gives 3
// and -2.5 gives -2. False for NaN and for values beyond int, when the
// variable must keep what it holds.
bool RoundFieldInt(double value, int* out);

// A date of 8 digits, year month day ("20240307"), as shown in a date
// field: "7.3.2024" (no leading zero of day and month). Any other text
// (eight blanks for "no date", another length, not only digits) shows empty.
WString FormatDateYmd(const WString& ymd);
// A typed date, day, month and year separated by '-', '/', '.' or ',', back
// into 8 digits. Empty, unreadable or impossible dates (day above 31,
// month above 12, a part of more than 4 digits) give eight blanks.
WString ReadDateText(const WString& text);

}  // namespace kvn
