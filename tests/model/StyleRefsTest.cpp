#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/StyleRefs.h"
#include "model/StyleTable.h"
#include "model/StyledAttributes.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cOutObj.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::Archive;
using test::MemoryArchive;

// A stand-in stroked and filled object: the header, then its line-style and
// fill-style references.
class StyledProbe : public cOutObj {
 public:
  StyledProbe() : cOutObj(kTypeLine) {}
  StrokeFields stroke;
  FillFields fill;

  void Write(cDrawingData* data, ArchiveWriter& w) const override {
    WriteHeader(w);
    WriteStyleRef<cStyleLine>(w, stroke.lineStyle, data);
    WriteStyleRef<cStyleFill>(w, fill.fillStyle, data);
  }
  // Reads what Write wrote, the type byte included (the list reader would
  // have taken it).
  ObjectChain Read(ReadContext*, cDrawingData* data, ArchiveReader& r, int version) override {
    (void)r.ReadByte();
    ReadHeader(r, version);
    stroke.lineStyle = ReadStyleRef<cStyleLine>(r, version, data);
    fill.fillStyle = ReadStyleRef<cStyleFill>(r, version, data);
    return {};
  }
  DRect& GetExtent(DRect& out) override { return out = DRect{}; }
  void Recalc(cDrawingData*) override {}
};

std::unique_ptr<cStyleLine> NamedLine(const char16_t* name, std::uint32_t color) {
  auto style = std::make_unique<cStyleLine>();
  style->name = name;
  style->color = color;
  return style;
}

// ---- inline records at first reference ----

TEST(StyleRefs, TwoObjectsSharingAStyleWriteOneRecordAndReadTheSameIndex) {
  cDrawingData source;
  source.LineStyles().Add(NamedLine(u"unused", 0x11));
  source.LineStyles().Add(NamedLine(u"shared", 0x0000FF));
  StyledProbe a;
  StyledProbe b;
  a.stroke.lineStyle = b.stroke.lineStyle = 1;
  a.fill.fillStyle = b.fill.fillStyle = kNoStyle;

  ByteArray first;
  ByteArray both;
  {
    ArchiveWriter w(&first);
    a.Write(&source, w);
  }
  EXPECT_EQ(source.LineStyles().Get(1)->writtenNumber, 0);
  EXPECT_EQ(source.LineStyles().writeCounter, 0);
  EXPECT_EQ(source.LineStyles().Get(0)->writtenNumber, -1);

  ResetStyleWriteNumbers(source);
  EXPECT_EQ(source.LineStyles().Get(1)->writtenNumber, -1);
  EXPECT_EQ(source.LineStyles().writeCounter, kNoStyle);
  {
    ArchiveWriter w(&both);
    a.Write(&source, w);
    b.Write(&source, w);
  }
  // The second object carries only the number: far fewer bytes than the first.
  EXPECT_LT(both.Count() - first.Count(), first.Count() / 2);

  cDrawingData target;
  InFileStream in = InFileStream::FromMemory(both);
  ArchiveReader r(&in);
  StyledProbe ra;
  StyledProbe rb;
  (void)ra.Read(nullptr, &target, r, kCurrentFileVersion);
  (void)rb.Read(nullptr, &target, r, kCurrentFileVersion);
  EXPECT_FALSE(r.HasError());
  ASSERT_EQ(target.LineStyles().Count(), 1u);
  EXPECT_EQ(ra.stroke.lineStyle, 0);
  EXPECT_EQ(rb.stroke.lineStyle, 0);
  EXPECT_EQ(ra.fill.fillStyle, kNoStyle);
  const cStyleLine* read = target.LineStyles().Get(0);
  EXPECT_EQ(read->name, u"shared");
  EXPECT_EQ(read->color, 0x0000FFu);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(*read, *source.LineStyles().Get(1)));
}

