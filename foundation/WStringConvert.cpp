// WString to and from code pages and UTF-8.
#include <cstring>

#include "foundation/CodePages.h"
#include "foundation/UnicodeCase.h"
#include "foundation/Utf8.h"
#include "foundation/WString.h"

namespace kvn {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// UTF-8 to UTF-16. Every malformed piece (NextUtf8Piece) gives one U+FFFD.
// Four-byte sequences become surrogate pairs. Writes at most n units for n
// bytes; returns the count.
std::uint32_t DecodeUtf8(const std::uint8_t* s, std::uint32_t n, char16_t* out) {
  std::uint32_t i = 0, k = 0;
  while (i < n) {
    const Utf8Piece piece = NextUtf8Piece(s + i, n - i);
    i += piece.length;
    if (!piece.valid) {
      out[k++] = kReplacement;
    } else if (piece.cp >= 0x10000) {
      const char32_t cp = piece.cp - 0x10000;
      out[k++] = char16_t(0xD800 + (cp >> 10));
      out[k++] = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out[k++] = char16_t(piece.cp);
    }
  }
  return k;
}

}  // namespace

WString& WString::AssignBytes(int codePage, const char* bytes, int count) {
  if (!bytes || count <= 0) {
    Clear();
    return *this;
  }
  std::uint32_t n = std::uint32_t(count);
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes);
  if (codePage == kCodePageAnsi) codePage = 1252;

  // A private buffer of n units; the old content does not matter.
  Clear();
  Unshare(n);
  RepReserve(rep_, n);
  char16_t* out = rep_->chars;

  if (codePage == kCodePageUtf8) {
    // Every non-empty input yields at least one unit, so the platform
    // converter is never needed for UTF-8.
    SetLength(DecodeUtf8(s, n, out));
    return *this;
  }
  if (const char16_t* table = GetCodePageTable(codePage)) {
    for (std::uint32_t i = 0; i < n; ++i) out[i] = s[i] < 0x80 ? char16_t(s[i]) : table[s[i] - 0x80];
    SetLength(n);
    return *this;
  }
  if (codePage != kCodePageBytes) {
    std::size_t needed = MultiByteToWideChar(codePage, bytes, n, nullptr, 0);
    if (needed > 0) {
      RepReserve(rep_, needed);
      std::size_t written = MultiByteToWideChar(codePage, bytes, n, rep_->chars, rep_->capacity);
      if (written > 0) {
        SetLength(std::uint32_t(written));
        return *this;
      }
    }
  }
  // Code page -1, or one the converter does not know: bytes as code units.
  out = rep_->chars;
  for (std::uint32_t i = 0; i < n; ++i) out[i] = s[i];
  SetLength(n);
  return *this;
}

WString& WString::AssignUtf8(const char* bytes, int count) {
  if (!bytes || count <= 0) {
    Clear();
    return *this;
  }
  std::uint32_t n = std::uint32_t(count);
  Clear();
  Unshare(n);
  RepReserve(rep_, n);
  SetLength(DecodeUtf8(reinterpret_cast<const std::uint8_t*>(bytes), n, rep_->chars));
  return *this;
}

WString WString::FromUtf8(std::string_view utf8) {
  WString s;
  s.AssignUtf8(utf8.data(), int(CheckedLength(utf8.size())));
  return s;
}

std::string WString::ToUtf8() const {
  std::string out;
  out.reserve(rep_->length);
  const char16_t* s = rep_->chars;
  for (std::uint32_t i = 0; i < rep_->length; ++i) {
    char32_t cp = s[i];
    if (IsHighSurrogate(s[i]) && i + 1 < rep_->length && IsLowSurrogate(s[i + 1])) {
      cp = CombineSurrogates(cp, s[i + 1]);
      ++i;
    } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

WString& WString::AssignCodePageCStr(int codePage, const char* cstr) {
  if (!cstr) {
    Clear();
    return *this;
  }
  return AssignBytes(codePage, cstr, int(CheckedLength(std::strlen(cstr))));
}

WString& WString::AssignCodePageAString(int codePage, const AString& text) {
  return AssignBytes(codePage, text.CStr(), text.Length());
}

AString& WString::ToAString(AString& out, int codePage) const {
  const char16_t* s = rep_->chars;
  std::uint32_t n = rep_->length;
  if (codePage == kCodePageAnsi) codePage = 1252;
  if (codePage == kCodePageUtf8) {
    std::string utf8 = ToUtf8();
    out.Resize(std::int64_t(utf8.size()));
    if (!utf8.empty()) std::memcpy(out.Data(), utf8.data(), utf8.size());
    return out;
  }
  if (n == 0) {
    out.Clear();
    return out;
  }
  if (codePage == kCodePageBytes) {
    out.Resize(n);
    char* d = out.Data();
    for (std::uint32_t i = 0; i < n; ++i) {
      char b = char(s[i] & 0xFF);
      d[i] = b ? b : '?';
    }
    return out;
  }
  if (GetCodePageTable(codePage)) {
    // Our tables, like the Win32 ones, hold the undefined bytes too, so text
    // read through a table comes back byte for byte.
    out.Resize(n);
    char* d = out.Data();
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint8_t b = WideToCodePageByte(codePage, s[i]);
      d[i] = b || s[i] == 0 ? char(b) : '?';
    }
    return out;
  }
  // Sized by what the converter needs: a double-byte code page may need more
  // bytes than there are characters.
  std::size_t needed = WideCharToMultiByte(codePage, s, n, nullptr, 0);
  out.Resize(std::int64_t(needed));
  std::size_t written = needed ? WideCharToMultiByte(codePage, s, n, out.Data(), needed) : 0;
  out.Resize(std::int64_t(written));
  return out;
}

AString& WString::ToAscii(AString& out) const {
  out.Resize(rep_->length);
  char* d = out.Data();
  for (std::uint32_t i = 0; i < rep_->length; ++i) d[i] = rep_->chars[i] < 0x80 ? char(rep_->chars[i]) : '?';
  return out;
}

AString& WString::FoldToAString(AString& out) const {
  out.Resize(rep_->length);
  char* d = out.Data();
  for (std::uint32_t i = 0; i < rep_->length; ++i) {
    char16_t c = rep_->chars[i];
    char folded = c < 0x80 ? char(c) : FoldToAsciiW(c);
    d[i] = c < 0x80 || folded ? folded : '?';
  }
  return out;
}

}  // namespace kvn
