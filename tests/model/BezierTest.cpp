#include <gtest/gtest.h>

#include <memory>

#include "model/cBezier.h"
#include "model/cPolygon.h"
#include "tests/model/GeometryTestSupport.h"

namespace kvn {
namespace {

using test::MemoryArchive;

// The record of the legacy Bézier object: header, line part, fill part, the
// closed byte and four float points.
std::vector<std::uint8_t> BezierRecordAt(int version, std::uint8_t closed) {
  return test::Archive([&](ArchiveWriter& w) {
    test::HeaderFixture header;
    header.level = 2;
    test::WriteHeaderAt(w, version, header);
    test::LinePartFixture line;
    line.color = 0x0000FF;
    line.width = 0.5;
    test::WriteLinePartAt(w, version, line);
    test::FillPartFixture fill;
    fill.hatchKind = version < 3053 ? 1 : 0;  // before 3053: old kind 1, solid
    fill.fillColor = 0x00FF00;
    test::WriteFillPartAt(w, version, fill);
    w.WriteByte(closed);
    test::WriteFloatPoint(w, 0, 0);
    test::WriteFloatPoint(w, 1, 2);
    test::WriteFloatPoint(w, 3, 2);
    test::WriteFloatPoint(w, 4, 0);
    w.WriteBits(0x5, 3);
  });
}

TEST(Bezier, ReadsAsAPolygon) {
  for (int version : {3045, 3052, 3055, 3060, 3070, 3098, 3111}) {
    for (std::uint8_t closed : {0, 1}) {
      SCOPED_TRACE(testing::Message() << version << " closed " << int(closed));
      std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeBezier, true));
      ASSERT_NE(object, nullptr);
      MemoryArchive a(BezierRecordAt(version, closed));
      ObjectChain replacement = object->Read(nullptr, nullptr, a.Reader(), version);
      EXPECT_EQ(a.Reader().ReadBits(3), 0x5u);
      EXPECT_FALSE(a.Reader().HasError());
      ASSERT_EQ(replacement.Count(), 1u);
      cOutObj* head = replacement.Head();
      ASSERT_EQ(head->TypeCode(), kTypePolygon);
      const cPolygon* polygon = head->AsAnyFill()->AsPolygon();
      ASSERT_NE(polygon, nullptr);
      EXPECT_EQ(polygon->Level(), 2);
      EXPECT_EQ(polygon->stroke.color, 0x0000FFu);
      EXPECT_EQ(polygon->stroke.width, 0.5);
      EXPECT_EQ(polygon->fill.fillColor, 0x00FF00u);
      ASSERT_EQ(polygon->ListCount(), 1u);
      const PointList& list = polygon->FirstList();
      EXPECT_EQ(list.GetCurveKind(), 3);
      EXPECT_EQ(list.IsClosed(), closed != 0);
      ASSERT_EQ(list.Count(), 4u);
      EXPECT_EQ(list.Points()[1], (DPoint{1, 2}));
      EXPECT_EQ(list.Points()[3], (DPoint{4, 0}));
      EXPECT_TRUE(head->HasFlag(kFlagDirty));
      // The object read stays a Bézier; its replacement is what the list keeps.
      EXPECT_EQ(object->TypeCode(), kTypeBezier);
    }
  }
}

TEST(Bezier, DamagedRecordsStillGiveOnePolygon) {
  auto whole = BezierRecordAt(3070, 1);
  for (std::size_t n = 0; n < whole.size(); ++n) {
    cBezier bezier;
    MemoryArchive a(std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
    ObjectChain replacement = bezier.Read(nullptr, nullptr, a.Reader(), 3070);
    EXPECT_EQ(replacement.Count(), 1u);
  }
}

}  // namespace
}  // namespace kvn
