#include <gtest/gtest.h>

#include <memory>

#include "model/cBlock.h"
#include "model/cSection.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/SchematicRecords.h"

namespace kvn {
namespace {

using test::ExpectNear;
using test::MemoryArchive;

constexpr std::uint32_t kMarker = 0x1B;

TEST(Section, DefaultsAndEditing) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeSection, true));
  ASSERT_NE(object, nullptr);
  cSection* section = object->AsSection();
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->scale, 0);
  EXPECT_EQ(section->automaticFrame, 0);

  cSection s;
  s.automaticFrame = 1;
  const DPoint points[2] = {{1, 2}, {3, 4}};
  s.SetPoints(points, 2);
  EXPECT_EQ(s.automaticFrame, 0);
  EXPECT_EQ(s.insertPoint, points[0]);
  EXPECT_EQ(s.framePoint, points[1]);

  // Rotating by 200 turns the angle 0 into 160, and the answer is true: it
  // did turn.
  EXPECT_TRUE(s.Rotate({}, {0, 0}, 200));
  EXPECT_DOUBLE_EQ(s.angle, 160);

  s.scale = 0.5;
  EXPECT_TRUE(s.Scale({}, {0, 0}, {2, -3}));
  EXPECT_EQ(s.scale, 1.0);
  EXPECT_TRUE(s.Scale({}, {0, 0}, {0, 5}));
  EXPECT_EQ(s.scale, 1.0);

  s.insertPoint = {1, 1};
  s.framePoint = {5, 3};
  s.Move({1, -1});
  EXPECT_EQ(s.insertPoint, (DPoint{2, 0}));
  EXPECT_EQ(s.framePoint, (DPoint{6, 2}));
  DRect r;
  s.GetExtent(r);
  EXPECT_EQ(r, (DRect{2, 0, 6, 2}));
}

TEST(Section, AssignCopiesTheSelectionAndDropsTheCache) {
  cSection s;
  s.selectionPresent = 1;
  s.selectionValues.Add(7);
  s.selectionValues.Add(9);
  s.selectionNames.push_back(WString(u"A"));
  s.sheetIndex = 3;
  s.recolour = 1;
  s.color = 0xFF;
  cSection copy;
  copy.selectionValues.Add(1);
  int cache = 0;
  copy.viewCache = &cache;
  copy.Assign(s);
  EXPECT_EQ(copy.viewCache, nullptr);
  ASSERT_EQ(copy.selectionValues.Count(), 2u);
  EXPECT_EQ(copy.selectionValues.Items()[1], 9);
  ASSERT_EQ(copy.selectionNames.size(), 1u);
  EXPECT_EQ(copy.sheetIndex, 3);
  ByteArray x, y;
  EXPECT_TRUE(copy.IsSameRecord(s, x, y));
}

TEST(Section, VersionRows) {
  test::SectionFixture f;
  f.selection = true;
  f.values = {3, 200};
  f.names = {u"one", u"two"};
  for (int version : {3111, 3102, 3101, 3082, 3081, 3073, 3072, 3070, 3069, 3068, 3060}) {
    SCOPED_TRACE(version);
    cSection s;
    MemoryArchive a(test::RecordWithMarker(test::WriteSectionRecord, version, f, kMarker));
    EXPECT_TRUE(s.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(s.insertPoint, f.insertPoint);
    EXPECT_EQ(s.framePoint, f.framePoint);
    EXPECT_EQ(s.scale, 0.5);
    EXPECT_EQ(s.sourcePoint, f.sourcePoint);
    EXPECT_EQ(s.angle, 30);
    EXPECT_EQ(s.sheetIndex, 1);
    EXPECT_EQ(s.page, 2);
    EXPECT_EQ(s.recolour, 1);
    // Before 3069 the colour was not stored: recoloured in colour 0.
    EXPECT_EQ(s.color, version < 3069 ? 0u : 0x0000FFu);
    EXPECT_EQ(s.selectionPresent, version >= 3070 ? 1 : 0);
    EXPECT_EQ(s.selectionValues.Count(), version >= 3070 ? 2u : 0u);
    EXPECT_EQ(s.selectionNames.size(), version >= 3082 ? 2u : 0u);
  }
}

TEST(Section, AutomaticFrameHasNoFramePoint) {
  test::SectionFixture f;
  f.automaticFrame = true;
  cSection s;
  s.framePoint = {-1, -1};
  MemoryArchive a(test::RecordWithMarker(test::WriteSectionRecord, 3111, f, kMarker));
  s.Read(nullptr, nullptr, a.Reader(), 3111);
  EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
  EXPECT_EQ(s.automaticFrame, 1);
  EXPECT_EQ(s.framePoint, (DPoint{-1, -1}));
}

TEST(Section, RoundTrips) {
  cSection s;
  s.insertPoint = {1, 2};
  s.framePoint = {3, 4};
  s.scale = 2.5;
  s.angle = -90;
  s.sheetIndex = 300;
  s.page = 4095;
  test::RoundTripObject(s);
  s.recolour = 1;
  s.color = 0x123456;
  s.selectionPresent = 1;
  s.selectionValues.Add(65535);
  s.selectionNames.push_back(WString(u"Name"));
  s.automaticFrame = 1;
  auto back = test::RoundTripObject(s);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->AsSection()->selectionNames.size(), 1u);
  EXPECT_EQ(back->AsSection()->sheetIndex, 300);
  test::ReadDamagedRecords(s);
}

TEST(Section, DamagedSelectionCountsAreRefused) {
  // A count far beyond the bytes left reads nothing and sizes nothing.
  for (int version : {3111, 3072}) {
    SCOPED_TRACE(version);
    test::SectionFixture f;
    f.selection = true;
    f.values = {1, 2};
    f.storedValueCount = version < 3073 ? 250 : 30000;
    cSection s;
    MemoryArchive a(test::SectionRecordAt(version, f));
    s.Read(nullptr, nullptr, a.Reader(), version);
    EXPECT_EQ(s.selectionValues.Count(), 0u);
    EXPECT_TRUE(a.Reader().HasError());
  }
}

}  // namespace
}  // namespace kvn