TEST(StyleRefs, WithoutDrawingDataReferencesAreNumbers) {
  auto bytes = Archive([](ArchiveWriter& w) {
    WriteStyleRef<cStyleLine>(w, 5, nullptr);
    WriteStyleRef<cStyleLine>(w, kNoStyle, nullptr);
    w.WriteByte(0xA5);
  });
  auto expected = Archive([](ArchiveWriter& w) {
    w.WriteBit(true);
    w.WriteBit(false);
    w.WriteCompactU16(5);
    w.WriteBit(false);
    w.WriteByte(0xA5);
  });
  EXPECT_EQ(bytes, expected);

  MemoryArchive m(bytes);
  EXPECT_EQ(ReadStyleRef<cStyleLine>(m.Reader(), kCurrentFileVersion, nullptr), 5);
  EXPECT_EQ(ReadStyleRef<cStyleLine>(m.Reader(), kCurrentFileVersion, nullptr), kNoStyle);
  EXPECT_EQ(m.Reader().ReadByte(), 0xA5);
}

TEST(StyleRefs, ReferenceBeyondTheTableIsWrittenAsANumber) {
  cDrawingData data;
  data.LineStyles().Add(NamedLine(u"a", 1));
  auto bytes = Archive([&](ArchiveWriter& w) { WriteStyleRef<cStyleLine>(w, 7, &data); });
  auto expected = Archive([](ArchiveWriter& w) {
    w.WriteBit(true);
    w.WriteBit(false);
    w.WriteCompactU16(7);
  });
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(data.LineStyles().Get(0)->writtenNumber, -1);
}

TEST(StyleRefs, InlineRecordReadWithoutDrawingDataIsDiscardedInStep) {
  cDrawingData source;
  auto style = std::make_unique<cStyleWall>();
  style->name = u"wall";
  style->thickness = 12.5;
  source.WallStyles().Add(std::move(style));
  auto bytes = Archive([&](ArchiveWriter& w) {
    WriteStyleRef<cStyleWall>(w, 0, &source);
    w.WriteByte(0x5A);
  });
  MemoryArchive m(bytes);
  EXPECT_EQ(ReadStyleRef<cStyleWall>(m.Reader(), kCurrentFileVersion, nullptr), 0);
  EXPECT_EQ(m.Reader().ReadByte(), 0x5A);
  EXPECT_FALSE(m.Reader().HasError());
}

TEST(StyleRefs, DescriptionIsReadFrom3098Only) {
  auto bytes = Archive([](ArchiveWriter& w) {
    w.WriteBit(true);
    w.WriteBit(true);
    w.WriteString(WString(u"old"));  // name; no description before 3098
    // The link record as 3097 stores it (no gap colour yet).
    w.WriteBit(false);  // no line style
    w.WriteByte(1);
    w.WriteCompactDouble(2.0);
    w.WriteRealOrUnit(1.0);
    w.WriteColor(0x0000FF);
    w.WriteBit(false);
    w.WriteCompactU16(3);
  });
  cDrawingData data;
  MemoryArchive m(bytes);
  EXPECT_EQ(ReadStyleRef<cStyleLink>(m.Reader(), 3097, &data), 3);
  ASSERT_EQ(data.LinkStyles().Count(), 1u);
  EXPECT_EQ(data.LinkStyles().Get(0)->name, u"old");
  EXPECT_TRUE(data.LinkStyles().Get(0)->description.IsEmpty());
  EXPECT_EQ(data.LinkStyles().Get(0)->attributes.width, 2.0);
  EXPECT_EQ(data.LinkStyles().Get(0)->attributes.color, 0x0000FFu);
  EXPECT_FALSE(m.Reader().HasError());
}

TEST(StyleRefs, ReadStyleDefinitionReturnsTheStyle) {
  cStyleText text;
  text.name = u"T";
  text.description = u"title";
  text.attributes.height = 7.0;
  auto bytes = Archive([&](ArchiveWriter& w) {
    style_refs::WriteStyleHeader(text, w);
    text.Write(w, nullptr);
  });
  MemoryArchive m(bytes);
  std::unique_ptr<cStyleText> read = ReadStyleDefinition<cStyleText>(m.Reader(), kCurrentFileVersion, nullptr);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->name, u"T");
  EXPECT_EQ(read->description, u"title");
  EXPECT_EQ(read->attributes.height, 7.0);
}

// ---- built-in text references ----

