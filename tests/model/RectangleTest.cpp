#include <gtest/gtest.h>

#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/cRectangle.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;

std::vector<std::uint8_t> RectangleRecordAt(int version, DPoint a, DPoint b, double radius) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    test::LinePartFixture line;
    line.color = 0x0000FF;
    test::WriteLinePartAt(w, version, line);
    test::FillPartFixture fill;
    fill.fillColor = version < 3053 ? 1 : 0x00FF00;  // before 3053: old kind 1 = solid
    fill.hatchKind = version < 3053 ? 1 : 0;
    test::WriteFillPartAt(w, version, fill);
    if (version < 3061) {
      test::WriteFloatPoint(w, a.x, a.y);
      test::WriteFloatPoint(w, b.x, b.y);
    } else {
      w.WriteRealPoint(a);
      w.WriteRealPoint(b);
      if (version >= 3085) w.WriteCompactDouble(radius);
    }
    w.WriteBits(0x2A, 6);  // a marker right behind the record
  });
}

TEST(Rectangle, DefaultsAndQueries) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeRectangle, true));
  ASSERT_NE(object, nullptr);
  cAnyFill* fill = object->AsAnyFill();
  ASSERT_NE(fill, nullptr);
  cRectangle* rect = fill->AsRectangle();
  ASSERT_NE(rect, nullptr);
  EXPECT_TRUE(rect->IsClosed());
  EXPECT_EQ(rect->AsLine(), nullptr);
  EXPECT_EQ(rect->radius, 0.0);
  EXPECT_EQ(rect->corner1, (DPoint{0, 0}));
  EXPECT_EQ(rect->corner2, (DPoint{0, 0}));
  EXPECT_EQ(rect->fill.fillColor, 0x80000000u);
}

TEST(Rectangle, VersionRows) {
  struct Case {
    int version;
    double radius;
  };
  for (Case c : {Case{3111, 1.5}, Case{3085, 1.5}, Case{3084, 0.0}, Case{3080, 0.0}, Case{3061, 0.0},
                 Case{3060, 0.0}, Case{3052, 0.0}}) {
    SCOPED_TRACE(c.version);
    cRectangle rect;
    MemoryArchive a(RectangleRecordAt(c.version, {1.5, 2.5}, {-4, 8}, 1.5));
    EXPECT_TRUE(rect.Read(nullptr, nullptr, a.Reader(), c.version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), 0x2Au);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(rect.corner1, (DPoint{1.5, 2.5}));
    EXPECT_EQ(rect.corner2, (DPoint{-4, 8}));
    EXPECT_EQ(rect.radius, c.radius);
    EXPECT_EQ(rect.stroke.color, 0x0000FFu);
    EXPECT_EQ(rect.fill.fillColor, c.version < 3053 ? 1u : 0x00FF00u);
  }
}

TEST(Rectangle, RoundTripCurrentForm) {
  cRectangle rect;
  rect.SetTypeByteSourceBits(0);
  rect.corner1 = {-1, -2};
  rect.corner2 = {3.25, 4};
  rect.radius = 0.5;
  rect.fill.fillColor = 0x00FFFF;
  rect.fill.opacity = 10;
  rect.stroke.width = 0.5;
  auto bytes = test::Archive([&](ArchiveWriter& w) { rect.Write(nullptr, w); });
  MemoryArchive a(bytes);
  std::uint8_t type = a.Reader().ReadByte();
  ASSERT_EQ(type & kTypeCodeMask, kTypeRectangle);
  cRectangle back;
  back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
  EXPECT_EQ(back.corner1, rect.corner1);
  EXPECT_EQ(back.corner2, rect.corner2);
  EXPECT_EQ(back.radius, 0.5);
  EXPECT_EQ(back.fill.fillColor, 0x00FFFFu);
  EXPECT_EQ(back.fill.opacity, 10);
  EXPECT_EQ(back.stroke.width, 0.5);
  ByteArray x, y;
  EXPECT_TRUE(rect.IsSameRecord(back, x, y));

  cRectangle copy;
  copy.Assign(rect);
  EXPECT_TRUE(rect.IsSameRecord(copy, x, y));
}

TEST(Rectangle, RotatesOnlyByRightAngles) {
  cRectangle rect;
  rect.corner1 = {0, 0};
  rect.corner2 = {4, 2};
  EXPECT_TRUE(rect.Rotate({}, {0, 0}, 90.0));
  EXPECT_NEAR(rect.corner2.x, -2, 1e-12);
  EXPECT_NEAR(rect.corner2.y, 4, 1e-12);
  const DPoint before = rect.corner2;
  EXPECT_FALSE(rect.Rotate({}, {0, 0}, 89.999));
  EXPECT_EQ(rect.corner2, before);
  EXPECT_TRUE(rect.Rotate({}, {0, 0}, -90.0));
  EXPECT_NEAR(rect.corner2.x, 4, 1e-12);
  EXPECT_NEAR(rect.corner2.y, 2, 1e-12);
}

TEST(Rectangle, ScaleMoveAndExtent) {
  cRectangle rect;
  rect.corner1 = {4, 6};
  rect.corner2 = {0, 2};
  rect.radius = 1.0;
  EXPECT_TRUE(rect.Scale({}, {0, 0}, {2, 0.5}));
  EXPECT_EQ(rect.radius, 0.5);
  EXPECT_EQ(rect.corner1, (DPoint{8, 3}));
  EXPECT_EQ(rect.corner2, (DPoint{0, 1}));
  rect.Move({1, 1});
  DRect r;
  // Measured through the outline, rebuilt on refresh.
  rect.GetExtentUpdated(nullptr, r);
  EXPECT_EQ(r, (DRect{1, 2, 9, 4}));
  rect.stroke.width = 1.0;
  rect.MarkDirty();
  rect.GetStrokeExtent(nullptr, r);
  EXPECT_EQ(r, (DRect{0.5, 1.5, 9.5, 4.5}));

  DPoint points[2] = {{1, 1}, {2, 3}};
  rect.SetPoints(points, 2);
  EXPECT_EQ(rect.radius, 0.0);
  EXPECT_EQ(rect.corner2, (DPoint{2, 3}));
}

TEST(Rectangle, DamagedRecordsReadSafely) {
  cRectangle rect;
  rect.corner2 = {5, 5};
  rect.radius = 0.3;
  auto whole = test::Archive([&](ArchiveWriter& w) { rect.Write(nullptr, w); });
  for (std::size_t n = 1; n < whole.size(); ++n) {
    cRectangle back;
    MemoryArchive a(std::vector<std::uint8_t>(whole.begin() + 1, whole.begin() + std::ptrdiff_t(n)));
    back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
  }
}

}  // namespace
}  // namespace kvn
