#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/TextFormat.h"
#include "model/BlockPicture.h"
#include "model/DrawAttributes.h"
#include "model/StyleRefs.h"
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

// Writes a style without drawing data and reads it back into `out`.
template <class T>
void RoundTrip(const T& style, T& out, int version = kCurrentFileVersion, cDrawingData* data = nullptr) {
  MemoryArchive m([&](ArchiveWriter& w) { style.Write(w, nullptr); });
  EXPECT_TRUE(out.Read(m.Reader(), version, data));
  EXPECT_FALSE(m.Reader().HasError());
}

// A stand-in stroked and filled object for the appliers and SetFromObject.
class Probe : public cOutObj {
 public:
  Probe() : cOutObj(kTypeLine) {}
  DRect& GetExtent(DRect& out) override { return out = DRect{}; }
  void Recalc(cDrawingData*) override {}
};

// ---- round trips at the current version ----

TEST(Styles, LineStyleRoundTrip) {
  cStyleLine s;
  s.color = 0x123456;
  s.gapColor = 0x00FF00;
  s.width = 0.35;
  s.lineType = 23;
  s.patternScale = 2.5;
  s.penOption = 1;
  s.hasSymbol = 1;
  s.repeatLength = 4.0;
  s.startOffset = -1.5;
  s.symbolByte = 3;
  LineDashElement dash;
  dash.position = 2.0;
  LineDashElement text;
  text.position = -0.5;
  text.hasText = true;
  text.flags = 2;
  text.text = u"GAS";
  text.offsetX = 0.1;
  text.offsetY = -0.2;
  text.scale = 1.5;
  text.rotation = 30.0;
  s.dashElements = {dash, text};

  cStyleLine r;
  RoundTrip(s, r);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(s, r));
  EXPECT_EQ(r.color, 0x123456u);
  EXPECT_EQ(r.gapColor, 0x00FF00u);
  EXPECT_EQ(r.width, 0.35);
  EXPECT_EQ(r.lineType, 23);
  EXPECT_EQ(r.patternScale, 2.5);
  EXPECT_EQ(r.penOption, 1);
  EXPECT_EQ(r.hasSymbol, 1);
  EXPECT_EQ(r.repeatLength, 4.0);
  EXPECT_EQ(r.startOffset, -1.5);
  EXPECT_EQ(r.symbolByte, 3);
  ASSERT_EQ(r.dashElements.size(), 2u);
  EXPECT_FALSE(r.dashElements[0].hasText);
  EXPECT_EQ(r.dashElements[0].position, 2.0);
  EXPECT_EQ(r.dashElements[1].text, u"GAS");
  EXPECT_EQ(r.dashElements[1].fontIndex, kNoStyle);
  EXPECT_EQ(r.dashElements[1].rotation, 30.0);
  EXPECT_EQ(r.dashElements[1].offsetY, -0.2);

  // A by-object style stores neither colours nor width.
  cStyleLine byObject;
  byObject.byObject = 1;
  byObject.color = 0xFF;
  byObject.width = 9.0;
  byObject.patternScale = 3.0;
  cStyleLine rb;
  RoundTrip(byObject, rb);
  EXPECT_EQ(rb.byObject, 1);
  EXPECT_EQ(rb.color, 0u);
  EXPECT_EQ(rb.width, 0.25);
  EXPECT_EQ(rb.patternScale, 3.0);
}

TEST(Styles, LineStyleSymbolObjectsRoundTrip) {
  cStyleLine s;
  s.hasSymbol = 1;
  s.repeatLength = 1.0;
  s.startOffset = 4.0;
  s.symbolByte = 1;
  for (double x : {1.0, 2.0}) {
    auto line = std::make_unique<cLine>();
    line->end = DPoint{x, x};
    s.symbol.Append(line.release());
  }
  cStyleLine r;
  RoundTrip(s, r);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(s, r));
  ASSERT_EQ(r.symbol.Count(), 2u);
  EXPECT_TRUE(r.IsSymbolLine());
  const cOutObj* second = r.symbol.Head()->next;
  ASSERT_NE(second->AsAnyLine(), nullptr);
  EXPECT_EQ(second->AsAnyLine()->AsLine()->end.x, 2.0);

  // Assign replaces the symbol of the target, never appends to it.
  cStyleLine target;
  target.Assign(s);
  target.Assign(s);
  EXPECT_EQ(target.symbol.Count(), 2u);
}

TEST(Styles, FillStyleRoundTrip) {
  cStyleFill s;
  s.hatchKind = kSymbolHatch;
  s.fillColor = 0x00FFFF;
  s.opacity = 128;
  s.hatchColor = 0x0000FF;
  s.hatchValue = 0.18;
  s.hatchScale = 2.0;
  s.hatchLinesValue = 0.5;
  HatchLine line;
  line.values[0] = 1.0;
  line.values[1] = 2.0;
  line.params[0] = 45.0;
  line.params[2] = 3.0;
  line.dashes = {1.0, -0.5};
  s.hatchLines = {line, HatchLine{}};

  cStyleFill r;
  RoundTrip(s, r);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(s, r));
  EXPECT_EQ(r.hatchKind, kSymbolHatch);
  EXPECT_EQ(r.opacity, 128);
  EXPECT_EQ(r.hatchValue, 0.18);
  EXPECT_EQ(r.hatchScale, 2.0);
  EXPECT_EQ(r.symbolScale, 1.0);  // no symbol objects
  EXPECT_EQ(r.hatchLinesValue, 0.5);
  ASSERT_EQ(r.hatchLines.size(), 2u);
  EXPECT_EQ(r.hatchLines[0].values[1], 2.0);
  EXPECT_EQ(r.hatchLines[0].params[0], 45.0);
  EXPECT_EQ(r.hatchLines[0].dashes, (std::vector<double>{1.0, -0.5}));

  // The hatch-line flag writes the two values as 0.
  s.hatchLineFlag = 1;
  cStyleFill flagged;
  RoundTrip(s, flagged);
  EXPECT_EQ(flagged.hatchLines[0].values[0], 0.0);
  EXPECT_EQ(flagged.hatchLines[0].params[2], 3.0);

  // A not-set fill colour stores the opacity as 255.
  cStyleFill noFill;
  noFill.opacity = 10;
  cStyleFill rn;
  RoundTrip(noFill, rn);
  EXPECT_EQ(rn.opacity, 255);
  EXPECT_EQ(rn.fillColor & 0x80000000u, 0x80000000u);
}