TEST(StyleRefs, BuiltinTextReferenceTakesFourBits) {
  auto bytes = Archive([](ArchiveWriter& w) {
    WriteTextStyleRef(w, 0x8003, nullptr, true);
    w.WriteBits(0xF, 4);
  });
  ASSERT_EQ(bytes.size(), 1u);
  EXPECT_EQ(bytes[0], 0xBF);  // 1 011 then the filler 1111

  MemoryArchive now(bytes);
  EXPECT_EQ(ReadTextStyleRef(now.Reader(), kCurrentFileVersion, nullptr, true), 0x8003);
  MemoryArchive newest(bytes);
  EXPECT_EQ(ReadTextStyleRef(newest.Reader(), -1, nullptr, true), 0x8003);

  // A 3089 stream has no built-in bit: the first bit is the reference's.
  MemoryArchive old(bytes);
  ReadTextStyleRef(old.Reader(), 3089, nullptr, true);
  auto plain = Archive([](ArchiveWriter& w) { WriteStyleRef<cStyleText>(w, 3, nullptr); });
  MemoryArchive asPlain(plain);
  EXPECT_EQ(ReadTextStyleRef(asPlain.Reader(), 3089, nullptr, true), 3);
}

TEST(StyleRefs, NoneStaysNoneWithBuiltinsAllowed) {
  // Taking the high bit alone would write 65535 as built-in style 7.
  auto bytes = Archive([](ArchiveWriter& w) {
    WriteTextStyleRef(w, kNoStyle, nullptr, true);
    WriteTextStyleRef(w, 2, nullptr, true);
    WriteTextStyleRef(w, 0x8007, nullptr, false);
  });
  MemoryArchive m(bytes);
  EXPECT_EQ(ReadTextStyleRef(m.Reader(), kCurrentFileVersion, nullptr, true), kNoStyle);
  EXPECT_EQ(ReadTextStyleRef(m.Reader(), kCurrentFileVersion, nullptr, true), 2);
  EXPECT_EQ(ReadTextStyleRef(m.Reader(), kCurrentFileVersion, nullptr, false), 0x8007);
}

// ---- nesting ----

// A style whose record refers to another style of its own table, as a line
// style whose symbol is drawn with a second line style does. The table the
// nested reference goes to is the writer's or the reader's, set by the test.
class NestingStyle : public cAnyStyle {
 public:
  static inline int destroyed = 0;
  static inline StyleTable<NestingStyle>* table = nullptr;
  ~NestingStyle() override { ++destroyed; }
  std::uint16_t inner = kNoStyle;

  bool Read(ArchiveReader& r, int version, cDrawingData* data) override {
    inner = ReadStyleRefIn<NestingStyle>(r, version, table, data);
    return !r.HasError();
  }
  void Write(ArchiveWriter& w, cDrawingData* data) const override {
    WriteStyleRefIn<NestingStyle>(w, inner, table, data);
  }
};

TEST(StyleRefs, NestedInlineRecordsKeepTheWritersNumbers) {
  StyleTable<NestingStyle> source;
  for (const char16_t* name : {u"outer", u"inner"}) {
    auto s = std::make_unique<NestingStyle>();
    s->name = name;
    source.Add(std::move(s));
  }
  source.Get(0)->inner = 1;  // the outer style's record refers to the inner one

  ByteArray bytes;
  NestingStyle::table = &source;
  {
    ArchiveWriter w(&bytes);
    WriteStyleRefIn<NestingStyle>(w, 0, &source, nullptr);
    WriteStyleRefIn<NestingStyle>(w, 1, &source, nullptr);
  }
  EXPECT_EQ(source.Get(0)->writtenNumber, 0);
  EXPECT_EQ(source.Get(1)->writtenNumber, 1);

  StyleTable<NestingStyle> target;
  NestingStyle::table = &target;
  InFileStream in = InFileStream::FromMemory(bytes);
  ArchiveReader r(&in);
  const std::uint16_t firstRef = ReadStyleRefIn<NestingStyle>(r, kCurrentFileVersion, &target, nullptr);
  const std::uint16_t secondRef = ReadStyleRefIn<NestingStyle>(r, kCurrentFileVersion, &target, nullptr);
  NestingStyle::table = nullptr;
  EXPECT_FALSE(r.HasError());

  ASSERT_EQ(target.Count(), 2u);
  EXPECT_EQ(target.Get(firstRef)->name, u"outer");
  EXPECT_EQ(target.Get(secondRef)->name, u"inner");
  EXPECT_EQ(target.Get(target.Get(firstRef)->inner)->name, u"inner");
}

