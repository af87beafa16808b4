#include "import/records/TextCodePage.h"

#include "foundation/CodePages.h"

#include <string>
#include <string_view>

namespace kvn {

namespace {

int HexCharValue(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}


// The character of a \M+ escape, or '?' when it cannot be decoded.
char16_t DecodeMultibyte(int codePage, int code) {
  if (codePage == 0) return u'?';
  char bytes[2];
  int n = 0;
  if (code > 0xFF) bytes[n++] = char(code >> 8);
  bytes[n++] = char(code & 0xFF);
  char16_t out[4];
  std::size_t got = MultiByteToWideChar(codePage, bytes, std::size_t(n), out, 4);
  if (got != 1 || out[0] == 0xFFFD || out[0] == 0) return u'?';
  return out[0];
}

}  // namespace

int CodePageOfMultibyteEscape(char16_t digit) {
  switch (digit) {
    case '1': return 932;
    case '2': return 950;
    case '3': return 949;
    case '4': return 1361;
    case '5': return 936;
    default: return 0;
  }
}

// Copied while scanned: an escape replaced in place moved the rest of the
// text, once per escape.
void ResolveTextEscapes(WString& text, TextCodeWork* work) {
  if (text.FindChar(u'\\') < 0) {
    if (work) work->characters += std::uint64_t(text.Length());
    return;
  }
  const std::u16string_view s = text.View();
  const int n = int(s.size());
  auto at = [&s, n](int k) { return k < n ? s[std::size_t(k)] : char16_t(0); };
  std::u16string out;
  out.reserve(s.size());
  for (int i = 0; i < n; ++i) {
    const char16_t c = s[std::size_t(i)];
    if (c == u'\\') {
      const char16_t kind = AsciiUpper(at(i + 1));
      if (kind == u'M' && at(i + 2) == u'+' && i + 7 < n) {
        bool valid = true;
        int code = 0;
        for (int k = 0; k < 5; ++k) {
          int v = HexCharValue(AsciiUpper(at(i + 3 + k)));
          if (v < 0) valid = false;
          if (k > 0) code = code << 4 | (v < 0 ? 0 : v);
        }
        if (valid) {
          out += DecodeMultibyte(CodePageOfMultibyteEscape(at(i + 3)), code);
          i += 7;
          continue;
        }
      } else if (kind == u'U' && at(i + 2) == u'+' && i + 6 < n) {
        int code = 0;
        bool valid = true;
        for (int k = 0; k < 4; ++k) {
          int v = HexCharValue(at(i + 3 + k));
          if (v < 0) valid = false;
          code = code << 4 | (v < 0 ? 0 : v);
        }
        if (valid && code != 0 && !(code >= 0xD800 && code <= 0xDFFF)) {
          out += code == 0x2205 ? u'\u00F8' : char16_t(code);
          i += 6;
          continue;
        }
      }
    }
    out += c;
  }
  if (work) work->characters += s.size() + out.size();
  text = WString(std::u16string_view(out));
}

WString DecodeNarrowText(int codePage, const char* bytes, int count) {
  WString out;
  if (!bytes || count <= 0) return out;
  out.AssignBytes(codePage, bytes, count);
  ResolveTextEscapes(out);
  return out;
}

}  // namespace kvn