TEST(Styles, TextStyleRoundTrip) {
  cStyleText s;
  TextAttributes& a = s.attributes;
  a.color = 0x0000FF;
  a.secondColor = 0x00FF00;
  a.optionalByte = 3;
  a.height = 2.5;
  a.styleValue = 0.75;
  a.bold = a.underline = a.mirrorY = 1;
  SetFaceName(a, u"Liberation Sans", 15);
  a.charSet = 238;
  a.pitchAndFamily = 34;
  a.widthFactor = 0.9;
  s.builtinMarks = 0x05;

  cStyleText r;
  RoundTrip(s, r);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(s, r));
  const TextAttributes& b = r.attributes;
  EXPECT_EQ(b.color, 0x0000FFu);
  EXPECT_EQ(b.secondColor, 0x00FF00u);
  EXPECT_EQ(b.optionalByte, 3);
  EXPECT_EQ(b.height, 2.5);
  EXPECT_EQ(b.styleValue, 0.75);
  EXPECT_EQ(b.bold, 1);
  EXPECT_EQ(b.italic, 0);
  EXPECT_EQ(b.underline, 1);
  EXPECT_EQ(b.mirrorY, 1);
  EXPECT_EQ(std::u16string(b.faceName), u"Liberation Sans");
  EXPECT_EQ(b.charSet, 238);
  EXPECT_EQ(b.pitchAndFamily, 34);
  EXPECT_EQ(b.fontIndex, kNoStyle);
  EXPECT_EQ(b.widthFactor, 0.9);
  EXPECT_EQ(r.builtinMarks, 0x05);

  // The default optional byte (255, none) survives too.
  cStyleText plain;
  cStyleText rp;
  RoundTrip(plain, rp);
  EXPECT_EQ(rp.attributes.optionalByte, 255);
  EXPECT_EQ(rp.attributes.height, 3.0);
}

TEST(Styles, WallAndLinkStyleRoundTrip) {
  cStyleWall wall;
  wall.thickness = 30.0;
  DrawAttributes& a = wall.attributes;
  a.lineType = 5;
  a.width = 0.5;
  a.patternScale = 2.0;
  a.color = 0x102030;
  a.gapColor = 0x00FFFF;
  a.penOption = 1;
  a.fillColor = 0xC0C0C0;
  a.opacity = 200;
  a.hatchKind = 7;
  a.hatchColor = 0x808080;
  a.hatchValue = 0.13;
  a.hatchScale = 3.0;
  cStyleWall rw;
  RoundTrip(wall, rw);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(wall, rw));
  EXPECT_EQ(rw.thickness, 30.0);
  EXPECT_EQ(rw.attributes.lineStyle, kNoStyle);
  EXPECT_EQ(rw.attributes.gapColor, 0x00FFFFu);
  EXPECT_EQ(rw.attributes.opacity, 200);
  EXPECT_EQ(rw.attributes.hatchKind, 7);
  EXPECT_EQ(rw.attributes.hatchScale, 3.0);

  cStyleLink link;
  link.attributes.lineType = 9;
  link.attributes.width = 0.7;
  link.attributes.color = 0x0000FF;
  link.attributes.penOption = 1;
  cStyleLink rl;
  RoundTrip(link, rl);
  EXPECT_TRUE(cAnyStyle::IsSameRecord(link, rl));
  EXPECT_EQ(rl.attributes.lineType, 9);
  EXPECT_EQ(rl.attributes.width, 0.7);
  EXPECT_EQ(rl.attributes.penOption, 1);
}

TEST(Styles, LinkStyleNamingAGivingLineStyleWritesPlaceholders) {
  cDrawingData data;
  data.LineStyles().Add(std::make_unique<cStyleLine>());
  cStyleLink link;
  link.attributes.lineStyle = 0;
  link.attributes.lineType = 9;
  link.attributes.width = 0.7;
  link.attributes.patternScale = 4.0;
  link.attributes.color = 0x0000FF;
  link.attributes.gapColor = 0x00FF00;
  link.attributes.penOption = 1;

  MemoryArchive m([&](ArchiveWriter& w) { link.Write(w, &data); });
  cDrawingData target;
  cStyleLink r;
  ASSERT_TRUE(r.Read(m.Reader(), kCurrentFileVersion, &target));
  EXPECT_EQ(r.attributes.lineStyle, 0);
  EXPECT_EQ(target.LineStyles().Count(), 1u);  // travelled inline
  EXPECT_EQ(r.attributes.lineType, 0);
  EXPECT_EQ(r.attributes.width, 0.0);
  EXPECT_EQ(r.attributes.patternScale, 0.0);
  EXPECT_EQ(r.attributes.color, 0u);
  EXPECT_EQ(r.attributes.gapColor & 0x80000000u, 0x80000000u);
  EXPECT_EQ(r.attributes.penOption, 0);

  // A deferring style keeps the link's own values.
  data.LineStyles().Get(0)->byObject = 1;
  ResetStyleWriteNumbers(data);
  MemoryArchive m2([&](ArchiveWriter& w) { link.Write(w, &data); });
  cDrawingData target2;
  cStyleLink r2;
  ASSERT_TRUE(r2.Read(m2.Reader(), kCurrentFileVersion, &target2));
  EXPECT_EQ(r2.attributes.width, 0.7);
  EXPECT_EQ(r2.attributes.color, 0x0000FFu);
  EXPECT_EQ(r2.attributes.lineType, 0);  // named: the style gives the type
}

// ---- copies, scaling, names ----

TEST(Styles, AssignCopiesThroughTheRecord) {
  cStyleFill source;
  source.name = u"brick";
  source.description = u"red brick";
  source.hatchKind = 12;
  source.hatchColor = 0x0000FF;
  cStyleFill target;
  target.hatchLines.resize(3);
  target.hatchKind = kSymbolHatch;
  target.Assign(source);
  EXPECT_EQ(target.name, u"brick");
  EXPECT_EQ(target.description, u"red brick");
  EXPECT_EQ(target.hatchKind, 12);
  EXPECT_TRUE(target.hatchLines.empty());
  EXPECT_TRUE(cAnyStyle::IsSameRecord(source, target));
  target.hatchColor = 0x00FF00;
  EXPECT_FALSE(cAnyStyle::IsSameRecord(source, target));
}

template <class T>
void ExpectScaleZeroChangesNothing(T& style) {
  ByteArray before;
  {
    ArchiveWriter w(&before);
    style.Write(w, nullptr);
  }
  style.Scale(0.0);
  style.ScalePattern(0.0);
  ByteArray after;
  {
    ArchiveWriter w(&after);
    style.Write(w, nullptr);
  }
  ASSERT_EQ(before.Count(), after.Count());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
}