TEST(StyleRefs, SymbolDrawnWithAnotherLineStyleReadsBackToTheRightStyles) {
  // Line style 0 is a symbol line whose symbol is a line drawn with line
  // style 1: the writer numbers style 0 first and style 1 inside its record.
  cDrawingData source;
  auto symbolLine = std::make_unique<cLine>();
  symbolLine->end = DPoint{1.0, 0.0};
  symbolLine->SetTypeByteSourceBits(kTypeStyledStroke);
  symbolLine->stroke.lineStyle = 1;
  auto outer = NamedLine(u"fence", 0x0000FF);
  outer->hasSymbol = 1;
  outer->startOffset = 5.0;
  outer->symbol.Append(symbolLine.release());
  source.LineStyles().Add(std::move(outer));
  source.LineStyles().Add(NamedLine(u"post", 0x00FF00));

  StyledProbe user;
  user.stroke.lineStyle = 0;
  user.fill.fillStyle = kNoStyle;
  StyledProbe second;
  second.stroke.lineStyle = 1;
  second.fill.fillStyle = kNoStyle;
  ByteArray bytes;
  {
    ArchiveWriter w(&bytes);
    user.Write(&source, w);
    second.Write(&source, w);
  }
  EXPECT_EQ(source.LineStyles().Get(0)->writtenNumber, 0);
  EXPECT_EQ(source.LineStyles().Get(1)->writtenNumber, 1);

  cDrawingData target;
  InFileStream in = InFileStream::FromMemory(bytes);
  ArchiveReader r(&in);
  StyledProbe a;
  StyledProbe b;
  (void)a.Read(nullptr, &target, r, kCurrentFileVersion);
  (void)b.Read(nullptr, &target, r, kCurrentFileVersion);
  EXPECT_FALSE(r.HasError());
  ASSERT_EQ(target.LineStyles().Count(), 2u);
  EXPECT_EQ(target.LineStyles().Get(a.stroke.lineStyle)->name, u"fence");
  EXPECT_EQ(target.LineStyles().Get(b.stroke.lineStyle)->name, u"post");
  const cStyleLine* fence = target.LineStyles().Get(a.stroke.lineStyle);
  ASSERT_TRUE(fence->IsSymbolLine());
  const cAnyLine* readSymbol = fence->symbol.Head()->AsAnyLine();
  ASSERT_NE(readSymbol, nullptr);
  EXPECT_EQ(target.LineStyles().Get(readSymbol->stroke.lineStyle)->name, u"post");
}

TEST(StyleRefs, DeeplyNestedInlineRecordsStopWithAnError) {
  // 100 nested "bit 1, bit 1, name, description" starts, each record opening
  // the next: the reader refuses beyond its nesting limit instead of
  // recursing on.
  auto bytes = Archive([](ArchiveWriter& w) {
    for (int i = 0; i < 100; ++i) {
      w.WriteBit(true);
      w.WriteBit(true);
      w.WriteString(WString(u"n"));
      w.WriteString(WString());
    }
  });
  StyleTable<NestingStyle> target;
  NestingStyle::table = &target;
  MemoryArchive m(bytes);
  (void)ReadStyleRefIn<NestingStyle>(m.Reader(), kCurrentFileVersion, &target, nullptr);
  NestingStyle::table = nullptr;
  EXPECT_TRUE(m.Reader().HasError());
  EXPECT_LE(target.Count(), std::uint32_t(kMaxInlineStyleDepth));
  // One style per level that was allowed, none for the level refused.
  EXPECT_EQ(target.Count(), std::uint32_t(kMaxInlineStyleDepth));
}

