// Caret escapes of DXF text values at the edges of their range: "^@" is the
// first control character (0x00), "^[" and "^_" the last ones (0x1B, 0x1F);
// a caret before a character outside 0x40..0x5F keeps the caret and loses
// the character. The value keeps its full length, zero bytes included.
#include <gtest/gtest.h>

#include <string>

#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {
namespace {

TEST(DxfCaretEscapeTest, EdgesOfTheControlRange) {
  struct Row {
    const char* line;
    std::string expected;
  };
  const Row rows[] = {
      {"a^@b", std::string("a\0b", 3)},
      {"^[", "\x1B"},
      {"x^_", "x\x1F"},
      {"^@^@", std::string("\0\0", 2)},
      {"^?z", "^z"},   // 0x3F: just below the range
      {"^`z", "^z"},   // 0x60: just above it
      {"^^A", "\x1E" "A"},
      {"^^^", "\x1E^"},  // the last caret has nothing after it
      {"a^Jb^", "a\nb^"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::string text = std::string("1\n") + row.line + "\n";
    ByteArray bytes;
    bytes.AppendBytes(text.data(), std::int64_t(text.size()));
    InFileStream in = InFileStream::FromMemory(bytes);
    DxfGroupReader groups(in, false, false);
    YxxfGroupRecord record;
    int code = 0;
    std::string_view value;
    ASSERT_TRUE(groups.ReadGroup(code, record, value));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(std::string(value), row.expected);
    ASSERT_EQ(record.Count(), 1u);
    const AString stored = record.GetNarrowString(1);
    EXPECT_EQ(std::string(stored.View()), row.expected);
  }
}

}  // namespace
}  // namespace kvn
