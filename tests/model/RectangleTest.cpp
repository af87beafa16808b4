#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectChain.h"
#include "model/ObjectList.h"
#include "model/cRectangle.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;

// The record's parts in order: header, line and fill part, then corner 1,
// corner 2 and (from 3085) the radius; `parts` of them are written.
void WriteRectangleParts(ArchiveWriter& w, int version, DPoint a, DPoint b, double radius, int parts = 4) {
  test::WriteHeaderAt(w, version, test::HeaderFixture{});
  test::LinePartFixture line;
  line.color = 0x0000FF;
  test::WriteLinePartAt(w, version, line);
  test::FillPartFixture fill;
  fill.fillColor = version < 3053 ? 1 : 0x00FF00;  // before 3053: old kind 1 = solid
  fill.hatchKind = version < 3053 ? 1 : 0;
  test::WriteFillPartAt(w, version, fill);
  if (parts < 2) return;
  if (version < 3061) {
    test::WriteFloatPoint(w, a.x, a.y);
    if (parts > 2) test::WriteFloatPoint(w, b.x, b.y);
  } else {
    w.WriteRealPoint(a);
    if (parts > 2) w.WriteRealPoint(b);
    if (parts > 3 && version >= 3085) w.WriteCompactDouble(radius);
  }
}

std::vector<std::uint8_t> RectangleRecordAt(int version, DPoint a, DPoint b, double radius) {
  return test::Archive([&](ArchiveWriter& w) {
    WriteRectangleParts(w, version, a, b, radius);
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
    // The same bytes behind their type byte: the list reports the cut and
    // keeps the one rectangle.
    MemoryArchive listed(std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
    ObjectChain chain;
    EXPECT_FALSE(ReadObjectList(listed.Reader(), nullptr, kCurrentFileVersion, chain)) << n;
    ASSERT_NE(chain.Head(), nullptr) << n;
    EXPECT_EQ(chain.Head()->next, nullptr) << n;
  }
}

TEST(Rectangle, ARecordCutShortIsReportedAndKeepsWhatCameBeforeTheCut) {
  const DPoint a{1.5, -2.25}, b{-4, 8};
  const double radius = 0.75;
  for (int version : {3055, 3061, 3085, kCurrentFileVersion}) {
    SCOPED_TRACE(version);
    // The bytes that hold the parts up to each corner and the radius.
    auto sizeWith = [&](int parts) {
      return test::Archive([&](ArchiveWriter& w) { WriteRectangleParts(w, version, a, b, radius, parts); }).size();
    };
    const std::size_t beforeCorners = sizeWith(1), withCorner1 = sizeWith(2), withCorner2 = sizeWith(3);
    const auto record = test::Archive([&](ArchiveWriter& w) { WriteRectangleParts(w, version, a, b, radius); });
    ASSERT_LT(withCorner2, record.size() + (version < 3085 ? 1 : 0));
    for (std::size_t n = 0; n < record.size(); ++n) {
      SCOPED_TRACE(n);
      // The record alone: every cut inside the corners (whole bytes) sets the
      // error flag.
      {
        MemoryArchive cut(std::vector<std::uint8_t>(record.begin(), record.begin() + std::ptrdiff_t(n)));
        cRectangle back;
        back.Read(nullptr, nullptr, cut.Reader(), version);
        if (n >= beforeCorners && n < withCorner2) {
          EXPECT_TRUE(cut.Reader().HasError());
        }
      }
      // In its list: the list reports the cut and keeps the rectangle with
      // every field that lay wholly before the cut, the fields after it zero.
      std::vector<std::uint8_t> listed(n + 1, kTypeRectangle);
      std::copy(record.begin(), record.begin() + std::ptrdiff_t(n), listed.begin() + 1);
      MemoryArchive in(listed);
      ObjectChain chain;
      EXPECT_FALSE(ReadObjectList(in.Reader(), nullptr, version, chain));
      ASSERT_NE(chain.Head(), nullptr);
      EXPECT_EQ(chain.Head()->next, nullptr);
      const cAnyFill* filled = chain.Head()->AsAnyFill();
      const cRectangle* back = filled ? filled->AsRectangle() : nullptr;
      ASSERT_NE(back, nullptr);
      if (n >= beforeCorners) {
        EXPECT_EQ(back->stroke.color, 0x0000FFu);
        EXPECT_EQ(back->fill.fillColor, 0x00FF00u);
      } else {
        EXPECT_EQ(back->corner1, (DPoint{0, 0}));
      }
      if (n >= withCorner1) {
        EXPECT_EQ(back->corner1, a);
      } else {
        EXPECT_EQ(back->corner2, (DPoint{0, 0}));
      }
      if (n >= withCorner2) {
        EXPECT_EQ(back->corner2, b);
      }
      // A coordinate cut through reads as zero, never as half its bytes.
      for (double v : {back->corner1.x, back->corner1.y, back->corner2.x, back->corner2.y}) {
        EXPECT_TRUE(v == 0.0 || v == a.x || v == a.y || v == b.x || v == b.y) << v;
      }
      EXPECT_EQ(back->radius, 0.0);
    }
  }
}

}  // namespace
}  // namespace kvn
