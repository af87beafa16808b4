// Numbers and handles written as text in group-code items. Untrusted input:
// every reader here stops at the end of the given length and never overflows.
#pragma once

#include <cstdint>

namespace kvn {

// Leading white space, an optional sign and decimal digits, as the C
// library's atoi reads them, but saturated at the limits of 32 bits instead
// of overflowing; no digits give 0.
std::int32_t ParseDecimalSaturated(const char* text, int length);

// Leading spaces skipped, then hexadecimal digits of either case accumulated
// into 64 bits up to the first other character (digits beyond 16 shift the
// oldest out, as a 64-bit register does). Null or empty gives 0.
std::uint64_t ParseHexHandle(const char* text, int length);

// Spaces allowed around the number; empty or unreadable text gives 0.0.
double ParseDoubleOrZero(const char* text, int length);

// The plain form most files write, [+-]digits[.digits] without spaces or
// exponent, read as ParseDoubleOrZero reads it; false (out unchanged) for
// anything else, which ParseDoubleOrZero reads its own way.
bool ParsePlainDouble(const char* text, int length, double& out);

// Whether a text of a number group is the number it is read as: for an
// integer, decimal digits with an optional sign and white space around
// them; for a real, a finite number the lenient reader takes whole. Anything
// else (abc, 12abc, nan, blank) is read as 0 or by its leading digits, and
// the import counts it as a number lost.
bool IsWholeInteger(const char* text, int length);
bool IsReadableReal(const char* text, int length);

}  // namespace kvn
