// ReadIniValue on a sample INI file and ConvertCp852ToCp1250 against iconv's
// code pages.
#include "foundation/IniFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "foundation/CodePages.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

TEST(IniFile, ReadIniValueFindsTheKeyOfItsSectionOnly) {
  test::ScratchDir dir;
  const std::string path = (dir / "viewer.ini").string();
  {
    std::ofstream out(path, std::ios::binary);
    // CR LF and LF lines, a key before any section, a key of another
    // section with the same name, a key that only begins like ours, and a
    // value in the ANSI code page (0xE9: e acute).
    out << "Printer=none\r\n"
           "[Paths]\r\n"
           "Fonts=/usr/share/fonts\r\n"
           "[Viewer]\n"
           "Printers=many\n"
           "printer=Caf\xE9 laser\n"
           "Printer=second\n"
           "Empty=\n"
           "[viewer2]\n"
           "Scale=2\n";
  }
  const WString file = WString::FromUtf8(path);
  const WString none(u"<default>");
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"Viewer", u"Printer", u"Café laser"},  // the first match, case ignored
      {u"VIEWER", u"PRINTER", u"Café laser"},
      {u"Paths", u"Fonts", u"/usr/share/fonts"},
      {u"Viewer", u"Empty", u""},
      {u"Viewer", u"Fonts", u"<default>"},  // another section's key
      {u"Viewer", u"Scale", u"<default>"},  // "[viewer2]" is not "[Viewer]"
      {u"viewer2", u"Scale", u"2"},
      {u"Missing", u"Printer", u"<default>"},
      {u"Viewer", u"Print", u"<default>"},  // "Printers=" does not begin with "Print="
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadIniValue(WString(c.section), WString(c.key), none, file), WString(c.expected))
        << WString(c.section).ToUtf8() << "/" << WString(c.key).ToUtf8();
  }
  EXPECT_EQ(ReadIniValue(WString(u"Viewer"), WString(u"Printer"), none, WString::FromUtf8((dir / "no.ini").string())),
            none);
}

TEST(IniFile, Cp852To1250KeepsEveryLetterThatCodePage1250Has) {
  int letters = 0;
  for (int b = 0; b < 256; ++b) {
    std::uint8_t byte = std::uint8_t(b);
    const std::uint8_t result = ConvertCp852ToCp1250(byte);
    EXPECT_EQ(result, byte) << b;
    if (b < 128) {
      EXPECT_EQ(result, b);
      continue;
    }
    // What iconv makes of the byte in each code page.
    const char in = char(b);
    char16_t wide = 0;
    ASSERT_EQ(MultiByteToWideChar(852, &in, 1, &wide, 1), 1u) << b;
    char back = 0;
    const std::size_t n = WideCharToMultiByte(1250, &wide, 1, &back, 1);
    if (n == 1 && back != '?') {
      EXPECT_EQ(result, std::uint8_t(back)) << "byte " << b;
      ++letters;
    } else {
      // Not in code page 1250: box drawing and blocks become ASCII.
      EXPECT_TRUE(result == '+' || result == '-' || result == '|' || result == '#') << "byte " << b;
    }
  }
  // Code page 852's letters of Central European languages are all in 1250.
  EXPECT_GE(letters, 90);
  std::uint8_t cz = 0xD8;  // 852: e with caron (U+011B) -> 1250: 0xEC
  EXPECT_EQ(ConvertCp852ToCp1250(cz), 0xEC);
  EXPECT_EQ(cz, 0xEC);
}

}  // namespace
}  // namespace kvn
