// The fixture writer against the records' own writers: at the current
// version the line and prototype records it writes field by field are the
// bytes that cLine, cRectangle and cText write themselves.
#include <gtest/gtest.h>

#include "foundation/ArchiveWriter.h"
#include "model/cLine.h"
#include "model/cRectangle.h"
#include "model/cText.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {
namespace {

TEST(NativeFixture, LineRecordEqualsTheClassWriter) {
  FixtureLine fixture{{1.5, -2}, {7, 3.25}, 4, 2, 0x123456, 0.35, 5};
  cLine line;
  line.start = fixture.start;
  line.end = fixture.end;
  line.SetLevel(4);
  line.SetPage(2);
  line.stroke.color = 0x123456;
  line.stroke.width = 0.35;
  line.stroke.lineType = 5;
  const auto own = Archive([&](ArchiveWriter& w) { line.Write(nullptr, w); });
  EXPECT_EQ(WriteFixtureLineRecord(fixture, 3111), own);
}

TEST(NativeFixture, PrototypesEqualTheClassWriters) {
  cRectangle shape;
  cText text;
  const auto own = Archive([&](ArchiveWriter& w) {
    shape.Write(nullptr, w);
    text.Write(nullptr, w);
  });
  EXPECT_EQ(WriteFixturePrototypes(3111), own);
}

}  // namespace
}  // namespace kvn::test