TEST(StyleRefs, TableDestroysEachStyleOnceAndRefusesBeyondItsLimit) {
  NestingStyle::destroyed = 0;
  {
    StyleTable<NestingStyle> table;
    for (std::uint32_t i = 0; i < kMaxStylesPerTable; ++i) {
      ASSERT_EQ(table.Add(std::make_unique<NestingStyle>()), i);
    }
    EXPECT_EQ(table.Add(std::make_unique<NestingStyle>()), kNoStyle);  // deleted at once
    EXPECT_EQ(NestingStyle::destroyed, 1);
    EXPECT_EQ(table.Add(nullptr), kNoStyle);
    std::unique_ptr<NestingStyle> detached = table.Detach(3);
    EXPECT_TRUE(detached);
    EXPECT_EQ(table.Count(), kMaxStylesPerTable - 1);
  }
  EXPECT_EQ(NestingStyle::destroyed, int(kMaxStylesPerTable) + 1);
}

// ---- styled accessors ----

TEST(StyledAttributes, StrokeTakesStyleValuesUnlessDeferredOrMarked) {
  cDrawingData data;
  auto style = std::make_unique<cStyleLine>();
  style->color = 0x0000FF;
  style->gapColor = 0x7F00FF00;  // stray bits above 24 are masked off
  style->width = 1.5;
  style->patternScale = 3.0;
  style->penOption = 1;
  style->lineType = 7;
  data.LineStyles().Add(std::move(style));

  StyledProbe o;
  o.stroke.color = 0x00FF00;
  o.stroke.gapColor = 0xFFFFFFFF;
  o.stroke.width = 0.5;
  o.stroke.patternScale = 2.0;
  o.stroke.lineType = 4;
  o.stroke.lineStyle = 0;

  // Bit 7 clear and no former index: own values, with or without data.
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x00FF00u);
  EXPECT_EQ(GetGapColor(o, o.stroke, nullptr), 0x80FFFFFFu);
  EXPECT_EQ(GetLineType(o, o.stroke, &data), 4);
  EXPECT_EQ(GetLineStyle(o, o.stroke, &data), nullptr);

  o.SetTypeByteSourceBits(kTypeStyledStroke);
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x0000FFu);
  EXPECT_EQ(GetGapColor(o, o.stroke, &data), 0x0000FF00u);
  EXPECT_EQ(GetLineWidth(o, o.stroke, &data), 1.5);
  EXPECT_EQ(GetPatternScale(o, o.stroke, &data), 3.0);
  EXPECT_EQ(GetPenOption(o, o.stroke, &data), 1);
  EXPECT_EQ(GetLineType(o, o.stroke, &data), 7);
  EXPECT_EQ(GetLineWidth(o, o.stroke, nullptr), 0.5);

  o.stroke.ownValueBits = 0x01;
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x00FF00u);
  EXPECT_EQ(GetGapColor(o, o.stroke, &data), 0x80FFFFFFu);
  EXPECT_EQ(GetLineWidth(o, o.stroke, &data), 1.5);
  o.stroke.ownValueBits = 0x04;
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x0000FFu);
  EXPECT_EQ(GetLineWidth(o, o.stroke, &data), 0.5);
  o.stroke.ownValueBits = 0;

  data.LineStyles().Get(0)->byObject = 1;
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x00FF00u);
  EXPECT_EQ(GetPatternScale(o, o.stroke, &data), 2.0);
  EXPECT_EQ(GetLineType(o, o.stroke, &data), 7);  // the type always comes from the style
  data.LineStyles().Get(0)->byObject = 0;

  // A style index outside the table falls back, never fails.
  o.stroke.lineStyle = 9;
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x00FF00u);
}

TEST(StyledAttributes, FormerIndexIsTriedFirstEvenWithoutTheBit) {
  cDrawingData data;
  data.LineStyles().Add(NamedLine(u"a", 0x10));
  data.LineStyles().Add(NamedLine(u"b", 0x20));
  StyledProbe o;
  o.stroke.lineStyle = 0;
  o.stroke.formerLineStyle = 1;
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x20u);
  o.SetTypeByteSourceBits(kTypeStyledStroke);
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x20u);
  o.stroke.formerLineStyle = 40;  // invalid: the index under bit 7
  EXPECT_EQ(GetLineColor(o, o.stroke, &data), 0x10u);
}

