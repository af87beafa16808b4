#include "foundation/WideCStr.h"

#include "foundation/WString.h"

namespace kvn {

namespace {
constexpr char16_t kEmpty[1] = {0};
const char16_t* OrEmpty(const char16_t* s) { return s ? s : kEmpty; }
char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }
int Sign(int d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }
}  // namespace

std::size_t wcslen(const char16_t* s) {
  if (!s) return 0;
  const char16_t* p = s;
  while (*p) ++p;
  return std::size_t(p - s);
}

char16_t* wcscpy(char16_t* dst, const char16_t* src) {
  src = OrEmpty(src);
  char16_t* d = dst;
  while ((*d++ = *src++) != 0) {
  }
  return dst;
}

const char16_t* wcschr(const char16_t* s, char16_t c) {
  if (!s) return nullptr;
  for (;; ++s) {
    if (*s == c) return s;
    if (*s == 0) return nullptr;
  }
}

const char16_t* wcspbrk(const char16_t* s, const char16_t* set) {
  if (!s || !set) return nullptr;
  for (; *s; ++s) {
    for (const char16_t* t = set; *t; ++t) {
      if (*t == *s) return s;
    }
  }
  return nullptr;
}

std::size_t wcsspn(const char16_t* s, const char16_t* set) {
  if (!s || !set) return 0;
  std::size_t n = 0;
  for (; s[n]; ++n) {
    const char16_t* t = set;
    while (*t && *t != s[n]) ++t;
    if (!*t) break;
  }
  return n;
}

int wcscmp(const char16_t* a, const char16_t* b) {
  a = OrEmpty(a);
  b = OrEmpty(b);
  while (*a && *a == *b) ++a, ++b;
  return Sign(int(*a) - int(*b));
}

int wcsncmp(const char16_t* a, const char16_t* b, std::size_t n) {
  a = OrEmpty(a);
  b = OrEmpty(b);
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return Sign(int(a[i]) - int(b[i]));
    if (a[i] == 0) break;
  }
  return 0;
}

const char16_t* FindWideSubstring(const char16_t* haystack, const char16_t* needle) {
  if (!haystack) return nullptr;
  needle = OrEmpty(needle);
  if (!*needle) return haystack;
  for (const char16_t* h = haystack; *h; ++h) {
    std::size_t i = 0;
    while (needle[i] && h[i] == needle[i]) ++i;
    if (!needle[i]) return h;
  }
  return nullptr;
}

int CompareNoCaseW(const char16_t* a, const char16_t* b) {
  a = OrEmpty(a);
  b = OrEmpty(b);
  for (;; ++a, ++b) {
    char16_t x = AsciiUpper(*a), y = AsciiUpper(*b);
    if (x != y) return Sign(int(x) - int(y));
    if (x == 0) return 0;
  }
}

int CompareNoCaseNW(const char16_t* a, const char16_t* b, std::size_t n) {
  a = OrEmpty(a);
  b = OrEmpty(b);
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = AsciiUpper(a[i]), y = AsciiUpper(b[i]);
    if (x != y) return Sign(int(x) - int(y));
    if (x == 0) break;
  }
  return 0;
}

std::size_t CopyWideToBuffer(char16_t* dst, std::size_t n, const char16_t* src) {
  if (!dst || n == 0) return 0;
  src = OrEmpty(src);
  std::size_t i = 0;
  for (; i + 1 < n && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return i;
}

char16_t* FillWChars(char16_t* dst, char16_t c, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) dst[i] = c;
  return dst;
}

char16_t* AsciiToUpperW(char16_t* s) {
  if (s) {
    for (char16_t* p = s; *p; ++p) *p = AsciiUpper(*p);
  }
  return s;
}

char16_t* AsciiToLowerW(char16_t* s) {
  if (s) {
    for (char16_t* p = s; *p; ++p) *p = AsciiLower(*p);
  }
  return s;
}

}  // namespace kvn
