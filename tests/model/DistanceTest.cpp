#include <gtest/gtest.h>

#include <memory>

#include "model/cBlock.h"
#include "model/cDistance.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/SchematicRecords.h"

namespace kvn {
namespace {

using test::DataHolder;
using test::ExpectNear;
using test::MemoryArchive;

constexpr std::uint32_t kMarker = 0x35;

std::unique_ptr<cDistance> Measuring(double length) {
  auto d = std::make_unique<cDistance>();
  d->first = {0, 0};
  d->second = {length, 0};
  d->textPoint = {length / 2, 1};
  return d;
}

TEST(Distance, Defaults) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeDistance, true));
  ASSERT_NE(object, nullptr);
  cDistance* d = object->AsDistance();
  ASSERT_NE(d, nullptr);
  EXPECT_NE(d->AsAnyLine(), nullptr);
  EXPECT_EQ(d->stroke.lineType, 0);
  EXPECT_EQ(d->stroke.width, 0.0);
  EXPECT_EQ(d->dimensionFlags, 0x41);
  EXPECT_EQ(d->textStyle, 32771);
  EXPECT_EQ(d->numberMode, 9u);
  EXPECT_EQ(d->lengthFactor, 1.0);
}

TEST(Distance, NumberModes) {
  auto d = Measuring(12345.678);
  d->numberMode = 5;  // to the nearest 1000
  EXPECT_EQ(d->FormatValue(), WString(u"12000"));
  d->numberMode = 7;  // to the nearest 10
  EXPECT_EQ(d->FormatValue(), WString(u"12350"));
  d->numberMode = 9;  // one decimal, not rounded beforehand
  EXPECT_EQ(d->FormatValue(), WString(u"12345.7"));
  d->numberMode = 10;
  d->lengthFactor = 0.5;
  EXPECT_EQ(d->FormatValue(), WString(u"6172.84"));
  d->second = {2, 0};
  d->lengthFactor = 1.0;
  EXPECT_EQ(d->FormatValue(), WString(u"2.00"));
}

