#include <gtest/gtest.h>

#include <memory>

#include "model/AttributeList.h"
#include "model/ObjectLabelText.h"
#include "model/ReadState.h"
#include "model/cLink.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cText.h"
#include "tests/model/GeometryTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"
#include "tests/support/SchematicRecords.h"

namespace kvn {
namespace {

using test::DataHolder;
using test::ExpectNear;
using test::MemoryArchive;

constexpr std::uint32_t kMarker = 0x27;

void AddLinkStyle(cDrawingData* data, const char16_t* name, std::uint16_t lineStyle = kNoStyle) {
  auto style = std::make_unique<cStyleLink>();
  style->name = WString(name);
  style->attributes.lineStyle = lineStyle;
  style->attributes.lineType = 5;
  style->attributes.width = 0.7;
  style->attributes.patternScale = 3.0;
  style->attributes.color = 0x0000FF;
  style->attributes.gapColor = 0x00FF00;
  style->attributes.penOption = 1;
  data->LinkStyles().Add(std::move(style));
}

TEST(Link, Defaults) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeLink, true));
  ASSERT_NE(object, nullptr);
  cLink* link = object->AsLink();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->linkStyle, 0);
  EXPECT_EQ(link->flagA, 1);
  EXPECT_EQ(link->labelTextStyle, 32770);
  EXPECT_EQ(link->labelAlignment, 7);
  EXPECT_FALSE(link->Points().IsClosed());
}

TEST(Link, TurningScalingMoving) {
  cLink link;
  const DPoint points[2] = {{1, 0}, {2, 0}};
  link.Points().SetPoints(points, 2);
  link.labelAngle = -170;
  link.labelPosition = {3, 0};
  link.anchor = {4, 0};
  EXPECT_TRUE(link.Rotate({}, {0, 0}, 30));
  EXPECT_DOUBLE_EQ(link.labelAngle, 160);
  EXPECT_TRUE(link.Rotate({}, {0, 0}, -30));
  ExpectNear(link.Points().Points()[1], {2, 0});
  ExpectNear(link.anchor, {4, 0});
  link.Move({1, 1});
  EXPECT_EQ(link.labelPosition.y, 1);
  link.Scale({}, {0, 0}, {2, 3});
  ExpectNear(link.Points().Points()[0], {4, 3});
  ExpectNear(link.anchor, {10, 3});

  link.sizeValue = 2;
  link.ScaleLineWidths({}, -1);
  EXPECT_EQ(link.sizeValue, 2);
  link.ScaleLineWidths({}, 1.5);
  EXPECT_EQ(link.sizeValue, 3);
}

