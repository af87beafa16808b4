// What the title-block fields read from a file: the sector settings of the
// drawing record and the file's modification time.
#include <gtest/gtest.h>

#include <sys/time.h>

#include <cstdlib>
#include <ctime>

#include "document/OpenDrawingFile.h"
#include "document/TitleFields.h"
#include "document/cDrawingDoc.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/LongPathFiles.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

// Local time is UTC for the length of a test.
class UtcZone {
 public:
  UtcZone() {
    if (const char* tz = std::getenv("TZ")) saved_ = tz, had_ = true;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  ~UtcZone() {
    if (had_) setenv("TZ", saved_.c_str(), 1); else unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

void WriteSector(ArchiveWriter& w, std::uint32_t count, bool numeric, std::uint32_t first, bool reverse,
                 std::uint32_t mode, double begin, double step) {
  w.WriteCompactU32(count);
  w.WriteBit(numeric);
  if (numeric) {
    w.WriteCompactU32(first);
  } else {
    w.WriteByte(std::uint8_t(first));
  }
  w.WriteBit(reverse);
  w.WriteBits(mode, 2);
  w.WriteCompactDouble(begin);
  w.WriteCompactDouble(step);
}

DocumentResult OpenFixture(const std::string& path, const FixtureDocument& doc) {
  EXPECT_TRUE(SaveBytes(path, WriteNativeFile(doc)));
  OpenRequest quiet;
  quiet.quiet = true;
  return OpenDrawing(WString::FromUtf8(path), quiet);
}

TEST(FieldDataFile, SectorSettingsAreReadInStoredOrder) {
  ScratchDir dir;
  FixtureDocument doc;
  FixtureSheet sheet;
  sheet.name = u"Sectors";
  sheet.sectorsWriter = [](ArchiveWriter& w) {
    WriteSector(w, 12, true, 3, true, 1, 5.0, 25.0);
    WriteSector(w, 6, false, 27, false, 2, -10.0, -40.0);
  };
  doc.sheets.push_back(sheet);
  DocumentResult result = OpenFixture((dir / "sectors.kvn").string(), doc);
  ASSERT_TRUE(result.Ok()) << result.Code();
  const cDrawing& d = result.Document()->GetFirstSheet()->Drawing();
  EXPECT_EQ(d.sectorsOn, 1);
  const SectorSettings& x = d.sectors[0];
  EXPECT_EQ(x.count, 12);
  EXPECT_EQ(x.numeric, 1u);
  EXPECT_EQ(x.firstNumber, 3);
  EXPECT_EQ(x.reverse, 1u);
  EXPECT_EQ(x.mode, 1);
  EXPECT_EQ(x.begin, 5.0);
  EXPECT_EQ(x.step, 25.0);
  const SectorSettings& y = d.sectors[1];
  EXPECT_EQ(y.count, 6);
  EXPECT_EQ(y.numeric, 0u);
  EXPECT_EQ(y.firstLetter, 27);
  EXPECT_EQ(y.mode, 2);
  EXPECT_EQ(y.step, -40.0);

  // Without the switch the defaults stay: sectors off.
  FixtureDocument plain;
  plain.sheets.push_back(FixtureSheet{});
  DocumentResult off = OpenFixture((dir / "plain.kvn").string(), plain);
  ASSERT_TRUE(off.Ok());
  EXPECT_EQ(off.Document()->GetFirstSheet()->Drawing().sectorsOn, 0);
}

TEST(FieldDataFile, DateAndTimeComeFromTheFile) {
  UtcZone utc;
  ScratchDir dir;
  const std::string path = (dir / "dated.kvn").string();
  FixtureDocument doc;
  doc.sheets.push_back(FixtureSheet{});
  ASSERT_TRUE(SaveBytes(path, WriteNativeFile(doc)));
  // 2026-03-07 09:05:30 UTC.
  const timeval times[2] = {{1772874330, 0}, {1772874330, 0}};
  ASSERT_EQ(utimes(path.c_str(), times), 0);
  OpenRequest quiet;
  quiet.quiet = true;
  DocumentResult result = OpenDrawing(WString::FromUtf8(path), quiet);
  ASSERT_TRUE(result.Ok());
  const cDrawingDoc& opened = *result.Document();
  EXPECT_EQ(opened.fileDate[0], 7);
  EXPECT_EQ(opened.fileDate[1], 3);
  EXPECT_EQ(opened.fileDate[2], 26);
  EXPECT_EQ(opened.fileTime[0], 9);
  EXPECT_EQ(opened.fileTime[1], 5);
  // A document without a file keeps zeros.
  cDrawingDoc fresh;
  EXPECT_EQ(fresh.fileDate[0] + fresh.fileDate[1] + fresh.fileDate[2] + fresh.fileTime[0] + fresh.fileTime[1], 0);
  // Times before 1970 and far ahead convert without trouble.
  fresh.SetFileDateTime(FileTimeFromUnix(-86400, 0));
  EXPECT_EQ(fresh.fileDate[0], 31);
  EXPECT_EQ(fresh.fileDate[2], 69);
}

}  // namespace
}  // namespace kvn::test