TEST(Distance, TextRebuild) {
  DataHolder data;
  data->SetScale(2.0);
  auto d = Measuring(40);
  d->prefix = WString(u"L=");
  d->suffix = WString(u" mm");
  d->textStyle = 32775;  // built-in 7: no style has the mark
  d->textAngle = 10;
  d->UpdateIfDirty(data.get());
  ASSERT_NE(d->Text(), nullptr);
  EXPECT_EQ(d->Text()->GetText(), WString(u"L=40.0 mm"));
  EXPECT_EQ(d->Text()->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(d->Text()->attr.height, 5.0);
  EXPECT_EQ(d->Text()->alignment & kAlignCodeMask, 4);
  EXPECT_EQ(d->Text()->point, (DPoint{20, 1}));
  EXPECT_DOUBLE_EQ(d->Text()->angle, 10);  // aligned with a level segment

  auto style = std::make_unique<cStyleText>();
  style->builtinMarks = 0x80;
  data->TextStyles().Add(std::make_unique<cStyleText>());
  data->TextStyles().Add(std::move(style));
  d->second = {0, 40};  // direction 90: the aligned text angle is 10 - 90
  d->MarkDirty();
  d->UpdateIfDirty(data.get());
  ASSERT_NE(d->Text(), nullptr);
  EXPECT_NE(d->Text()->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(d->Text()->attr.textStyle, 1);
  EXPECT_DOUBLE_EQ(d->GetTextAngle(), -80);

  // Without drawing data there is no text.
  d->MarkDirty();
  d->UpdateIfDirty(nullptr);
  EXPECT_EQ(d->Text(), nullptr);
}

TEST(Distance, RelativeTextOffset) {
  auto d = Measuring(10);
  d->textPoint = {7.5, 2};
  ExpectNear(d->GetRelativeTextOffset(), {0.25, 2});
  // A turned segment keeps the text at the same place relative to it.
  cOutObj& generic = *d;
  const DPoint turned[2] = {{0, 0}, {0, 20}};
  generic.SetPoints(turned, 2);  // the plain slot: without drawing data
  ExpectNear(d->textPoint, {-2, 15});
  d->second = d->first;
  ExpectNear(d->GetRelativeTextOffset(), {0, 0});
}

TEST(Distance, SetPointsWithDataCentresTheText) {
  DataHolder data;
  auto d = Measuring(10);
  const DPoint points[2] = {{0, 0}, {20, 0}};
  d->SetPointsWithData(points, data.get());
  EXPECT_EQ(d->dimensionFlags >> 4, 7);
  EXPECT_NEAR(d->textPoint.x, 10, 1e-12);
  EXPECT_LE(d->textPoint.y, 0.0);  // a tenth of a line toward -y before turning back
}

TEST(Distance, ScaleKeepsTheTextRelativeWithAChain) {
  DataHolder data;
  auto d = Measuring(10);
  d->textPoint = {5, 2};
  cDistance chain;
  TransformContext context;
  context.data = data.get();
  context.chain = &chain;
  d->Scale(context, {0, 0}, {2, 3});
  EXPECT_EQ(d->second, (DPoint{20, 0}));
  ExpectNear(d->textPoint, {10, 2});
  auto plain = Measuring(10);
  plain->textPoint = {5, 2};
  plain->Scale({}, {0, 0}, {2, 3});
  EXPECT_EQ(plain->textPoint, (DPoint{10, 6}));
  // Turning leaves the text angle.
  plain->textAngle = 15;
  plain->Rotate({}, {0, 0}, 90);
  EXPECT_EQ(plain->textAngle, 15);
  ExpectNear(plain->second, {0, 20});
}

TEST(Distance, ExplodeAndResolve) {
  DataHolder data;
  auto d = Measuring(10);
  // Line type 0 and no text: nothing.
  EXPECT_TRUE(d->Explode(nullptr).Empty());
  d->MarkDirty();
  ObjectChain texts = d->Explode(data.get());
  ASSERT_NE(texts.Head(), nullptr);
  EXPECT_NE(texts.Head()->AsText(), nullptr);
  EXPECT_EQ(texts.Head()->next, nullptr);
  d->stroke.lineType = 1;
  d->MarkDirty();
  ObjectChain both = d->Explode(data.get());
  ASSERT_NE(both.Head(), nullptr);
  ASSERT_NE(both.Head()->AsAnyLine(), nullptr);
  EXPECT_NE(both.Head()->AsAnyLine()->AsLine(), nullptr);
  ASSERT_NE(both.Head()->next, nullptr);
  EXPECT_NE(both.Head()->next->AsText(), nullptr);
  ObjectChain resolved = d->Resolve(data.get(), true);
  ASSERT_NE(resolved.Head(), nullptr);
  EXPECT_NE(resolved.Head()->AsAnyLine(), nullptr);
}

TEST(Distance, VersionRows) {
  test::DistanceFixture f;
  f.prefix = u"P";
  f.suffix = u"S";
  f.textAngle = 12;
  for (int version : {3111, 3090, 3089, 3084, 3083, 3077, 3076, 3073, 3072, 3061, 3060, 3056, 3052, 3051, 3050}) {
    SCOPED_TRACE(version);
    cDistance d;
    MemoryArchive a(test::RecordWithMarker(test::WriteDistanceRecord, version, f, kMarker));
    EXPECT_TRUE(d.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(d.first, f.first);
    EXPECT_EQ(d.second, f.second);
    EXPECT_EQ(d.prefix, WString(u"P"));
    EXPECT_EQ(d.suffix, WString(u"S"));
    if (version >= 3084) {
      EXPECT_EQ(d.textAngle, 12);
      EXPECT_EQ(d.dimensionFlags, 0x41);
      EXPECT_EQ(d.stroke.lineType, 1);
    } else {
      // Old kind 1: angle 0, the kind bits cleared.
      EXPECT_EQ(d.textAngle, 0);
      EXPECT_EQ(d.dimensionFlags, 0x40);
      EXPECT_EQ(d.stroke.lineType, 0);
    }
    if (version >= 3056) {
      EXPECT_EQ(d.textPoint, f.textPoint);
    }
    // Built-in style references before 3090 become 32771.
    if (version >= 3050) {
      EXPECT_EQ(d.textStyle, 32771);
    }
  }
}

TEST(Distance, OldKinds) {
  for (auto [kind, angle, aligned] : {std::tuple{0, 0.0, true}, std::tuple{1, 0.0, false}, std::tuple{2, 90.0, false},
                                      std::tuple{3, 180.0, false}, std::tuple{4, 270.0, false},
                                      std::tuple{6, 0.0, true}}) {
    SCOPED_TRACE(kind);
    test::DistanceFixture f;
    f.flags = std::uint8_t(0x30 | kind);
    cDistance d;
    MemoryArchive a(test::DistanceRecordAt(3070, f));
    d.Read(nullptr, nullptr, a.Reader(), 3070);
    EXPECT_EQ(d.textAngle, angle);
    EXPECT_EQ((d.dimensionFlags & cDistance::kAligned) != 0, aligned);
    EXPECT_EQ(d.dimensionFlags & 0xF0, 0x30);
  }
}

TEST(Distance, RelativeTextPointOfOldFiles) {
  test::DistanceFixture f;
  f.textPoint = {0.25, 3};  // along 0.25 lengths, 3 across
  cDistance d;
  MemoryArchive a(test::DistanceRecordAt(3055, f));
  d.Read(nullptr, nullptr, a.Reader(), 3055);
  // Without drawing data the offset is placed as it stands.
  ExpectNear(d.textPoint, {30, 3});
  DataHolder data;
  cDistance measured;
  MemoryArchive b(test::DistanceRecordAt(3055, f));
  measured.Read(nullptr, data.get(), b.Reader(), 3055);
  EXPECT_EQ(measured.dimensionFlags >> 4, 1);
  EXPECT_NEAR(measured.textPoint.x, 30, 1e-9);
  EXPECT_LT(measured.textPoint.y, 0.0);  // lines below the segment
}

TEST(Distance, RoundTripsAndBlockFactor) {
  auto d = Measuring(25);
  d->prefix = WString(u"a");
  d->dimensionFlags = 0x71;
  d->textStyle = 0x8006;
  d->stroke.lineType = 3;
  auto back = test::RoundTripObject(*d);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->AsDistance()->textStyle, 0x8006);
  cDistance copy;
  copy.Assign(*d);
  ByteArray x, y;
  EXPECT_TRUE(copy.IsSameRecord(*d, x, y));
  test::ReadDamagedRecords(*d);

  cBlock block;
  ObjectChain chain;
  chain.Append(d.release());
  chain.Append(new cDistance());
  block.AppendChain(std::move(chain));
  block.SetDimensionFactor(6, 2.0);
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    EXPECT_EQ(o->AsDistance()->numberMode, 6u);
    EXPECT_EQ(o->AsDistance()->lengthFactor, 2.0);
    EXPECT_TRUE(o->HasFlag(kFlagDirty));
  }
  EXPECT_EQ(block.FirstObject()->AsDistance()->FormatValue(), WString(u"100"));  // 50 to the nearest 100
}

}  // namespace
}  // namespace kvn
