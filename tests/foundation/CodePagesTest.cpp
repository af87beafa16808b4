#include "foundation/CodePages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <bit>
#include <optional>
#include <ostream>
#include <string>

#include "foundation/WString.h"

namespace kvn {

void PrintTo(const WString& s, std::ostream* os);

namespace {

struct NamedCodePage {
  int number;
  const char* iconvName;
};
constexpr NamedCodePage kTablePages[] = {
    {850, "IBM850"},   {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"},
    {1253, "CP1253"},  {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
    {1257, "CP1257"},  {1258, "CP1258"}, {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},
};

// iconv's own answer for one byte (flushing converters that hold a letter
// back for a following mark); nothing when iconv leaves the byte undefined.
std::optional<std::u16string> IconvByte(const char* name, unsigned char byte) {
  const char* utf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
  iconv_t cd = iconv_open(utf16, name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {char(byte)};
  char16_t out[8] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t inLeft = 1, outLeft = sizeof(out);
  std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  bool ok = r != std::size_t(-1) && inLeft == 0 &&
            iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != std::size_t(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return std::u16string(out, (sizeof(out) - outLeft) / 2);
}

TEST(CodePages, TablesAgreeWithIconv) {
  for (const NamedCodePage& page : kTablePages) {
    const char16_t* table = GetCodePageTable(page.number);
    ASSERT_NE(table, nullptr) << page.number;
    int defined = 0;
    for (int b = 0x80; b <= 0xFF; ++b) {
      std::optional<std::u16string> expected = IconvByte(page.iconvName, std::uint8_t(b));
      if (expected && expected->size() == 1) {
        EXPECT_EQ(table[b - 0x80], (*expected)[0]) << page.number << " byte " << b;
        ++defined;
      } else {
        EXPECT_EQ(table[b - 0x80], char16_t(b)) << page.number << " undefined byte " << b;
      }
    }
    EXPECT_GT(defined, 100) << page.number;
  }
  EXPECT_EQ(GetCodePageTable(0), GetCodePageTable(1252));  // the ANSI code page
  EXPECT_EQ(GetCodePageTable(932), nullptr);
  EXPECT_EQ(GetCodePageTable(-1), nullptr);
}

TEST(CodePages, WideToCodePageByteInvertsTheTables) {
  for (const NamedCodePage& page : kTablePages) {
    const char16_t* table = GetCodePageTable(page.number);
    for (int i = 0; i < 128; ++i) {
      EXPECT_EQ(WideToCodePageByte(page.number, table[i]), 0x80 + i) << page.number << " " << i;
    }
  }
  EXPECT_EQ(WideToCodePageByte(1250, u'A'), 'A');
  EXPECT_EQ(WideToCodePageByte(932, u'A'), 'A');
  EXPECT_EQ(WideToCodePageByte(1250, 0x0160), 0x8A);
  EXPECT_EQ(WideToCodePageByte(1250, 0x00C0), 0);  // not in code page 1250
  EXPECT_EQ(WideToCodePageByte(932, 0x00E9), 0);   // no table
}

TEST(CodePages, AssignBytes) {
  WString s;
  EXPECT_EQ(s.AssignBytes(1250, "\x8A", 1), u"\u0160");
  EXPECT_EQ(s.AssignBytes(1250, "\x81", 1), u"\u0081");  // undefined: same value
  EXPECT_EQ(s.AssignBytes(0, "\x80" "A", 2), u"\u20AC" "A");
  EXPECT_EQ(s.AssignBytes(-1, "\xE9\x00x", 3), WString(std::u16string_view(u"\u00E9\0x", 3)));
  EXPECT_EQ(s.AssignBytes(65001, "\xC3\xA9", 2), u"\u00E9");
  // A four-byte sequence decodes itself; no fallback is needed.
  EXPECT_EQ(s.AssignBytes(65001, "\xF0\x9F\x98\x80", 4), u"\xD83D\xDE00");
  EXPECT_EQ(s.AssignBytes(850, "\x82", 1), u"\u00E9");
  EXPECT_EQ(s.AssignBytes(28592, "\xA9", 1), u"\u0160");
  EXPECT_EQ(s.AssignBytes(932, "\x82\xA0" "a", 3), u"\u3042" "a");  // iconv
  EXPECT_EQ(s.AssignBytes(932, "\x82", 1), u"\uFFFD");                // truncated pair
  EXPECT_EQ(s.AssignBytes(12345, "\xE9z", 2), u"\u00E9z");           // unknown: bytes
  EXPECT_TRUE(s.AssignBytes(1250, "abc", 0).IsEmpty());
  EXPECT_EQ(WString(1250, "\x8A" "ab"), u"\u0160ab");
  EXPECT_EQ(WString(1250, AString("\x9A")), u"\u0161");
  EXPECT_TRUE(WString(1250, static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(CodePages, ToAString) {
  AString out;
  WString(u"\u0100A").ToAString(out, -1);
  EXPECT_EQ(out, "?A");  // low byte 0 becomes '?'
  // Every byte of a table code page comes back.
  std::string all;
  for (int b = 1; b < 256; ++b) all += char(b);
  for (const NamedCodePage& page : kTablePages) {
    WString(page.number, all.c_str()).ToAString(out, page.number);
    EXPECT_EQ(std::string(out.View()), all) << page.number;
  }
  WString(u"\u0160\u00C0").ToAString(out, 1250);
  EXPECT_EQ(out, "\x8A?");
  // A double-byte code page may need more bytes than there are characters.
  WString(u"\u3042\u3044x").ToAString(out, 932);
  EXPECT_EQ(out, "\x82\xA0\x82\xA2x");
  WString(u"a\u0100b").ToAString(out, 932);
  EXPECT_EQ(out, "a?b");
  WString(u"\u00E9\xD83D\xDE00").ToAString(out, 65001);
  EXPECT_EQ(out, "\xC3\xA9\xF0\x9F\x98\x80");
  WString(std::u16string_view(u"a\0b", 3)).ToAString(out, 65001);
  EXPECT_EQ(out.View(), std::string_view("a\0b", 3));
  WString(u"x").ToAString(out, 12345);
  EXPECT_TRUE(out.IsEmpty());  // the conversion failed
  WString(u"\u00E9\u0160\u2014\u4E00").ToAscii(out);
  EXPECT_EQ(out, "????");
  WString(u"\u00E9\u0160\u2014\u4E00!").FoldToAString(out);
  EXPECT_EQ(out, "eS-?!");
}

TEST(CodePages, PlatformConverter) {
  char16_t wide[4];
  EXPECT_EQ(MultiByteToWideChar(932, "\x82\xA0\x82\xA2", 4, nullptr, 0), 2u);
  EXPECT_EQ(MultiByteToWideChar(932, "\x82\xA0\x82\xA2", 4, wide, 1), 0u);  // does not fit
  EXPECT_EQ(MultiByteToWideChar(932, "\x82\xA0\x82\xA2", 4, wide, 4), 2u);
  EXPECT_EQ(wide[1], 0x3044);
  // Code page 1258 holds a letter back until it knows no mark follows.
  EXPECT_EQ(MultiByteToWideChar(1258, "a", 1, wide, 4), 1u);
  EXPECT_EQ(wide[0], u'a');
  EXPECT_EQ(MultiByteToWideChar(1258, "a\xCC", 2, wide, 4), 1u);
  EXPECT_EQ(wide[0], 0x00E0);
  EXPECT_EQ(MultiByteToWideChar(777, "a", 1, wide, 4), 0u);  // unknown code page

  char bytes[8];
  EXPECT_EQ(WideCharToMultiByte(1252, u"\u20AC\u0100", 2, bytes, sizeof(bytes)), 2u);
  EXPECT_EQ(std::string(bytes, 2), "\x80?");
  EXPECT_EQ(WideCharToMultiByte(1252, u"\xD83D\xDE00z", 3, bytes, sizeof(bytes)), 2u);
  EXPECT_EQ(std::string(bytes, 2), "?z");  // a pair is one character
  EXPECT_EQ(WideCharToMultiByte(1252, u"\xD800", 1, bytes, sizeof(bytes)), 1u);
  EXPECT_EQ(bytes[0], '?');
  EXPECT_EQ(WideCharToMultiByte(932, u"\u3042", 1, bytes, 1), 0u);  // does not fit
}

}  // namespace
}  // namespace kvn
