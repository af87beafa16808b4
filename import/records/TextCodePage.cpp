#include "import/records/TextCodePage.h"

#include "foundation/CodePages.h"

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

void ResolveTextEscapes(WString& text) {
  if (text.FindChar(u'\\') < 0) return;
  for (int i = 0; i < text.Length(); ++i) {
    if (text[i] != u'\\') continue;
    char16_t kind = AsciiUpper(text[i + 1]);
    if (kind == u'M' && text[i + 2] == u'+' && i + 7 < text.Length()) {
      bool valid = true;
      int code = 0;
      for (int k = 0; k < 5; ++k) {
        int v = HexCharValue(AsciiUpper(text[i + 3 + k]));
        if (v < 0) valid = false;
        if (k > 0) code = code << 4 | (v < 0 ? 0 : v);
      }
      if (!valid) continue;
      char16_t c = DecodeMultibyte(CodePageOfMultibyteEscape(text[i + 3]), code);
      const char16_t one[2] = {c, 0};
      text.Replace(i, 8, one);
      continue;
    }
    if (kind == u'U' && text[i + 2] == u'+' && i + 6 < text.Length()) {
      int code = 0;
      bool valid = true;
      for (int k = 0; k < 4; ++k) {
        int v = HexCharValue(text[i + 3 + k]);
        if (v < 0) valid = false;
        code = code << 4 | (v < 0 ? 0 : v);
      }
      if (!valid || code == 0 || (code >= 0xD800 && code <= 0xDFFF)) continue;
      if (code == 0x2205) code = 0x00F8;
      const char16_t one[2] = {char16_t(code), 0};
      text.Replace(i, 7, one);
    }
  }
}

WString DecodeNarrowText(int codePage, const char* bytes, int count) {
  WString out;
  if (!bytes || count <= 0) return out;
  out.AssignBytes(codePage, bytes, count);
  ResolveTextEscapes(out);
  return out;
}

}  // namespace kvn