TEST(Styles, ScaleMultipliesTheLengthsAndZeroChangesNothing) {
  cStyleLine line;
  line.byObject = 1;
  ExpectScaleZeroChangesNothing(line);
  line.byObject = 0;
  line.Scale(2.0);
  EXPECT_EQ(line.width, 0.5);
  EXPECT_EQ(line.patternScale, 2.0);
  line.ScalePattern(3.0);  // not by object: nothing
  EXPECT_EQ(line.patternScale, 2.0);
  line.byObject = 1;
  line.ScalePattern(3.0);
  EXPECT_EQ(line.patternScale, 6.0);
  EXPECT_EQ(line.width, 0.5);

  cStyleFill fill;
  ExpectScaleZeroChangesNothing(fill);
  fill.Scale(4.0);
  EXPECT_EQ(fill.hatchValue, 1.0);
  EXPECT_EQ(fill.hatchScale, 4.0);

  cStyleText text;
  text.attributes.styleValue = 1.0;
  ExpectScaleZeroChangesNothing(text);
  text.Scale(2.0);
  EXPECT_EQ(text.attributes.height, 6.0);
  EXPECT_EQ(text.attributes.styleValue, 2.0);

  cStyleWall wall;
  ExpectScaleZeroChangesNothing(wall);
  wall.Scale(2.0);
  EXPECT_EQ(wall.thickness, 10.0);
  EXPECT_EQ(wall.attributes.width, 0.5);
  EXPECT_EQ(wall.attributes.patternScale, 2.0);
  EXPECT_EQ(wall.attributes.hatchValue, 0.5);
  EXPECT_EQ(wall.attributes.hatchScale, 2.0);

  cStyleLink link;
  ExpectScaleZeroChangesNothing(link);
  link.Scale(2.0);
  EXPECT_EQ(link.attributes.width, 0.5);
  EXPECT_EQ(link.attributes.patternScale, 2.0);
}

TEST(Styles, MakeNameTexts) {
  cStyleLine line;
  line.MakeName();
  EXPECT_EQ(line.name, u"L(1,0.25,0,1,0)");
  line.lineType = 5;
  line.width = 0.5;
  line.color = 255;
  line.patternScale = 2.5;
  line.penOption = 1;
  line.MakeName();
  EXPECT_EQ(line.name, u"L(5,0.5,255,2.5,1)");

  cStyleFill fill;
  fill.MakeName();
  EXPECT_EQ(fill.name, u"A(0,0)");
  fill.fillColor = 0x00FF00;
  fill.MakeName();
  EXPECT_EQ(fill.name, u"A(1,65280)");
  fill.hatchKind = 3;
  fill.hatchColor = 255;
  fill.MakeName();
  EXPECT_EQ(fill.name, u"A(4,255)");

  cStyleText text;
  text.attributes.bold = 1;
  text.attributes.mirrorX = 1;
  SetFaceName(text.attributes, u"Arial", 5);
  text.MakeName();
  EXPECT_EQ(text.name, u"F(3,1,0,17,Arial)");
  text.attributes.fontIndex = 2;
  text.MakeName();
  EXPECT_EQ(text.name, u"F(3,1,0,17,2)");
}

// ---- old record forms ----

TEST(Styles, FillStyleOldKindsBefore3053) {
  struct Case {
    std::uint8_t kind;
    std::uint32_t color;
    std::uint8_t wantKind;
    std::uint32_t wantFill;
    std::uint32_t wantHatch;
  };
  for (const Case& c : {Case{0, 0x123456, 0, 0x80000000, 0}, Case{1, 0x7F0000FF, 0, 0x000000FF, 0},
                        Case{4, 0x0000FF, 3, 0xFFFFFF, 0x0000FF}}) {
    MemoryArchive m([&](ArchiveWriter& w) {
      w.WriteByte(c.kind);
      w.WriteRaw32(c.color);
      w.WriteByte(0xEE);  // what follows the record
    });
    cStyleFill f;
    EXPECT_TRUE(f.Read(m.Reader(), 3052, nullptr));
    EXPECT_EQ(f.hatchKind, c.wantKind);
    EXPECT_EQ(f.fillColor, c.wantFill);
    EXPECT_EQ(f.hatchColor, c.wantHatch);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
}

TEST(Styles, FillStyleVersionBands) {
  // 3055: hatch colour raw, then nothing: value and scale 1.0.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteByte(2);
      w.WriteRaw32(0x00FF00);
      w.WriteRaw32(0xAB0000FF);
      w.WriteByte(0xEE);
    });
    cStyleFill f;
    EXPECT_TRUE(f.Read(m.Reader(), 3055, nullptr));
    EXPECT_EQ(f.hatchKind, 2);
    EXPECT_EQ(f.hatchColor, 0x0000FFu);
    EXPECT_EQ(f.hatchValue, 1.0);
    EXPECT_EQ(f.hatchScale, 1.0);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // 3058: singles, and before 3068 both multiplied by the drawing scale.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteByte(2);
      w.WriteRaw32(0x00FF00);
      w.WriteRaw32(0x0000FF);
      float v = 0.5f, s = 1.5f;
      w.Write(&v, 4);
      w.Write(&s, 4);
    });
    cDrawingData data;
    data.SetScale(2.0);
    cStyleFill f;
    EXPECT_TRUE(f.Read(m.Reader(), 3058, &data));
    EXPECT_EQ(f.hatchValue, 1.0);
    EXPECT_EQ(f.hatchScale, 3.0);
    EXPECT_EQ(f.opacity, 255);
  }
  // 3080: opacity (bit 1 + byte), real-or-unit sizes, no rescale.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteByte(3);
      w.WriteRaw32(0xFF123456);  // masked with 0x80FFFFFF
      w.WriteBit(true);
      w.WriteByte(77);
      w.WriteRaw32(0x0000FF);
      w.WriteRealOrUnit(0.3);
      w.WriteRealOrUnit(1.0);
    });
    cDrawingData data;
    data.SetScale(5.0);
    cStyleFill f;
    EXPECT_TRUE(f.Read(m.Reader(), 3080, &data));
    EXPECT_EQ(f.fillColor, 0x80123456u);
    EXPECT_EQ(f.opacity, 77);
    EXPECT_EQ(f.hatchValue, 0.3);
    EXPECT_EQ(f.hatchScale, 1.0);
  }
  // 3090 symbol hatch: empty symbol, no symbol scale (before 3098), and a
  // hatch-line list cut short by the end of the data.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteByte(kSymbolHatch);
      w.WriteRaw32(0x80000000);
      w.WriteBit(false);  // opacity 255
      w.WriteRaw32(0);
      w.WriteRealOrUnit(0.25);
      w.WriteRealOrUnit(1.0);
      w.WriteByte(255);            // end of the symbol objects
      w.WriteCompactDouble(0.5);   // the list's value
      w.WriteCompactU16(3);        // three lines announced, one stored
      for (int i = 0; i < 5; ++i) w.WriteCompactDouble(i + 1.0);
      w.WriteCompactU16(1);
      w.WriteCompactDouble(2.0);
    });
    cStyleFill f;
    // The end of the data before a line ends the list: the stored line is
    // kept, and the data is used up for the reader around the record to see.
    EXPECT_TRUE(f.Read(m.Reader(), 3090, nullptr));
    EXPECT_TRUE(m.Reader().AtEnd());
    EXPECT_EQ(f.hatchKind, kSymbolHatch);
    EXPECT_EQ(f.symbolScale, 1.0);
    EXPECT_EQ(f.hatchLinesValue, 0.5);
    ASSERT_EQ(f.hatchLines.size(), 1u);
    EXPECT_EQ(f.hatchLines[0].values[0], 1.0);
    EXPECT_EQ(f.hatchLines[0].values[1], 2.0);
    EXPECT_EQ(f.hatchLines[0].params[2], 5.0);
    EXPECT_EQ(f.hatchLines[0].dashes, std::vector<double>{2.0});
  }
}

