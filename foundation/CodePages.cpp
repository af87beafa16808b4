#include "foundation/CodePages.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>

namespace kvn {

namespace {

struct CodePageTableEntry {
  int codePage;
  const char16_t* table;
};

#include "foundation/CodePageTables.inc"

// The code pages that reach iconv, by Windows number. The ANSI code page of
// this port is 1252.
struct IconvName {
  int codePage;
  const char* name;
};
constexpr IconvName kIconvNames[] = {
    {0, "CP1252"},         {437, "IBM437"},       {737, "CP737"},        {775, "IBM775"},
    {850, "IBM850"},       {852, "IBM852"},       {855, "IBM855"},       {857, "IBM857"},
    {860, "IBM860"},       {861, "IBM861"},       {862, "IBM862"},       {863, "IBM863"},
    {864, "IBM864"},       {865, "IBM865"},       {866, "IBM866"},       {869, "IBM869"},
    {874, "CP874"},        {932, "CP932"},        {936, "CP936"},        {949, "CP949"},
    {950, "CP950"},        {1250, "CP1250"},      {1251, "CP1251"},      {1252, "CP1252"},
    {1253, "CP1253"},      {1254, "CP1254"},      {1255, "CP1255"},      {1256, "CP1256"},
    {1257, "CP1257"},      {1258, "CP1258"},      {1361, "JOHAB"},       {10000, "MACINTOSH"},
    {10007, "MAC-CYRILLIC"}, {20127, "ASCII"},    {20866, "KOI8-R"},     {20932, "EUC-JP"},
    {21866, "KOI8-U"},     {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
    {50220, "ISO-2022-JP"}, {50225, "ISO-2022-KR"}, {51932, "EUC-JP"},   {51949, "EUC-KR"},
    {54936, "GB18030"},    {65000, "UTF-7"},      {65001, "UTF-8"},
};

// char16_t in memory order.
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const char* IconvNameOf(int codePage) {
  for (const IconvName& n : kIconvNames) {
    if (n.codePage == codePage) return n.name;
  }
  return nullptr;
}

// One iconv conversion descriptor, closed on every path.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Collects output units: counts them all, stores those that fit. Overflow of
// the caller's buffer is remembered and turns the result into 0.
template <class T>
class Sink {
 public:
  Sink(T* dst, std::size_t capacity) : dst_(dst), capacity_(capacity) {}
  void Put(const T* units, std::size_t n) {
    if (dst_) {
      if (n > capacity_ - count_) {
        overflow_ = true;
        n = capacity_ - count_;
      }
      std::memcpy(dst_ + count_, units, n * sizeof(T));
      count_ += n;
    } else {
      count_ += n;
    }
  }
  std::size_t Result() const { return overflow_ ? 0 : count_; }

 private:
  T* dst_;
  std::size_t capacity_;
  std::size_t count_ = 0;
  bool overflow_ = false;
};

// Runs iconv over the input in chunks of 256 output bytes. `onInvalid` is
// called for an input sequence the converter rejects (EILSEQ) and for a
// truncated one at the end (EINVAL, `atEnd` true); it returns how many input
// bytes to skip. Returns false when iconv fails in another way.
template <class T, class OnInvalid>
bool RunIconv(iconv_t cd, const char* src, std::size_t count, Sink<T>& sink, OnInvalid onInvalid) {
  char chunk[256];
  char* in = const_cast<char*>(src);
  std::size_t inLeft = count;
  bool flushed = false;
  while (!flushed) {
    char* out = chunk;
    std::size_t outLeft = sizeof(chunk);
    // With the input used up, the calls flush what a stateful converter
    // (CP1255, CP1258, ISO-2022) still holds, until one produces nothing.
    bool flushing = inLeft == 0;
    std::size_t r = flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft)
                             : iconv(cd, &in, &inLeft, &out, &outLeft);
    int error = r == std::size_t(-1) ? errno : 0;
    if (flushing && error == 0 && out == chunk) flushed = true;
    std::size_t produced = std::size_t(out - chunk);
    sink.Put(reinterpret_cast<const T*>(chunk), produced / sizeof(T));
    if (error == 0 || error == E2BIG) continue;
    if (flushing || (error != EILSEQ && error != EINVAL)) return false;
    std::size_t skip = onInvalid(in, inLeft, error == EINVAL);
    if (skip > inLeft) skip = inLeft;
    in += skip;
    inLeft -= skip;
  }
  return true;
}

}  // namespace

const char16_t* GetCodePageTable(int codePage) {
  if (codePage == kCodePageAnsi) codePage = 1252;
  for (const CodePageTableEntry& e : kCodePageTables) {
    if (e.codePage == codePage) return e.table;
  }
  return nullptr;
}

std::uint8_t WideToCodePageByte(int codePage, char16_t c) {
  if (c < 0x80) return std::uint8_t(c);
  const char16_t* table = GetCodePageTable(codePage);
  if (!table) return 0;
  for (int i = 0; i < 128; ++i) {
    if (table[i] == c) return std::uint8_t(0x80 + i);
  }
  return 0;
}

std::size_t MultiByteToWideChar(int codePage, const char* src, std::size_t count, char16_t* dst,
                                std::size_t capacity) {
  const char* name = IconvNameOf(codePage);
  if (!name || (!src && count > 0)) return 0;
  IconvHandle cd(kUtf16, name);
  if (!cd.Valid()) return 0;
  Sink<char16_t> sink(dst, capacity);
  auto replace = [&sink](char*, std::size_t, bool atEnd) -> std::size_t {
    static constexpr char16_t kReplacement = 0xFFFD;
    sink.Put(&kReplacement, 1);
    return atEnd ? std::size_t(-1) : 1;
  };
  if (!RunIconv(cd.Get(), src, count, sink, replace)) return 0;
  return sink.Result();
}

std::size_t WideCharToMultiByte(int codePage, const char16_t* src, std::size_t count, char* dst,
                                std::size_t capacity) {
  const char* name = IconvNameOf(codePage);
  if (!name || (!src && count > 0) || count > SIZE_MAX / 2) return 0;
  IconvHandle cd(name, kUtf16);
  if (!cd.Valid()) return 0;
  Sink<char> sink(dst, capacity);
  // A character the code page cannot hold becomes '?', written through the
  // same descriptor so that a shifting encoding stays in step.
  iconv_t handle = cd.Get();
  auto replace = [&sink, handle](char* in, std::size_t inLeft, bool atEnd) -> std::size_t {
    static const char16_t kQuestion[1] = {u'?'};
    char* q = const_cast<char*>(reinterpret_cast<const char*>(kQuestion));
    std::size_t qLeft = sizeof(kQuestion);
    char bytes[16];
    char* out = bytes;
    std::size_t outLeft = sizeof(bytes);
    iconv(handle, &q, &qLeft, &out, &outLeft);
    sink.Put(bytes, std::size_t(out - bytes));
    if (atEnd) return inLeft;
    // A valid surrogate pair is one character.
    char16_t units[2] = {0, 0};
    std::memcpy(units, in, inLeft >= 4 ? 4 : 2);
    bool pair = inLeft >= 4 && units[0] >= 0xD800 && units[0] <= 0xDBFF && units[1] >= 0xDC00 &&
                units[1] <= 0xDFFF;
    return pair ? 4 : 2;
  };
  if (!RunIconv(handle, reinterpret_cast<const char*>(src), count * 2, sink, replace)) return 0;
  return sink.Result();
}

}  // namespace kvn
