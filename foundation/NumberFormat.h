// The short decimal texts of numbers in the user interface (coordinates,
// scales, sizes), on the digit generation of double-conversion. Never printf:
// the toolkit sets LC_NUMERIC, which would give decimal commas.
#pragma once

#include <double-conversion/utils.h>

namespace kvn {

// Appends the text of `value` to `builder`; nothing for NaN and infinities,
// nor when the builder has no room for the whole text. A set sign bit always
// writes '-' first (so -0.0 gives "-0"). The path is chosen by the arguments:
// - digits 1..16 (width outside 4..20): digits - 1 fixed decimals for
//   |value| < 1e15, trailing zeros removed unless keepZeros; larger values
//   take the shortest path with the given low and high;
// - width 4..20: width significant digits (a little more for widths up to 10
//   when the number only just overflows the width), exponential "1.235E+6"
//   where the decimal form would not fit, trailing zeros removed;
// - otherwise the shortest text that reads back as the same double, decimal
//   while low <= decimal exponent < high, else "d.dddE+x".
void FormatDisplayNumber(double_conversion::StringBuilder& builder, double value, int digits, int width, bool keepZeros,
                         int low, int high);

}  // namespace kvn