TEST(Styles, FillStyleRefusesAHugeDashCount) {
  // 65535 lines of 65535 two-bit dashes would inflate a few bytes per line
  // into half a megabyte of doubles each.
  auto bytes = Archive([](ArchiveWriter& w) {
    w.WriteBit(false);
    w.WriteByte(kSymbolHatch);
    w.WriteRealOrUnit(1.0);
    w.WriteColor(0x80000000);
    w.WriteBit(false);
    w.WriteColor(0);
    w.WriteCompactDouble(0.25);
    w.WriteByte(255);
    w.WriteRealOrUnit(1.0);
    w.WriteCompactDouble(0.0);
    w.WriteCompactU16(65535);
    for (int line = 0; line < 40; ++line) {
      for (int i = 0; i < 5; ++i) w.WriteCompactDouble(0.0);
      w.WriteCompactU16(65535);
      for (int d = 0; d < 65535; ++d) w.WriteCompactDouble(0.0);
    }
  });
  MemoryArchive m(bytes);
  cStyleFill f;
  EXPECT_FALSE(f.Read(m.Reader(), kCurrentFileVersion, nullptr));
  EXPECT_TRUE(m.Reader().HasError());
  std::size_t dashes = 0;
  for (const HatchLine& l : f.hatchLines) dashes += l.dashes.size();
  EXPECT_LE(dashes, std::size_t(1) << 20);
  // The budget of 2^20 dashes holds sixteen lines of 65535; the seventeenth
  // is refused before any of its dashes is read.
  EXPECT_EQ(f.hatchLines.size(), 16u);
  EXPECT_EQ(dashes, 16u * 65535u);
}

TEST(Styles, LineStyleVersionBands) {
  // Before 3058: raw colour, single width, byte type, single pattern length
  // rescaled by the larger of 4 x width and the drawing scale; the symbol's
  // singles lose negative values and its byte becomes 0.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteRaw32(0xFF00FF00);
      float width = 1.0f, length = 8.0f;
      w.Write(&width, 4);
      w.WriteByte(3);
      w.Write(&length, 4);
      w.WriteByte(1);  // symbol follows
      float a = 2.0f, b = -3.0f;
      w.Write(&a, 4);
      w.Write(&b, 4);
      w.WriteByte(2);
      w.WriteByte(255);
      w.WriteByte(0xEE);
    });
    cDrawingData data;
    data.SetScale(2.0);
    cStyleLine s;
    EXPECT_TRUE(s.Read(m.Reader(), 3057, &data));
    EXPECT_EQ(s.color, 0x0000FF00u);
    EXPECT_EQ(s.width, 1.0);
    EXPECT_EQ(s.lineType, 3);
    EXPECT_EQ(s.patternScale, 2.0);  // 8 / max(4 x 1, 2)
    EXPECT_EQ(s.hasSymbol, 1);
    EXPECT_EQ(s.repeatLength, 2.0);
    EXPECT_EQ(s.startOffset, 0.0);
    EXPECT_EQ(s.symbolByte, 0);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // Before 3058 with no pattern length: scale 1.0.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteRaw32(0);
      float width = 0.25f, length = 3.4028234663852886e38f;
      w.Write(&width, 4);
      w.WriteByte(1);
      w.Write(&length, 4);
      w.WriteByte(0);
    });
    cStyleLine s;
    EXPECT_TRUE(s.Read(m.Reader(), 3050, nullptr));
    EXPECT_EQ(s.patternScale, 1.0);
  }
  // 3061 to 3097: colour, width, type, scale, pen from 3062, no elements
  // before 3097.
  for (int version : {3061, 3070, 3096}) {
    MemoryArchive m([&](ArchiveWriter& w) {
      w.WriteColor(0x0000FF);
      w.WriteCompactDouble(0.5);
      w.WriteSmallByte(6);
      w.WriteRealOrUnit(1.5);
      if (version >= 3062) w.WriteBit(true);
      w.WriteByte(1);
      w.WriteCompactDouble(5.0);
      w.WriteCompactDouble(-1.0);
      w.WriteByte(3);
      w.WriteByte(255);
      w.WriteByte(0xEE);
    });
    cStyleLine s;
    EXPECT_TRUE(s.Read(m.Reader(), version, nullptr)) << version;
    EXPECT_EQ(s.color, 0x0000FFu);
    EXPECT_EQ(s.width, 0.5);
    EXPECT_EQ(s.lineType, 6);
    EXPECT_EQ(s.patternScale, 1.5);
    EXPECT_EQ(s.penOption, version >= 3062 ? 1 : 0);
    EXPECT_EQ(s.startOffset, -1.0);
    EXPECT_EQ(s.symbolByte, 3);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE) << version;
  }
  // 3100: the current form without the gap colour (3111).
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteBit(false);
      w.WriteSmallByte(4);
      w.WriteRealOrUnit(1.0);
      w.WriteColor(0x00FF00);
      w.WriteCompactDouble(0.35);
      w.WriteBit(false);
      w.WriteByte(0);
      w.WriteCompactU16(1);
      w.WriteCompactDouble(3.0);
      w.WriteBit(false);
      w.WriteByte(0xEE);
    });
    cStyleLine s;
    EXPECT_TRUE(s.Read(m.Reader(), 3100, nullptr));
    EXPECT_EQ(s.color, 0x00FF00u);
    EXPECT_EQ(s.gapColor, 0x80FFFFFFu);
    EXPECT_EQ(s.width, 0.35);
    ASSERT_EQ(s.dashElements.size(), 1u);
    EXPECT_EQ(s.dashElements[0].position, 3.0);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
}

