// Small text utilities of messages and dialogs: "%s"/"%d" substitution,
// decimal and date texts, numbers in the display modes and scale ratios,
// number parsing of typed fields, cached trigonometry and the process-wide
// floating-point error flag.
//
// Numbers are never formatted or parsed with printf, strtod or streams: the
// toolkit sets LC_NUMERIC, which would give and expect decimal commas.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/AString.h"
#include "foundation/WString.h"

namespace kvn {

// --- "%s" and "%d" -------------------------------------------------------------
// The first "%s" of the pattern takes the string; the pattern's own "%%" are
// reduced to one '%' (repeatedly, so a run of '%' ends as one), the inserted
// text is taken as it is. A pattern without "%s" is returned unchanged. The
// two- and three-string forms fill the following "%s" of the pattern in
// argument order; the inserted texts are never searched for markers.
WString FormatPercentS(const WString& pattern, const WString& s1);
WString FormatPercentS2(const WString& pattern, const WString& s1, const WString& s2);
WString FormatPercentS3(const WString& pattern, const WString& s1, const WString& s2, const WString& s3);
// The same with "%d" and the decimal text of the integers.
WString FormatPercentD(const WString& pattern, int d1);
WString FormatPercentD2(const WString& pattern, int d1, int d2);
WString FormatPercentD3(const WString& pattern, int d1, int d2, int d3);
WString FormatPercentD4(const WString& pattern, int d1, int d2, int d3, int d4);

// Removes one '%' of the first "%%" and searches again, until none is left.
void CollapsePercentPairs(WString& text);
void CollapsePercentPairsA(AString& text);

// --- Integers ---------------------------------------------------------------------
inline constexpr int kIntDecimalBuffer = 12;
// The decimal text of value, built backwards at the end of the 12-byte
// buffer and terminated; returns where it starts.
char* FormatIntDecimal(std::int32_t value, char (&buffer)[kIntDecimalBuffer]);
AString IntToAString(std::int32_t value);
WString IntToWString(std::int32_t value);

// --- Doubles -----------------------------------------------------------------------
// Display modes: 0-8 that many decimals (padded with zeros only when
// keepZeros is set), 10-16 width class mode - 6 (4 to 10 digits),
// kDoubleModeScaleRatio a scale ratio, anything else the shortest form.
// Exponents are written "E+6"; decimal form while -4 <= exponent < 20.
inline constexpr int kDoubleModeScaleRatio = 21;
inline constexpr int kDoubleModeShortest = 18;
inline constexpr int kDoubleTextBuffer = 40;
// Writes the terminated text into the 40-character buffer; returns its length
// (0 and an empty text for NaN and infinities).
int FormatDoubleToBuffer(char (&buffer)[kDoubleTextBuffer], double value, int mode, bool keepZeros = false);
WString FormatDouble(double value, int mode, bool keepZeros = false);
// A scale as "5:2" or "1:4": the first multiplier k of 1 to 9 that makes the
// ratio whole (within 2^-23); otherwise the value in mode 16 (flag false) or
// 12 (flag true) against 1. A value of magnitude up to 2^-23 is written
// alone, in mode 10.
int FormatScaleRatio(char (&buffer)[kDoubleTextBuffer], double value, bool shortFallback);

// --- Dates -------------------------------------------------------------------------
// "YYYYMMDD"; all three zero give eight spaces.
WString FormatDateYMD(int day, int month, int year);
// Texts shorter than 8 characters give zeros; otherwise the first 8, spaces
// read as '0', are year (4), month (2) and day (2).
void ReadDateYMD(const WString& text, int& day, int& month, int& year);
// A Julian day number as "d.m.yyyy" of the Gregorian calendar.
WString FormatJulianDay(std::int32_t julianDay);
// Today's date (UTC) as a Julian day number.
std::int32_t GetTodayJulianDay();
// The local date as "d.m.yyyy".
WString FormatToday();

// --- Parsing typed numbers ---------------------------------------------------------
// double-conversion's reading with spaces allowed around the number and after
// the sign: an empty text gives 0.0, an unreadable one NaN.
double StringToDoubleLenient(const char* text, int length);
// A typed field: trailing characters other than "0123456789,.()" are cut
// off, then the rest is read leniently. A ',' reads as the decimal point
// when the text has no '.', so "1,5" is 1.5 as Czech and Slovak users write it.
double TextToDouble(const WString& text);
// atoi of at most the first 19 characters, stopping at one above 255;
// saturates at the limits of int.
int WideToInt(const WString& text);
// First character upper case, the rest lower case (ASCII letters only).
void CapitalizeAscii(WString& text);
void FillDwords(std::uint32_t* destination, std::size_t count, std::uint32_t value);

// --- Cached trigonometry -------------------------------------------------------------
// The same arguments as the last call give the cached result.
double LookupAtan2(double y, double x);
// Angles in degrees; exactly 0 gives exactly 1.0 and 0.0.
double CachedCosDeg(const double& angle);
double CachedSinDeg(const double& angle);

// --- Floating-point error flag ----------------------------------------------------------
// Set by the checked math functions below when a function fails (domain
// error, pole, overflow); read and cleared by the expression evaluator.
bool GetFloatingPointErrorFlag();
void SetFloatingPointErrorFlag();
void ClearFloatingPointErrorFlag();
// Checked math: a NaN or infinite result from finite arguments (domain
// error, pole, overflow) sets the flag and gives 0.0, as the runtime's math
// error hook did on the original platform.
double CallChecked(double (*function)(double), double x);
double CheckedPow(double base, double exponent);

}  // namespace kvn
