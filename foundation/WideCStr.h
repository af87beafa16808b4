// Helpers for 0-terminated UTF-16 strings (the wide C strings that the
// drawing readers, resources and the toolkit layer hand around). They take
// char16_t, never wchar_t (4 bytes on Linux), and order by code unit.
// A null pointer counts as the empty string wherever a string is read.
#pragma once

#include <cstddef>

namespace kvn {

std::size_t wcslen(const char16_t* s);
// Copies src with its terminator; returns dst.
char16_t* wcscpy(char16_t* dst, const char16_t* src);
// First c in s; searching for 0 gives the terminator; null when absent.
const char16_t* wcschr(const char16_t* s, char16_t c);
// First character of s that is in set; null when none.
const char16_t* wcspbrk(const char16_t* s, const char16_t* set);
// Length of the leading run of s made of characters in set.
std::size_t wcsspn(const char16_t* s, const char16_t* set);
// -1, 0 or 1 by code unit.
int wcscmp(const char16_t* a, const char16_t* b);
int wcsncmp(const char16_t* a, const char16_t* b, std::size_t n);
// First occurrence of needle in haystack; the haystack itself for an empty needle.
const char16_t* FindWideSubstring(const char16_t* haystack, const char16_t* needle);
// ASCII letters folded; -1, 0 or 1.
int CompareNoCaseW(const char16_t* a, const char16_t* b);
int CompareNoCaseNW(const char16_t* a, const char16_t* b, std::size_t n);
// At most n - 1 characters, always terminated (nothing written when n is 0);
// returns the count copied.
std::size_t CopyWideToBuffer(char16_t* dst, std::size_t n, const char16_t* src);
// n copies of c (no terminator); returns dst.
char16_t* FillWChars(char16_t* dst, char16_t c, std::size_t n);
// In place, ASCII letters only; return s.
char16_t* AsciiToUpperW(char16_t* s);
char16_t* AsciiToLowerW(char16_t* s);

}  // namespace kvn