TEST(Styles, LinkStyleVersionBands) {
  // Before 3077 the index is a raw word; before 3098 a named style ends the
  // record.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteUInt16(2);
      w.WriteByte(0xEE);
    });
    cStyleLink s;
    EXPECT_TRUE(s.Read(m.Reader(), 3070, nullptr));
    EXPECT_EQ(s.attributes.lineStyle, 2);
    EXPECT_EQ(s.attributes.width, 0.25);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // Before 3061: singles and a raw colour; before 3068 the scale grows by
  // the larger of 4 x width and the drawing scale.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteUInt16(65535);
      w.WriteByte(5);
      float width = 1.0f, scale = 0.5f;
      w.Write(&width, 4);
      w.Write(&scale, 4);
      w.WriteRaw32(0xFF0000FF);
      w.WriteByte(0xEE);
    });
    cDrawingData data;
    data.SetScale(10.0);
    cStyleLink s;
    EXPECT_TRUE(s.Read(m.Reader(), 3060, &data));
    EXPECT_EQ(s.attributes.lineType, 5);
    EXPECT_EQ(s.attributes.color, 0x0000FFu);
    EXPECT_EQ(s.attributes.patternScale, 5.0);  // 0.5 x max(4, 10)
    EXPECT_EQ(s.attributes.penOption, 0);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // 3065: compact forms, the pen bit, still the old rescale (4 x width wins).
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteUInt16(65535);
      w.WriteByte(5);
      w.WriteCompactDouble(2.0);
      w.WriteRealOrUnit(1.0);
      w.WriteColor(0x00FF00);
      w.WriteBit(true);
      w.WriteByte(0xEE);
    });
    cStyleLink s;
    EXPECT_TRUE(s.Read(m.Reader(), 3065, nullptr));
    EXPECT_EQ(s.attributes.patternScale, 8.0);
    EXPECT_EQ(s.attributes.penOption, 1);
    EXPECT_EQ(s.attributes.gapColor, 0x80FFFFFFu);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
}

TEST(Styles, WallStyleVersionBands) {
  // Before 3098 the parts of named styles are absent.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteCompactDouble(20.0);
      w.WriteUInt16(1);
      w.WriteUInt16(65535);
      w.WriteColor(0x808080);  // fill part only
      w.WriteOptionalByte(3);
      w.WriteColor(0);
      w.WriteCompactDouble(0.5);
      w.WriteRealOrUnit(2.0);
      w.WriteByte(0xEE);
    });
    cStyleWall s;
    EXPECT_TRUE(s.Read(m.Reader(), 3065, nullptr));
    EXPECT_EQ(s.thickness, 20.0);
    EXPECT_EQ(s.attributes.lineStyle, 1);
    EXPECT_EQ(s.attributes.lineType, 1);
    EXPECT_EQ(s.attributes.fillColor, 0x808080u);
    EXPECT_EQ(s.attributes.opacity, 255);
    EXPECT_EQ(s.attributes.hatchKind, 3);
    EXPECT_EQ(s.attributes.hatchScale, 4.0);  // 2 x max(4 x 0.5, 1)
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // Before 3061: singles, raw colours with their masks.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteCompactDouble(10.0);
      w.WriteUInt16(65535);
      w.WriteUInt16(65535);
      w.WriteByte(2);
      float width = 0.25f, scale = 1.0f, value = 0.25f, hscale = 1.0f;
      w.Write(&width, 4);
      w.Write(&scale, 4);
      w.WriteRaw32(0xFF112233);
      w.WriteRaw32(0xFF445566);
      w.WriteByte(4);
      w.WriteRaw32(0xFF778899);
      w.Write(&value, 4);
      w.Write(&hscale, 4);
      w.WriteByte(0xEE);
    });
    cStyleWall s;
    EXPECT_TRUE(s.Read(m.Reader(), 3055, nullptr));
    EXPECT_EQ(s.attributes.lineType, 2);
    EXPECT_EQ(s.attributes.color, 0x112233u);
    EXPECT_EQ(s.attributes.fillColor, 0x80445566u);
    EXPECT_EQ(s.attributes.hatchColor, 0x778899u);
    EXPECT_EQ(s.attributes.patternScale, 1.0);  // 1 x max(4 x 0.25, 1)
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // 3100: references, every part present, opacity, no gap colour.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteCompactDouble(5.0);
      WriteStyleRef<cStyleLine>(w, kNoStyle, nullptr);
      WriteStyleRef<cStyleFill>(w, kNoStyle, nullptr);
      w.WriteSmallByte(3);
      w.WriteCompactDouble(0.5);
      w.WriteRealOrUnit(1.0);
      w.WriteColor(0x0000FF);
      w.WriteBit(true);
      w.WriteColor(0xFFFFFF);
      w.WriteBit(true);
      w.WriteByte(90);
      w.WriteOptionalByte(4);
      w.WriteColor(0);
      w.WriteCompactDouble(0.25);
      w.WriteRealOrUnit(1.0);
      w.WriteByte(0xEE);
    });
    cStyleWall s;
    EXPECT_TRUE(s.Read(m.Reader(), 3100, nullptr));
    EXPECT_EQ(s.attributes.lineType, 3);
    EXPECT_EQ(s.attributes.penOption, 1);
    EXPECT_EQ(s.attributes.gapColor, 0x80FFFFFFu);
    EXPECT_EQ(s.attributes.opacity, 90);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
}

void WriteLegacyFont(ArchiveWriter& w, const char* face, bool bold) {
  std::uint8_t bytes[37] = {};
  std::memcpy(bytes, face, std::strlen(face));
  bytes[32] = bold;
  bytes[36] = 18;
  w.Write(bytes, 37);
}

