// The comment the File-Open dialog shows, read from the file's head: the
// container's comment, a single sheet's stored comment from 3052 on, a
// first "Comment=`" line, and nothing for damaged, older or foreign files.
#include "document/DrawingComment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace test;

std::string Comment(const ScratchDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = (dir / name).string();
  EXPECT_TRUE(SaveBytes(path, bytes));
  return ReadDrawingComment(WString::FromUtf8(path)).ToUtf8();
}

TEST(DrawingComment, EveryFormOfTheHeader) {
  ScratchDir dir;
  FixtureDocument doc;
  doc.comment = u"Ground floor, revision B";
  doc.sheets = {FixtureSheet{}};
  EXPECT_EQ(Comment(dir, "container.kvn", WriteNativeFile(doc)), "Ground floor, revision B");

  SingleSheetFile single;
  single.comment = u"Plan \u010d. 2";
  single.version = 3055;
  EXPECT_EQ(Comment(dir, "single.kvn", WriteSingleSheetFile(single)), "Plan \u010d. 2");
  single.version = 3049;  // before comments were stored
  EXPECT_EQ(Comment(dir, "old.kvn", WriteSingleSheetFile(single)), "");

  // A first header line holding the comment, code page 1250 with its escape
  // (backslash and backtick before a character make it 32 lower).
  const std::string line = "QUARN-S1\r\nComment=`Z\xe1kladn\xed \\`A plan\r\nVersion=3049\r\n";
  EXPECT_EQ(Comment(dir, "line.kvn", std::vector<std::uint8_t>(line.begin(), line.end())),
            "Z\u00e1kladn\u00ed ! plan");
}

TEST(DrawingComment, NothingFromDamagedOrForeignFiles) {
  ScratchDir dir;
  EXPECT_EQ(ReadDrawingComment(WString::FromUtf8((dir / "missing.kvn").string())).ToUtf8(), "");
  const std::string dxf = "  0\r\nSECTION\r\n";
  EXPECT_EQ(Comment(dir, "a.dxf", std::vector<std::uint8_t>(dxf.begin(), dxf.end())), "");
  SingleSheetFile single;
  single.comment = u"cut";
  single.version = 3055;
  std::vector<std::uint8_t> bytes = WriteSingleSheetFile(single);
  bytes.resize(24);  // inside the header lines
  EXPECT_EQ(Comment(dir, "cut.kvn", bytes), "");
  const std::string noEnd = "QUARN-S1\r\nVersion=3060\r\n" + std::string(70000, 'x');
  EXPECT_EQ(Comment(dir, "endless.kvn", std::vector<std::uint8_t>(noEnd.begin(), noEnd.end())), "");
}

}  // namespace
}  // namespace kvn
