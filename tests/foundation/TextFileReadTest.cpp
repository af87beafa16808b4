#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "foundation/AString.h"
#include "foundation/InFileStream.h"
#include "foundation/WString.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

ByteArray ArrayOf(std::string_view bytes) {
  ByteArray a;
  a.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  return a;
}

WString PathOf(const std::filesystem::path& p) { return WString::FromUtf8(p.string()); }

TEST(TextFileRead, LinesLoseTheirLineEnds) {
  for (bool noBuffer : {false, true}) {
    SCOPED_TRACE(noBuffer);
    ByteArray bytes = ArrayOf("one\r\ntwo\n\nthree");
    auto in = InFileStream::FromMemory(bytes, noBuffer);
    AString line("old");
    EXPECT_EQ(line.ReadTextLine(in, 0), "one");
    EXPECT_EQ(line.ReadTextLine(in, 0), "two");
    EXPECT_EQ(line.ReadTextLine(in, 0), "");
    EXPECT_EQ(line.ReadTextLine(in, 0), "three");
    EXPECT_TRUE(in.Eof());
    EXPECT_EQ(line.ReadTextLine(in, 0), "");
  }
}

TEST(TextFileRead, ReadLineFromAppendsAndStopsAtMax) {
  ByteArray bytes = ArrayOf(std::string("abcdef;gh\0i;", 12));
  auto in = InFileStream::FromMemory(bytes);
  AString s("x");
  s.ReadLineFrom(in, ';', 3);
  EXPECT_EQ(s, "xabc");
  s.ReadLineFrom(in, ';', 0);  // the stop byte is taken, not stored
  EXPECT_EQ(s, "xabcdef");
  s.ReadUntil(in, ';', -1);
  EXPECT_EQ(s.View(), std::string_view("gh\0i", 4));
  EXPECT_TRUE(in.Eof());
}

TEST(TextFileRead, ALineLongerThanABlockIsReadWhole) {
  std::string text(20000, 'q');
  text[9000] = 'r';
  text += "\ntail";
  for (bool noBuffer : {false, true}) {
    ByteArray bytes = ArrayOf(text);
    auto in = InFileStream::FromMemory(bytes, noBuffer);
    AString line;
    line.ReadTextLine(in, 0);
    EXPECT_EQ(line.Length(), 20000);
    EXPECT_EQ(line[9000], 'r');
    EXPECT_EQ(line.ReadTextLine(in, 0), "tail");
  }
}

TEST(TextFileRead, ReadWholeFileReturnsTheCountOrMinusOne) {
  test::ScratchDir dir;
  std::string text = "some\0bytes";
  text.resize(10);
  std::ofstream(dir / "a.txt", std::ios::binary).write(text.data(), 10);
  InFileStream in(PathOf(dir / "a.txt"));
  std::uint8_t skip[3];
  in.Read(skip, 3);
  AString s("old");
  EXPECT_EQ(s.ReadWholeFile(in), 10);
  EXPECT_EQ(s.View(), std::string_view(text));

  std::ofstream(dir / "empty.txt").close();
  InFileStream empty(PathOf(dir / "empty.txt"));
  EXPECT_EQ(s.ReadWholeFile(empty), 0);
  EXPECT_TRUE(s.IsEmpty());

  InFileStream missing(PathOf(dir / "missing.txt"));
  s = "old";
  EXPECT_EQ(s.ReadWholeFile(missing), -1);
  EXPECT_TRUE(s.IsEmpty());

  // A sparse file just over the limit is refused without being read.
  std::ofstream(dir / "big.bin").close();
  std::filesystem::resize_file(dir / "big.bin", 100'000'001);
  InFileStream big(PathOf(dir / "big.bin"));
  s = "old";
  EXPECT_EQ(s.ReadWholeFile(big), -1);
  EXPECT_TRUE(s.IsEmpty());
  WString w(u"old");
  EXPECT_TRUE(w.ReadTextFile(big).IsEmpty());
}

TEST(TextFileRead, ReadTextFileDecodesByTheByteOrderMark) {
  struct Case {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {std::string("\xFE\xFF\x00\x41", 4), u"A"},
      {std::string("\xFF\xFE\x41\x00\x0D\x01\x42", 7), u"A\u010D"},  // odd last byte dropped
      {"\xEF\xBB\xBF" "a\xC3\xA9", u"a\u00E9"},
      {"a\xE9", u"a\u00E9"},  // no mark: the ANSI code page (1252)
      {"\xFF", u"\u00FF"},
      {"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    ByteArray bytes = ArrayOf(c.bytes);
    auto in = InFileStream::FromMemory(bytes);
    WString w(u"old");
    w.ReadTextFile(in);
    EXPECT_EQ(w.View(), std::u16string_view(c.text));
  }
}

}  // namespace
}  // namespace kvn