TEST(Styles, TextStyleVersionBands) {
  // Before 3058: raw colours, single height, the legacy font record, no marks.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteRaw32(0xFF0000FF);
      w.WriteRaw32(0x7F00FF00);
      float h = 2.5f;
      w.Write(&h, 4);
      WriteLegacyFont(w, "Times", true);
      w.WriteByte(0xEE);
    });
    cStyleText s;
    EXPECT_TRUE(s.Read(m.Reader(), 3055, nullptr));
    EXPECT_EQ(s.attributes.color, 0x0000FFu);
    EXPECT_EQ(s.attributes.secondColor, 0x0000FF00u);
    EXPECT_EQ(s.attributes.height, 2.5);
    EXPECT_EQ(std::u16string(s.attributes.faceName), u"Times");
    EXPECT_EQ(s.attributes.bold, 1);
    EXPECT_EQ(s.attributes.pitchAndFamily, 18);
    EXPECT_EQ(s.builtinMarks, 0);
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // 3070: colours, real height, legacy record, marks, character set.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteColor(0x0000FF);
      w.WriteColor(0x80000000);
      w.WriteReal(4.0);
      WriteLegacyFont(w, "Arial", false);
      w.WriteByte(0x02);
      w.WriteByte(238);
      w.WriteByte(0xEE);
    });
    cStyleText s;
    EXPECT_TRUE(s.Read(m.Reader(), 3070, nullptr));
    EXPECT_EQ(s.attributes.height, 4.0);
    EXPECT_EQ(s.builtinMarks, 0x02);
    EXPECT_EQ(s.attributes.charSet, 238);
    EXPECT_EQ(std::u16string(s.attributes.faceName), u"Arial");
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
  // 3080: optional byte and width factor, no mirror bits, no further byte.
  {
    MemoryArchive m([](ArchiveWriter& w) {
      w.WriteColor(0);
      w.WriteColor(0x80000000);
      WriteOptionalU8(w, 1);
      w.WriteRealOrUnit(0.8);
      w.WriteReal(3.5);
      w.WriteRealOrUnit(0.0);
      w.WriteBits(0b0100, 4);  // italic
      w.WriteByte(0);
      WriteStyleRef<cStyleFont>(w, kNoStyle, nullptr);
      w.WriteString(WString(u"Courier"));
      w.WriteByte(0);
      w.WriteByte(0xEE);
    });
    cStyleText s;
    EXPECT_TRUE(s.Read(m.Reader(), 3080, nullptr));
    EXPECT_EQ(s.attributes.optionalByte, 1);
    EXPECT_EQ(s.attributes.widthFactor, 0.8);
    EXPECT_EQ(s.attributes.italic, 1);
    EXPECT_EQ(s.attributes.mirrorX, 0);
    EXPECT_EQ(std::u16string(s.attributes.faceName), u"Courier");
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  }
}

TEST(Styles, TextStyleFaceNameFromAFileIsCutToItsField) {
  const std::u16string longName(80, u'W');
  MemoryArchive m([&](ArchiveWriter& w) {
    w.WriteColor(0);
    w.WriteColor(0x80000000);
    WriteOptionalU8(w, 255);
    w.WriteRealOrUnit(1.0);
    w.WriteReal(3.0);
    w.WriteRealOrUnit(0.0);
    w.WriteBits(0, 6);
    w.WriteByte(0);
    WriteStyleRef<cStyleFont>(w, kNoStyle, nullptr);
    w.WriteString(WString(std::u16string_view(longName)));
    w.WriteByte(1);
    w.WriteByte(2);
    w.WriteByte(0xEE);
  });
  cStyleText s;
  EXPECT_TRUE(s.Read(m.Reader(), kCurrentFileVersion, nullptr));
  EXPECT_EQ(std::u16string(s.attributes.faceName), std::u16string(kFaceNameUnits - 1, u'W'));
  EXPECT_EQ(s.attributes.faceName[kFaceNameUnits - 1], 0);
  EXPECT_EQ(s.attributes.charSet, 1);
  EXPECT_EQ(s.attributes.pitchAndFamily, 2);
  EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
}

TEST(Styles, TextStyleFontIndexBeyondTheTableBecomesNone) {
  cStyleText s;
  s.attributes.fontIndex = 4;
  MemoryArchive m([&](ArchiveWriter& w) { s.Write(w, nullptr); });
  cDrawingData data;
  data.FontStyles().Add(std::make_unique<cStyleFont>());
  cStyleText r;
  EXPECT_TRUE(r.Read(m.Reader(), kCurrentFileVersion, &data));
  EXPECT_EQ(r.attributes.fontIndex, kNoStyle);
}

TEST(Styles, FontRecordsAreWalkedInStep) {
  std::vector<std::function<void(ArchiveWriter&)>> records = {
      [](ArchiveWriter& w) {  // SHX with its own bytes
        w.WriteByte(0xFF);
        w.WriteBit(true);
        w.WriteBit(true);
        w.WriteRaw32(3);
        w.WriteByte(1);
        w.WriteByte(2);
        w.WriteByte(3);
        w.WriteCompactDouble(8.0);
        w.WriteBit(true);
      },
      [](ArchiveWriter& w) { w.WriteByte(0xFE); },
      [](ArchiveWriter& w) {  // by name
        w.WriteByte(0);
        w.WriteByte(34);
        w.WriteByte(238);
      },
      [](ArchiveWriter& w) {  // font file carried
        w.WriteByte(1);
        w.WriteByte(34);
        w.WriteByte(0);
        w.WriteRaw32(2);
        w.WriteByte(9);
        w.WriteByte(9);
      },
      [](ArchiveWriter& w) {  // outlines carried: one face with one glyph
        w.WriteByte(2);
        w.WriteByte(34);
        w.WriteByte(0);
        w.WriteBit(true);
        w.WriteBit(false);
        w.WriteUInt16(1);
        w.WriteRaw32(0x00200041);
        w.WriteBit(true);
        w.WriteCompactDouble(35.0);
        w.WriteUInt16(2);
        w.WriteUInt16(0x1234);
        w.WriteUInt16(1);
        w.WriteUInt16(u'A');
        w.WriteUInt16(30);
        w.WriteUInt16(3);
        w.WriteByte(1);
        w.WriteByte(2);
        w.WriteByte(3);
        w.WriteBit(false);
        w.WriteBit(false);
        w.WriteBit(false);
      },
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    MemoryArchive m([&](ArchiveWriter& w) {
      records[i](w);
      w.WriteByte(0xEE);
    });
    cStyleFont f;
    EXPECT_TRUE(f.Read(m.Reader(), kCurrentFileVersion, nullptr)) << i;
    EXPECT_EQ(m.Reader().ReadByte(), 0xEE) << i;
  }
  MemoryArchive bad([](ArchiveWriter& w) { w.WriteByte(7); });
  cStyleFont f;
  EXPECT_FALSE(f.Read(bad.Reader(), kCurrentFileVersion, nullptr));

  cStyleFont named;
  cStyleFont back;
  RoundTrip(named, back);
  EXPECT_EQ(back.kind, FontRecordKind::kNoData);
}

