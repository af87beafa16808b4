// File names as bytes: any byte string survives the trip through the
// program's text and back, names in UTF-8 read as they always did, the
// shown form has U+FFFD where GLib shows it, and a file whose name is not
// UTF-8 opens and lists by its bytes.
#include "foundation/PathBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <string>

#include "foundation/FileSystem.h"
#include "foundation/InFileStream.h"
#include "foundation/PathNames.h"
#include "foundation/Utf8.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// Pieces a name is built from: ASCII, well-formed UTF-8 of every length, and
// what is malformed in each way NextUtf8Piece knows (a cut sequence, a stray
// continuation byte, C0/C1/F5..FF, an overlong form, an encoded surrogate,
// a code point past U+10FFFF), Latin-1 and code page 1250 letters alone.
const char* const kPieces[] = {
    "a",  "/",    ".dxf", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF0\x90\x82\x80",  // U+10080: low half DC80
    "\xE9", "\xE2\x82", "\x80", "\xBF", "\xC0\xAF", "\xC1", "\xF5", "\xFF", "\xE0\x80\x80", "\xED\xA0\x80",
    "\xED\xB2\x80",  // U+DC80 itself, encoded: must not read as the byte unit for 0x80
    "\xF4\x90\x80\x80", "\xF0\x9F\x98", "\x8A\xEC\x9A",
};

std::string RandomName(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(0, 12);
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> coin(0, 3);
  std::string name;
  for (int n = length(rng); n > 0; --n) {
    if (coin(rng) == 0)
      name += char(byte(rng));  // any byte, as a damaged or foreign name has them
    else
      name += kPieces[piece(rng)];
  }
  return name;
}

// A name in well-formed UTF-8 only, from code points of every plane (no surrogates).
std::string RandomUtf8(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(0, 10);
  std::uniform_int_distribution<std::uint32_t> plane(0, 3);
  std::string name;
  for (int n = length(rng); n > 0; --n) {
    const std::uint32_t limit[] = {0x7F, 0x7FF, 0xFFFF, 0x10FFFF};
    char32_t cp = std::uniform_int_distribution<std::uint32_t>(1, limit[plane(rng)])(rng);
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xE9;
    AppendUtf8(name, cp);
  }
  return name;
}

TEST(PathBytesTest, EveryByteStringComesBackByteForByte) {
  std::mt19937 rng(20261209);
  for (int i = 0; i < 20000; ++i) {
    const std::string name = RandomName(rng);
    const WString text = PathFromBytes(name);
    ASSERT_EQ(PathBytes(text.View()), name) << "case " << i;
    // The shown form is valid UTF-8 for the toolkit, whatever the bytes.
    const std::string shown = text.ToUtf8();
    ASSERT_EQ(PathFromBytes(shown).ToUtf8(), shown) << "case " << i;
  }
}

TEST(PathBytesTest, NamesInUtf8ReadAsTheyAlwaysDid) {
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; ++i) {
    const std::string name = RandomUtf8(rng);
    const WString text = PathFromBytes(name);
    ASSERT_TRUE(text == WString::FromUtf8(name)) << "case " << i;
    ASSERT_TRUE(DisplayPath(text) == text) << "case " << i;
    ASSERT_EQ(text.ToUtf8(), name) << "case " << i;
  }
}

// One U+FFFD for each byte that is not UTF-8, as g_filename_display_name
// shows a name under a UTF-8 locale (and with it the GTK file chooser).
TEST(PathBytesTest, TheShownNameHasAReplacementForEachStrayByte) {
  const struct {
    const char* bytes;
    const char16_t* shown;
  } cases[] = {
      {"caf\xE9.dxf", u"caf\uFFFD.dxf"},
      {"pl\xE1ny/\xE8\x61ra.dgn", u"pl\uFFFDny/\uFFFDara.dgn"},
      {"x\xE2\x82y", u"x\uFFFD\uFFFDy"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"caf\xC3\xA9.dxf", u"caf\u00E9.dxf"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xF0\x90\x82\x80", u"\U00010080"},  // a pair whose low half is DC80
  };
  for (const auto& c : cases) {
    const WString text = PathFromBytes(c.bytes);
    EXPECT_TRUE(DisplayPath(text) == WString(c.shown)) << c.bytes;
    // The toolkit's text says the same.
    EXPECT_EQ(text.ToUtf8(), WString(c.shown).ToUtf8()) << c.bytes;
  }
}

TEST(PathBytesTest, AFileNamedInLatin1OpensAndIsListedByItsBytes) {
  test::ScratchDir dir;
  const std::string folder = dir.Path().string() + "/Zeichnungen f\xFCr Caf\xE9";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::string file = folder + "/caf\xE9.dxf";
  std::ofstream(file, std::ios::binary) << "0\nEOF\n";

  const WString path = PathFromBytes(file);
  InFileStream in(path);
  ASSERT_TRUE(in.IsOpen());
  char head[5] = {};
  EXPECT_EQ(in.Read(head, 5), 5u);
  EXPECT_EQ(std::string(head, 5), "0\nEOF");
  EXPECT_TRUE(FileExists(path));

  WString folderText = PathFromBytes(folder);
  AddTrailingBackslash(folderText);
  FindFileIterator it(ConcatWStringCStr(folderText, u"*.dxf"));
  WString name;
  int isFile = 0;
  ASSERT_TRUE(it.Next(name, isFile));
  EXPECT_EQ(PathBytes(name.View()), "caf\xE9.dxf");
  EXPECT_TRUE(InFileStream(ConcatWStringCStr(folderText, name.CStr())).IsOpen());
}

}  // namespace
}  // namespace kvn