TEST(StyledAttributes, FillTakesStyleValuesUnlessDeferredOrMarked) {
  cDrawingData data;
  auto style = std::make_unique<cStyleFill>();
  style->fillColor = 0x123456;
  style->hatchColor = 0x654321;
  style->hatchKind = 3;
  style->opacity = 100;
  style->hatchValue = 0.7;
  style->hatchScale = 4.0;
  data.FillStyles().Add(std::move(style));

  StyledProbe o;
  o.fill.fillStyle = 0;
  o.fill.fillColor = 0x111111;
  o.fill.hatchColor = 0x222222;
  o.fill.hatchKind = 9;
  EXPECT_EQ(GetFillColor(o, o.fill, &data), 0x111111u);
  o.SetTypeByteSourceBits(kTypeStyledFill);
  EXPECT_EQ(GetFillColor(o, o.fill, &data), 0x123456u);
  EXPECT_EQ(GetHatchColor(o, o.fill, &data), 0x654321u);
  EXPECT_EQ(GetHatchKind(o, o.fill, &data), 3);
  EXPECT_EQ(GetFillAlpha(o, o.fill, &data), 100);
  EXPECT_EQ(GetHatchSize(o, o.fill, &data), 0.7);
  EXPECT_EQ(GetHatchScale(o, o.fill, &data), 4.0);
  o.fill.ownFillColor = 1;
  EXPECT_EQ(GetFillColor(o, o.fill, &data), 0x111111u);
  EXPECT_EQ(GetHatchColor(o, o.fill, &data), 0x654321u);
  o.fill.ownHatchColor = 1;
  EXPECT_EQ(GetHatchColor(o, o.fill, &data), 0x222222u);
  data.FillStyles().Get(0)->byObject = 1;
  EXPECT_EQ(GetFillAlpha(o, o.fill, &data), 255);
  EXPECT_EQ(GetHatchKind(o, o.fill, &data), 3);
}

TEST(StyledAttributes, TextRules) {
  cDrawingData data;
  auto style = std::make_unique<cStyleText>();
  style->attributes.height = 5.0;
  style->attributes.widthFactor = 0.8;
  style->attributes.color = 0x0000FF;
  style->attributes.styleValue = 1.25;
  style->attributes.fontIndex = 2;
  style->attributes.italic = 1;
  style->attributes.mirrorY = 1;
  data.TextStyles().Add(std::move(style));

  StyledProbe t;
  TextFields own;
  own.textStyle = 0;
  own.styleBits = 0x07 | 0x40;
  own.fontIndex = 9;
  // No style without bit 7.
  EXPECT_FALSE(HasTextStyle(t, own, &data));
  EXPECT_EQ(GetTextColor(t, own, &data), 0u);  // unset own colour, no style
  EXPECT_EQ(GetTextStyleValue(t, own, &data), 0.0);
  EXPECT_TRUE(IsTextBold(t, own, &data));
  EXPECT_TRUE(IsTextUnderline(t, own, &data));
  EXPECT_FALSE(IsTextItalic(t, own, &data));
  EXPECT_EQ(GetTextFontIndex(t, own, &data), 9);

  t.SetTypeByteSourceBits(kTypeStyledStroke);
  EXPECT_TRUE(HasTextStyle(t, own, &data));
  EXPECT_EQ(GetTextHeight(t, own, &data), 5.0);
  own.height = 2.5;
  EXPECT_EQ(GetTextHeight(t, own, &data), 2.5);
  EXPECT_EQ(GetTextWidthFactor(t, own, &data), 0.8);
  EXPECT_EQ(GetTextColor(t, own, &data), 0x0000FFu);
  own.color = 0x00FF00;
  EXPECT_EQ(GetTextColor(t, own, &data), 0x00FF00u);
  EXPECT_EQ(GetTextStyleValue(t, own, &data), 1.25);
  EXPECT_EQ(GetTextFontIndex(t, own, &data), 2);
  EXPECT_FALSE(IsTextBold(t, own, &data));
  EXPECT_TRUE(IsTextItalic(t, own, &data));
  EXPECT_TRUE(IsTextMirroredY(t, own, &data));
  EXPECT_FALSE(IsTextMirroredX(t, own, &data));
  own.mirrorX = 1;
  EXPECT_TRUE(IsTextMirroredX(t, own, &data));
  own.textStyle = 1;  // outside the table
  EXPECT_FALSE(HasTextStyle(t, own, &data));
}

}  // namespace
}  // namespace kvn