TEST(Styles, EveryPrefixOfARecordReadsWithoutCrashing) {
  cStyleLine line;
  line.dashElements.resize(3);
  line.dashElements[1].hasText = true;
  line.dashElements[1].text = u"abc";
  line.hasSymbol = 1;
  cStyleText text;
  cStyleWall wall;
  cStyleFill fill;
  fill.hatchKind = kSymbolHatch;
  fill.hatchLines.resize(2);
  // The cuts that no read of whole bytes crosses: each lies where the
  // missing fields are bit codes whose zeros are valid values, so the
  // record reads without an error (the list around it meets the end of the
  // data next). Every other cut must be refused.
  struct Case {
    const cAnyStyle* style;
    std::size_t size;
    std::vector<std::size_t> readWhole;
  };
  const Case cases[] = {
      {&line, 15, {7, 8, 10, 14}},
      {&text, 10, {}},
      {&wall, 11, {0, 5, 6, 10}},
      {&fill, 10, {6, 7, 8, 9}},
  };
  for (const Case& c : cases) {
    const cAnyStyle* style = c.style;
    auto bytes = Archive([&](ArchiveWriter& w) { style->Write(w, nullptr); });
    ASSERT_EQ(bytes.size(), c.size);
    std::vector<std::size_t> readWhole;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
      MemoryArchive m(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
      std::unique_ptr<cAnyStyle> copy;
      if (style == &line) copy = std::make_unique<cStyleLine>();
      if (style == &text) copy = std::make_unique<cStyleText>();
      if (style == &wall) copy = std::make_unique<cStyleWall>();
      if (style == &fill) copy = std::make_unique<cStyleFill>();
      const bool ok = copy->Read(m.Reader(), kCurrentFileVersion, nullptr);
      // The result is the error flag, and a cut record used up its bytes.
      EXPECT_EQ(ok, !m.Reader().HasError()) << n;
      EXPECT_TRUE(m.Reader().AtEnd()) << n;
      if (ok) readWhole.push_back(n);
    }
    EXPECT_EQ(readWhole, c.readWhole) << "record of " << bytes.size() << " bytes";
  }
}

// ---- attributes from objects, appliers ----

TEST(Styles, SetFromObject) {
  cDrawingData data;
  data.SetScale(-1.0);
  Probe o;
  StrokeFields stroke;
  stroke.lineType = 0x85;
  stroke.color = 0x00FF00;
  stroke.width = 0.7;
  stroke.patternScale = 2.0;
  stroke.penOption = 1;
  cStyleLine line;
  line.hasSymbol = 1;
  line.dashElements.resize(2);
  line.SetFromObject(o, stroke, &data);
  EXPECT_EQ(line.lineType, 5);
  EXPECT_EQ(line.color, 0x00FF00u);
  EXPECT_EQ(line.width, 0.7);
  EXPECT_EQ(line.patternScale, 2.0);
  EXPECT_EQ(line.penOption, 1);
  EXPECT_EQ(line.hasSymbol, 0);
  EXPECT_TRUE(line.dashElements.empty());

  cStyleLine byObject;
  byObject.byObject = 1;
  byObject.SetFromObject(o, stroke, &data);
  EXPECT_EQ(byObject.patternScale, 1.0);  // drawing scale not positive
  EXPECT_EQ(byObject.color, 0u);
  data.SetScale(50.0);
  byObject.SetFromObject(o, stroke, &data);
  EXPECT_EQ(byObject.patternScale, 50.0);

  FillFields fill;
  fill.hatchKind = 6;
  fill.fillColor = 0x0000FF;
  fill.opacity = 10;
  fill.hatchColor = 0x00FFFF;
  fill.hatchValue = 0.5;
  fill.hatchScale = 3.0;
  cStyleFill f;
  f.SetFromObject(o, fill, nullptr);
  EXPECT_EQ(f.hatchKind, 6);
  EXPECT_EQ(f.fillColor, 0x0000FFu);
  EXPECT_EQ(f.opacity, 10);
  EXPECT_EQ(f.hatchScale, 3.0);
  cStyleFill fb;
  fb.byObject = 1;
  fb.SetFromObject(o, fill, &data);
  EXPECT_EQ(fb.hatchKind, 6);
  EXPECT_EQ(fb.hatchScale, 50.0);
  EXPECT_EQ(fb.fillColor, 0x80000000u);
}