TEST(Link, StyleOnThePath) {
  DataHolder data;
  data->LineStyles().Add(std::make_unique<cStyleLine>());
  data->LineStyles().Add(std::make_unique<cStyleLine>());
  AddLinkStyle(data.get(), u"own");
  AddLinkStyle(data.get(), u"named 3", 3);
  AddLinkStyle(data.get(), u"named 1", 1);

  cLink link;
  EXPECT_TRUE(link.HasValidStyle(data.get()));
  EXPECT_FALSE(link.HasValidStyle(nullptr));
  cLine line;
  link.ApplyStyleToLine(data.get(), line);
  EXPECT_EQ(line.stroke.lineType, 5);
  EXPECT_EQ(line.stroke.color, 0x0000FFu);
  EXPECT_EQ(line.stroke.gapColor, 0x00FF00u);
  EXPECT_EQ(line.stroke.width, 0.7);
  EXPECT_EQ(line.stroke.penOption, 1);
  EXPECT_EQ(line.TypeByte() & kTypeStyledStroke, 0);

  // Line style 3 of a drawing with two: unstyled, with the width and
  // pattern scale of the link style.
  link.linkStyle = 1;
  cLine beyond;
  link.ApplyStyleToLine(data.get(), beyond);
  EXPECT_EQ(beyond.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(beyond.stroke.width, 0.7);
  EXPECT_EQ(beyond.stroke.patternScale, 3.0);

  link.linkStyle = 2;
  cLine styled;
  link.ApplyStyleToLine(data.get(), styled);
  EXPECT_NE(styled.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(styled.stroke.lineStyle, 1);

  link.linkStyle = 3;  // beyond the table: nothing
  cLine untouched;
  link.ApplyStyleToLine(data.get(), untouched);
  EXPECT_EQ(untouched.stroke.lineType, 1);
  EXPECT_FALSE(link.HasValidStyle(data.get()));

  // Recalc gives the path the style.
  link.linkStyle = 0;
  const DPoint points[3] = {{0, 0}, {5, 0}, {5, 5}};
  link.Points().SetPoints(points, 3);
  link.SetLevel(4);
  link.UpdateIfDirty(data.get());
  EXPECT_EQ(link.Path().stroke.lineType, 5);
  EXPECT_EQ(link.Path().Level(), 4);
  DRect r;
  link.GetExtent(r);
  EXPECT_EQ(r, (DRect{0, 0, 5, 5}));
}

TEST(Link, LabelText) {
  AttributeList attributes;
  attributes.Add(AttributeItem{WString(u"Wire"), WString(u"W1"), {}, 1, 1});
  attributes.Add(AttributeItem{WString(u"Desc"), WString(u"Supply"), {}, 2, 1});
  attributes.Add(AttributeItem{WString(u""), WString(u"bare"), {}, 0, 1});
  attributes.Add(AttributeItem{WString(u"Empty"), WString(u""), {}, 0, 1});
  LabelSource source = LabelSourceFromAttributes(WString(u"Power"), &attributes);
  source.blockDescription = WString(u"Block text");
  EXPECT_EQ(BuildObjectLabelText(WString(u"\x01"), source), WString(u"Power"));
  EXPECT_EQ(BuildObjectLabelText(WString(u"\x02\t\x03"), source), WString(u"W1\r\nSupply"));
  EXPECT_EQ(BuildObjectLabelText(WString(u"\x04"), source),
            WString(u"Wire (W1)\r\nDesc (Supply)\r\nbare"));
  EXPECT_EQ(BuildObjectLabelText(WString(u"A\t\t\x01\tB"), source), WString(u"A\r\nPower\r\nB"));
  source.name = WString();
  EXPECT_EQ(BuildObjectLabelText(WString(u"\x01"), source), WString(u"Block text"));
  source = LabelSourceFromAttributes(WString(), nullptr);
  EXPECT_TRUE(BuildObjectLabelText(WString(u"\x01\t\x02\t\x03\t\x04"), source).IsEmpty());
  EXPECT_TRUE(BuildObjectLabelText(WString(), source).IsEmpty());
}

TEST(Link, Label) {
  DataHolder data;
  AddLinkStyle(data.get(), u"L400");
  cLink link;
  link.labelShown = 1;
  link.labelText = WString(u"\x02");  // the kind-1 value: there is none
  link.labelPosition = {2, 3};
  link.labelAngle = 45;
  link.labelAlignment = 0x15;
  link.UpdateIfDirty(data.get());
  EXPECT_EQ(link.Label(), nullptr);

  link.labelText = WString(u"\x01\tX");
  link.MarkDirty();
  link.UpdateIfDirty(data.get());
  ASSERT_NE(link.Label(), nullptr);
  EXPECT_EQ(link.Label()->GetText(), WString(u"L400\r\nX"));
  EXPECT_EQ(link.Label()->alignment & kAlignCodeMask, 5);
  EXPECT_EQ(link.Label()->point, (DPoint{2, 3}));
  EXPECT_EQ(link.Label()->angle, 45);
  EXPECT_EQ(link.Label()->attr.height, 2.0);  // unstyled: 2 drawing scales

  // A drawing scale of 0 makes no unstyled label.
  data->SetScale(0.0);
  link.MarkDirty();
  link.UpdateIfDirty(data.get());
  EXPECT_EQ(link.Label(), nullptr);
  data->SetScale(1.0);
  link.MarkDirty();

  ObjectChain exploded = link.Explode(data.get());
  ASSERT_NE(exploded.Head(), nullptr);
  EXPECT_NE(exploded.Head()->AsText(), nullptr);
  ASSERT_NE(exploded.Head()->next, nullptr);
  EXPECT_NE(exploded.Head()->next->AsAnyFill(), nullptr);
  link.MarkDirty();
  ObjectChain resolved = link.Resolve(data.get(), true);
  ASSERT_NE(resolved.Head(), nullptr);
  EXPECT_NE(resolved.Head()->AsText(), nullptr);
  ASSERT_NE(resolved.Head()->next, nullptr);
  EXPECT_EQ(resolved.Head()->next->AsAnyLine()->stroke.lineType, 5);
}

TEST(Link, VersionRows) {
  test::LinkFixture f;
  f.linkStyle = 2;
  f.end1 = 4;
  f.index1 = 1;
  f.end2 = 9;
  f.index2 = 3;
  f.attributes = {{u"Wire", u"W7", u"", 2, true}};
  f.flagB = true;
  f.anchor = true;
  f.anchorPoint = {1, 2};
  f.labelShown = true;
  f.labelPosition = {5, 6};
  f.labelStyle = 0x8001;
  f.labelAlignment = 3;
  f.labelAngle = -30;
  f.labelText = u"T";
  f.sizeValue = 1.25;
  for (int version : {3111, 3090, 3089, 3085, 3078, 3077, 3076, 3073, 3072, 3071, 3061, 3060, 3052, 3051, 3050}) {
    SCOPED_TRACE(version);
    cLink link;
    MemoryArchive a(test::RecordWithMarker(test::WriteLinkRecord, version, f, kMarker));
    EXPECT_TRUE(link.Read(nullptr, nullptr, a.Reader(), version).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(link.linkStyle, 2);
    ASSERT_EQ(link.Points().Count(), 3u);
    EXPECT_EQ(link.Points().Points()[2], (DPoint{10, 5}));
    EXPECT_EQ(link.end1Number, 4u);
    EXPECT_EQ(link.end1Index, 1);
    EXPECT_EQ(link.end2Number, 9u);
    EXPECT_EQ(link.end2Index, 3);
    ASSERT_EQ(link.attributes.Count(), 1u);
    EXPECT_EQ(link.attributes.Get(0)->value, WString(u"W7"));
    EXPECT_EQ(link.attributes.Get(0)->kind, 2);
    EXPECT_EQ(link.GetDescription(), WString(u"W7"));
    EXPECT_EQ(link.flagA, 1);
    EXPECT_EQ(link.flagB, 1);  // stored from 3078, 1 before
    if (version >= 3078) {
      EXPECT_EQ(link.anchorFlag, 1);
      EXPECT_EQ(link.anchor, (DPoint{1, 2}));
      EXPECT_EQ(link.labelShown, 1);
      EXPECT_EQ(link.labelText, WString(u"T"));
      EXPECT_EQ(link.labelAngle, -30);
      // Built-in references before 3090 become 32770.
      EXPECT_EQ(link.labelTextStyle, version >= 3090 ? 0x8001 : 0x8002);
    } else {
      EXPECT_EQ(link.labelShown, 0);
    }
    EXPECT_EQ(link.sizeValue, version >= 3089 ? 1.25 : 0.0);
  }
}

TEST(Link, Version3085LabelStyleAbove32767) {
  test::LinkFixture f;
  f.labelShown = true;
  f.labelStyle = 40000;  // an index reference above 32767
  cLink link;
  MemoryArchive a(test::LinkRecordAt(3085, f));
  link.Read(nullptr, nullptr, a.Reader(), 3085);
  EXPECT_EQ(link.labelTextStyle, 32770);
}

TEST(Link, OldPolygonRecordsMakeLinkStyles) {
  test::LinkFixture f;
  f.header.level = 6;
  f.line.color = 0x0000FF;
  f.line.width = 0.5;
  f.line.lineType = 3;
  f.end1 = 2;
  f.attributes = {{u"N", u"V", u"", 1, true}};
  DataHolder data;
  ReadContext context;
  for (int pass = 0; pass < 2; ++pass) {
    cLink link;
    MemoryArchive a(test::RecordWithMarker(test::WriteLinkRecord, 3045, f, kMarker));
    EXPECT_TRUE(link.Read(&context, data.get(), a.Reader(), 3045).Empty());
    EXPECT_EQ(a.Reader().ReadBits(6), kMarker);
    EXPECT_EQ(link.Level(), 6);
    EXPECT_EQ(link.Points().Count(), 3u);
    EXPECT_EQ(link.end1Number, 2u);
    EXPECT_EQ(link.attributes.Get(0)->value, WString(u"V"));
    // The second link of the same look finds the first one's style.
    EXPECT_EQ(link.linkStyle, 0);
    ASSERT_EQ(data->LinkStyles().Count(), 1u);
  }
  const cStyleLink* style = data->LinkStyles().Get(0);
  EXPECT_EQ(style->attributes.lineStyle, kNoStyle);
  EXPECT_EQ(style->attributes.color, 0x0000FFu);
  EXPECT_EQ(style->attributes.lineType, 3);
  EXPECT_EQ(style->attributes.width, 0.5);
  EXPECT_FALSE(style->name.IsEmpty());
  EXPECT_EQ(context.rememberedLinkStyle, kNoStyle);

  // A symbol line (line type bit 7): a style of its own, remembered for the
  // conversion that follows, and the symbol block index is expected next.
  f.line.lineType = 0x83;
  cLink symbol;
  MemoryArchive b(test::RecordWithMarker(test::WriteLinkRecord, 3045, f, kMarker));
  symbol.Read(&context, data.get(), b.Reader(), 3045);
  EXPECT_EQ(b.Reader().ReadBits(6), kMarker);
  EXPECT_TRUE(symbol.HasFlag(kFlagSymbolFollows));
  EXPECT_EQ(symbol.linkStyle, 1);
  EXPECT_EQ(context.rememberedLinkStyle, 1);
  EXPECT_EQ(data->LinkStyles().Count(), 2u);
}

TEST(Link, RoundTrips) {
  cLink link;
  const DPoint points[3] = {{0, 0}, {2.5, 0}, {2.5, -4}};
  link.Points().SetPoints(points, 3);
  test::RoundTripObject(link);
  link.end1WriteNumber = 3;
  link.end1Index = 2;
  link.end2WriteNumber = 8;
  link.anchorFlag = 1;
  link.anchor = {1, 1};
  link.labelShown = 1;
  link.labelText = WString(u"abc");
  link.labelTextStyle = 0x8005;
  link.sizeValue = 0.75;
  link.attributes.Add(AttributeItem{WString(u"a"), WString(u"b"), WString(u"c"), 2, 0});
  auto back = test::RoundTripObject(link);
  ASSERT_NE(back, nullptr);
  const cLink* l = back->AsLink();
  EXPECT_EQ(l->end1Number, 3u);
  EXPECT_EQ(l->anchor, (DPoint{1, 1}));
  EXPECT_EQ(l->labelText, WString(u"abc"));
  // Read and written again, the record is unchanged.
  ByteArray x, y;
  EXPECT_TRUE(l->IsSameRecord(link, x, y));
  cLink copy;
  copy.Assign(link);
  EXPECT_TRUE(copy.IsSameRecord(link, x, y));
  test::ReadDamagedRecords(link);

  // Ends without numbers: the anchor bit is 0 although the anchor flag is set.
  cLink loose;
  loose.anchorFlag = 1;
  loose.anchor = {9, 9};
  auto looseBack = test::RoundTripObject(loose);
  EXPECT_EQ(looseBack->AsLink()->anchorFlag, 0);
  EXPECT_EQ(looseBack->AsLink()->anchor, (DPoint{0, 0}));
}

TEST(Link, DebugAttributes) {
  cLink link;
  link.debugId = 12;
  link.debugUse = 3;
  link.debugLength = 40;
  link.attributes.Add(AttributeItem{WString(u"keep"), WString(u"1"), {}, 0, 1});
  SetLinkDebugOn(true);
  auto bytes = test::Archive([&](ArchiveWriter& w) { link.Write(nullptr, w); });
  MemoryArchive a(bytes);
  a.Reader().ReadByte();
  cLink back;
  back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
  SetLinkDebugOn(false);
  EXPECT_EQ(back.debugId, 12);
  EXPECT_EQ(back.debugUse, 3);
  EXPECT_EQ(back.debugLength, 40);
  ASSERT_EQ(back.attributes.Count(), 1u);
  EXPECT_EQ(back.attributes.Get(0)->name, WString(u"keep"));
  // Off, nothing extra is written.
  test::RoundTripObject(link);
}

TEST(Link, Drawing) {
  DataHolder data;
  AddLinkStyle(data.get(), u"S");
  cLink link;
  const DPoint points[3] = {{0, 0}, {10, 0}, {10, 5}};
  link.Points().SetPoints(points, 3);
  test::RecordingDrawInfo info;
  info.data = data.get();
  link.Draw(&info);
  ASSERT_EQ(info.calls.size(), 1u);
  EXPECT_EQ(info.calls[0], "StrokePath type 6");  // the path, in the link style
  EXPECT_EQ(link.Path().stroke.lineType, 5);
  info.calls.clear();
  link.SetFlag(kFlagHidden);
  link.Draw(&info);
  EXPECT_TRUE(info.calls.empty());
  link.DrawOutline(3, &info, true);
  ASSERT_EQ(info.calls.size(), 1u);
  EXPECT_EQ(info.calls[0], "RasterizePath 3");
}

TEST(Link, EndsByRunningId) {
  cLink link;
  link.SetStartInsert(7, 2);
  link.SetEndInsert(0, 5);
  EXPECT_EQ(link.end1Number, 7u);
  EXPECT_EQ(link.end1Index, 2);
  EXPECT_EQ(link.end2Number, 0u);
  EXPECT_EQ(link.end2Index, 0);
}

}  // namespace
}  // namespace kvn
