#include <gtest/gtest.h>

#include <memory>

#include "model/cConPoint.h"
#include "model/cSeparator.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/SchematicRecords.h"

namespace kvn {
namespace {

using test::DataHolder;
using test::ExpectNear;
using test::MemoryArchive;

constexpr std::uint32_t kMarker = 0x2D;


TEST(ConPoint, Defaults) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeConPoint, true));
  ASSERT_NE(object, nullptr);
  cConPoint* point = object->AsConPoint();
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->labelTextStyle, 32772);
  EXPECT_EQ(point->labelAlignment, 1);
  EXPECT_TRUE(point->name.IsEmpty());
  DataHolder data;
  point->UpdateIfDirty(data.get());
  EXPECT_EQ(point->Label(), nullptr);
  DRect r;
  point->position = {3, 4};
  point->GetExtent(r);
  EXPECT_EQ(r, (DRect{3, 4, 3, 4}));
}

TEST(ConPoint, LabelFromTheName) {
  DataHolder data;
  data->SetScale(2.0);
  cConPoint point;
  point.name = WString(u"X1");
  point.labelPosition = {1, 2};
  point.labelAngle = 30;
  point.fixedLabelAngle = 1;
  point.UpdateIfDirty(data.get());
  EXPECT_EQ(point.Label(), nullptr);  // not shown
  EXPECT_TRUE(point.Explode(data.get()).Empty());

  point.labelShown = 1;
  point.MarkDirty();
  point.UpdateIfDirty(data.get());
  ASSERT_NE(point.Label(), nullptr);
  const cText& label = *point.Label();
  EXPECT_EQ(label.GetText(), WString(u"X1"));
  // No text style marked for built-in 4: unstyled, 2.5 drawing scales high.
  EXPECT_EQ(label.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(label.attr.height, 5.0);
  EXPECT_EQ(label.attr.color, 0u);
  EXPECT_EQ(label.alignment, 0x11);
  EXPECT_EQ(label.point, (DPoint{1, 2}));
  EXPECT_EQ(label.angle, 30);
  ObjectChain exploded = point.Explode(data.get());
  ASSERT_NE(exploded.Head(), nullptr);
  EXPECT_NE(exploded.Head()->AsText(), nullptr);

  // A text style marked for built-in 4 styles the label.
  auto style = std::make_unique<cStyleText>();
  style->builtinMarks = 0x10;
  data->TextStyles().Add(std::move(style));
  point.MarkDirty();
  point.UpdateIfDirty(data.get());
  ASSERT_NE(point.Label(), nullptr);
  EXPECT_NE(point.Label()->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(point.Label()->attr.textStyle, 0);
  EXPECT_EQ(point.Label()->attr.height, 0.0);
}

TEST(ConPoint, TurningAndScaling) {
  cConPoint point;
  point.angle = -100;
  point.labelAngle = 20;
  point.position = {1, 0};
  point.labelPosition = {2, 0};
  EXPECT_TRUE(point.Rotate({}, {0, 0}, 90));
  EXPECT_EQ(point.angle, 170);
  EXPECT_EQ(point.labelAngle, -70);
  ExpectNear(point.position, {0, 1});
  ExpectNear(point.labelPosition, {0, 2});
  point.fixedLabelAngle = 1;
  point.Rotate({}, {0, 0}, 90);
  EXPECT_EQ(point.labelAngle, -70);

  cConPoint mirrored;
  mirrored.angle = 0;
  mirrored.position = {2, 3};
  EXPECT_TRUE(mirrored.Scale({}, {0, 0}, {-1, 1}));
  EXPECT_DOUBLE_EQ(mirrored.angle, 180);
  EXPECT_EQ(mirrored.position, (DPoint{-2, 3}));

  const DPoint points[2] = {{7, 8}, {9, 10}};
  mirrored.SetPoints(points, 2);
  EXPECT_EQ(mirrored.position, points[0]);
  EXPECT_EQ(mirrored.labelPosition, points[1]);
}

TEST(ConPoint, VersionRows) {
  test::ConPointFixture f;
  f.name = u"IN [/<file:name>\\]";
  f.labelShown = true;
  f.labelPosition = {7, 8};
  f.labelStyle = 0x8005;
  f.labelAlignment = 4;
  f.labelAngle = -45;
  f.fixedLabelAngle = true;
  for (int version : {3111, 3090, 3089, 3081, 3080, 3070, 3061, 3060, 3050, 3049}) {
    SCOPED_TRACE(version);
    cConPoint point;
    MemoryArchive a(test::RecordWithMarker(test::WriteConPointRecord, version, f, kMarker));
    EXPECT_TRUE(point.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(point.position, f.position);
    EXPECT_EQ(point.angle, 90);
    if (version < 3081) {
      // Position and angle only.
      EXPECT_TRUE(point.name.IsEmpty());
      EXPECT_EQ(point.labelPosition, f.position);
      continue;
    }
    EXPECT_EQ(point.labelShown, 1);
    EXPECT_EQ(point.labelPosition, f.labelPosition);
    EXPECT_EQ(point.labelAlignment, 4);
    EXPECT_EQ(point.labelAngle, -45);
    EXPECT_EQ(point.fixedLabelAngle, 1);
    // Built-in after 3089, a plain index before (with the same value).
    EXPECT_EQ(point.labelTextStyle, 0x8005);
    // Names of files before 3109 get the drawing extension behind file-name fields.
    EXPECT_EQ(point.name, WString(version < 3109 ? u"IN [/<file:name>\\].kvn" : u"IN [/<file:name>\\]"));
  }
}

TEST(ConPoint, OldAngleNotSet) {
  test::ConPointFixture f;
  f.noAngle = true;
  cConPoint point;
  MemoryArchive a(test::ConPointRecordAt(3050, f));
  point.Read(nullptr, nullptr, a.Reader(), 3050);
  EXPECT_EQ(point.angle, 0);
  EXPECT_EQ(point.position, f.position);
}

TEST(ConPoint, RoundTrips) {
  cConPoint point;
  point.position = {1.5, -2};
  point.angle = 45;
  test::RoundTripObject(point);
  point.name = WString(u"A");
  // A name without a shown label writes the name and one 0 bit.
  test::RoundTripObject(point);
  point.labelShown = 1;
  point.labelTextStyle = 0x8006;
  point.fixedLabelAngle = 1;
  point.labelAngle = 12.5;
  auto back = test::RoundTripObject(point);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->AsConPoint()->labelTextStyle, 0x8006);
  EXPECT_EQ(back->AsConPoint()->name, WString(u"A"));
  cConPoint copy;
  copy.Assign(point);
  ByteArray x, y;
  EXPECT_TRUE(copy.IsSameRecord(point, x, y));
  test::ReadDamagedRecords(point);
}

TEST(Separator, RecordAndNothingWritten) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeSeparator, true));
  ASSERT_NE(object, nullptr);
  ASSERT_NE(object->AsSeparator(), nullptr);
  for (int version : {3111, 3052, 3051, 3040}) {
    SCOPED_TRACE(version);
    test::SeparatorFixture f;
    f.name = u"Part B";
    f.header.level = 2;
    cSeparator separator;
    MemoryArchive a(test::RecordWithMarker(test::WriteSeparatorRecord, version, f, kMarker));
    EXPECT_TRUE(separator.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_EQ(separator.name, WString(u"Part B"));
    EXPECT_EQ(separator.separatorFlags, cSeparator::kSeparatorFlag);
    EXPECT_EQ(separator.Level(), 2);
    // The flag is the separator's own: the object list must not read a
    // symbol block behind it.
    EXPECT_FALSE(separator.HasFlag(kFlagSymbolFollows));
    f.flag = 0;
    MemoryArchive b(test::SeparatorRecordAt(version, f));
    separator.Read(nullptr, nullptr, b.Reader(), version);
    EXPECT_EQ(separator.separatorFlags, 0);
  }
  cSeparator separator;
  separator.name = WString(u"S");
  // A separator writes nothing at all.
  EXPECT_TRUE(test::Archive([&](ArchiveWriter& w) { separator.Write(nullptr, w); }).empty());
  DRect r{1, 2, 3, 4};
  separator.GetExtent(r);
  EXPECT_TRUE(r.IsZero());
  cSeparator copy;
  copy.Assign(separator);
  EXPECT_EQ(copy.name, WString(u"S"));
}

}  // namespace
}  // namespace kvn