TEST(Styles, DrawAttributesAppliers) {
  DrawAttributes a;
  a.lineType = 4;
  a.color = 0x0000FF;
  a.width = 0.9;
  a.fillColor = 0x00FF00;
  a.hatchKind = 2;
  a.opacity = 50;

  Probe o;
  StrokeFields stroke;
  o.SetFlag(kFlagDirty, false);
  a.ApplyLineTo(o, stroke);
  EXPECT_EQ(o.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(stroke.lineType, 4);
  EXPECT_EQ(stroke.width, 0.9);
  EXPECT_TRUE(o.HasFlag(kFlagDirty));
  a.lineStyle = 3;
  a.ApplyLineTo(o, stroke);
  EXPECT_NE(o.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(stroke.lineStyle, 3);

  FillFields fill;
  o.SetFlag(kFlagDirty, false);
  a.ApplyFillTo(o, fill);
  EXPECT_EQ(o.TypeByte() & kTypeStyledFill, 0);
  EXPECT_FALSE(o.HasFlag(kFlagDirty));
  EXPECT_EQ(fill.fillColor, 0x00FF00u);
  EXPECT_EQ(fill.hatchKind, 2);
  EXPECT_EQ(fill.opacity, 50);
  a.fillStyle = 1;
  a.ApplyFillTo(o, fill);
  EXPECT_NE(o.TypeByte() & kTypeStyledFill, 0);
  EXPECT_EQ(fill.fillStyle, 1);
  EXPECT_TRUE(o.HasFlag(kFlagDirty));
}

TEST(Styles, ApplyLineCheckedKeepsTheBitOnlyForAStyleThatExists) {
  LineStyleTable table;
  table.Add(std::make_unique<cStyleLine>());
  DrawAttributes link;
  link.lineType = 6;
  link.color = 0x0000FF;
  link.width = 0.4;

  Probe o;
  StrokeFields stroke;
  stroke.color = 0x111111;
  link.ApplyLineChecked(&table, o, stroke);  // no line style: colours copied
  EXPECT_EQ(o.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(stroke.color, 0x0000FFu);
  EXPECT_EQ(stroke.lineType, 6);

  stroke.color = 0x111111;
  link.lineStyle = 0;
  link.ApplyLineChecked(&table, o, stroke);
  EXPECT_NE(o.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(stroke.lineStyle, 0);
  EXPECT_EQ(stroke.color, 0x111111u);
  EXPECT_EQ(stroke.width, 0.4);

  link.lineStyle = 5;  // not in the table
  link.ApplyLineChecked(&table, o, stroke);
  EXPECT_EQ(o.TypeByte() & kTypeStyledStroke, 0);
  stroke.formerLineStyle = 0;  // the former index inside the table is tested
  link.ApplyLineChecked(&table, o, stroke);
  EXPECT_NE(o.TypeByte() & kTypeStyledStroke, 0);
  link.ApplyLineChecked(nullptr, o, stroke);
  EXPECT_NE(o.TypeByte() & kTypeStyledStroke, 0);
}

TEST(Styles, WallTakesFillAttributesFromWhatTheObjectShows) {
  cDrawingData data;
  auto style = std::make_unique<cStyleFill>();
  style->fillColor = 0x0000FF;
  style->hatchColor = 0x00FF00;
  style->hatchKind = 8;
  style->hatchScale = 5.0;
  data.FillStyles().Add(std::move(style));

  Probe o;
  o.SetTypeByteSourceBits(kTypeStyledFill);
  FillFields fill;
  fill.fillStyle = 0;
  fill.fillColor = 0x111111;
  fill.hatchColor = 0x222222;
  fill.hatchKind = 1;
  fill.ownHatchColor = 1;
  cStyleWall wall;
  wall.attributes.fillStyle = 4;
  wall.TakeFillAttributes(o, fill, &data);
  EXPECT_EQ(wall.attributes.fillStyle, kNoStyle);
  EXPECT_EQ(wall.attributes.fillColor, 0x0000FFu);
  EXPECT_EQ(wall.attributes.hatchColor, 0x222222u);
  EXPECT_EQ(wall.attributes.hatchKind, 8);
  EXPECT_EQ(wall.attributes.hatchScale, 5.0);

  data.FillStyles().Get(0)->byObject = 1;
  wall.TakeFillAttributes(o, fill, &data);
  EXPECT_EQ(wall.attributes.fillColor, 0x111111u);
  EXPECT_EQ(wall.attributes.hatchKind, 8);  // the kind still from the style
  EXPECT_EQ(wall.attributes.hatchScale, 1.0);
}

// ---- hatch sample and pattern cache ----

struct SampleRecord {
  int calls = 0;
  std::uint8_t kind = 0;
  double scale = 0;
  double value = -1;
  double symbolScale = -1;
  std::uint32_t fill = 0;
  int whitePixels = 0;
  int size = 100;
};
SampleRecord sample;

std::unique_ptr<BlockPicture> FakePainter(cDrawingData* data, cBlock*, int width, int height,
                                          std::uint32_t background) {
  ++sample.calls;
  const cStyleFill* style = data->FillStyles().Get(0);
  if (!style || data->FillStyles().Count() != 1) return nullptr;
  sample.kind = style->hatchKind;
  sample.scale = style->hatchScale;
  sample.value = style->hatchValue;
  sample.symbolScale = style->symbolScale;
  sample.fill = style->fillColor;
  auto picture = std::make_unique<BlockPicture>();
  picture->width = width == 100 ? sample.size : width;
  picture->height = height;
  picture->pixels.assign(std::size_t(picture->width) * std::size_t(height), 0);
  for (int i = 0; i < sample.whitePixels && i < int(picture->pixels.size()); ++i) {
    picture->pixels[std::size_t(i)] = background;
  }
  return picture;
}

TEST(Styles, IsSparseAtScaleCountsWhitePixels) {
  cStyleFill style;
  style.hatchKind = 3;
  style.fillColor = 0x0000FF;
  style.hatchValue = 0.5;
  EXPECT_FALSE(style.IsSparseAtScale(2.0));  // no painter: no picture

  SetRenderBlockToDib(&FakePainter);
  sample = SampleRecord{};
  sample.whitePixels = 8550;  // 85.5 % rounds to 86
  EXPECT_TRUE(style.IsSparseAtScale(2.0));
  EXPECT_EQ(sample.calls, 1);
  EXPECT_EQ(sample.kind, kSymbolHatch);
  EXPECT_EQ(sample.scale, 2.0);
  EXPECT_EQ(sample.value, 0.0);
  EXPECT_EQ(sample.symbolScale, 0.0);
  EXPECT_EQ(sample.fill, 0x80000000u);
  EXPECT_EQ(style.hatchKind, 3);  // the style itself is untouched

  sample.whitePixels = 8549;  // 85.49 % rounds to 85: not above
  EXPECT_FALSE(style.IsSparseAtScale(2.0));
  sample.whitePixels = 10000;
  sample.size = 50;  // a picture of another size than asked
  EXPECT_TRUE(style.IsSparseAtScale(2.0));
  SetRenderBlockToDib(nullptr);
}

class FakeGlyphs : public GlyphOutlineSource {
 public:
  bool GetGlyph(const cDrawingData*, std::uint16_t, char16_t code, std::vector<CubicArray>& contours,
                double& advance, double& unitsPerEm) override {
    if (code == u'?') return false;
    CubicArray c;
    c.Append64(Cubic::Straight(DPoint{0, 0}, DPoint{0, 1000}));  // a vertical bar one em high
    contours.push_back(std::move(c));
    advance = 500;
    unitsPerEm = 1000;
    return true;
  }
};

TEST(Styles, PatternCacheOutlinesTheElementTexts) {
  cStyleLine line;
  LineDashElement e;
  e.hasText = true;
  e.text = u"I?I";
  e.scale = 2.0;
  e.offsetX = 1.0;
  line.dashElements = {LineDashElement{}, e};

  line.BuildPatternCache(nullptr);
  EXPECT_EQ(line.PatternCache(), nullptr);  // no glyph source yet

  FakeGlyphs glyphs;
  SetGlyphOutlineSource(&glyphs);
  line.BuildPatternCache(nullptr);
  SetGlyphOutlineSource(nullptr);
  const LinePatternCache* cache = line.PatternCache();
  ASSERT_NE(cache, nullptr);
  ASSERT_EQ(cache->pieces.size(), 1u);
  EXPECT_EQ(cache->pieces[0].element, 1u);
  ASSERT_EQ(cache->pieces[0].contours.size(), 2u);
  // The second bar: advanced by half an em (the unknown glyph adds nothing),
  // 2 units high, mirrored in y, shifted by the offset.
  const Cubic& bar = cache->pieces[0].contours[1][0];
  EXPECT_DOUBLE_EQ(bar.Start().x, 2.0);
  EXPECT_DOUBLE_EQ(bar.End().y, -2.0);
  EXPECT_DOUBLE_EQ(cache->reach, std::hypot(2.0, 2.0));

  line.Scale(2.0);
  EXPECT_EQ(line.PatternCache(), nullptr);  // a change drops the cache
}

}  // namespace
}  // namespace kvn
