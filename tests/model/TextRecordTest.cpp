#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectChain.h"
#include "model/ObjectList.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

// Reads a text record (after the type byte) of the given version; `styled`
// is the type byte's bit 7 that the list reader copies in before Read.
std::unique_ptr<cText> ReadText(const std::function<void(ArchiveWriter&)>& write, int version, bool styled = false,
                                cDrawingData* data = nullptr, bool expectMarker = true) {
  auto text = std::make_unique<cText>();
  if (styled) text->SetTypeByteSourceBits(kTypeStyledStroke);
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    write(w);
    w.WriteBits(0x2A, 6);  // a marker right behind the record
  });
  EXPECT_TRUE(text->Read(nullptr, data, a.Reader(), version).Empty());
  if (expectMarker) {
    EXPECT_EQ(a.Reader().ReadBits(6), 0x2Au) << "the record read a different number of bits";
    EXPECT_FALSE(a.Reader().HasError());
  }
  return text;
}

std::unique_ptr<cText> RoundTrip(const cText& text, cDrawingData* writeData = nullptr,
                                 cDrawingData* readData = nullptr) {
  auto bytes = test::Archive([&](ArchiveWriter& w) { text.Write(writeData, w); });
  MemoryArchive a(bytes);
  const std::uint8_t type = a.Reader().ReadByte();
  EXPECT_EQ(type & kTypeCodeMask, kTypeText);
  std::unique_ptr<cOutObj> object(cOutObj::Create(type & kTypeCodeMask, true));
  object->SetTypeByteSourceBits(type);
  EXPECT_TRUE(object->Read(nullptr, readData, a.Reader(), kCurrentFileVersion).Empty());
  EXPECT_FALSE(a.Reader().HasError());
  return std::unique_ptr<cText>(static_cast<cText*>(object.release()));
}

// The fields of the current form from alignment to colour, at a version.
struct CurrentHead {
  std::uint8_t alignment = 0;
  DPoint point;
  double angle = 0;
  double height = 3.0;
  std::u16string text;
  double lineSpacing = 1.0;
  double wrapWidth = 0;
  double widthFactor = 1.0;
  std::uint32_t color = 0x80000000;
};
void WriteHead(ArchiveWriter& w, int version, const CurrentHead& h) {
  w.WriteByte(h.alignment);
  w.WriteRealPoint(h.point);
  w.WriteCompactDouble(h.angle);
  w.WriteCompactDouble(h.height);
  if (version < 3073) {
    // The long string form: compact u32 length.
    w.WriteCompactU32(std::uint32_t(h.text.size()));
    for (char16_t c : h.text) {
      if (c < 0x80) {
        w.WriteByte(std::uint8_t(c));
      } else {
        w.WriteBit(true);
        w.WriteUInt16(c);
      }
    }
  } else {
    w.WriteString(WString(std::u16string_view(h.text)));
  }
  if (version >= 3065) {
    w.WriteBit(false);
    w.WriteRealOrUnit(h.lineSpacing);
    w.WriteCompactDouble(h.wrapWidth);
  }
  if (version >= 3079) {
    w.WriteRealOrUnit(h.widthFactor);
    w.WriteColor(h.color);
  }
}

TEST(TextRecord, Defaults) {
  cText text;
  EXPECT_EQ(text.TypeCode(), kTypeText);
  EXPECT_EQ(text.AsText(), &text);
  EXPECT_EQ(text.attr.height, 3.0);
  EXPECT_EQ(text.attr.widthFactor, 1.0);
  EXPECT_EQ(text.attr.color, 0u);
  EXPECT_EQ(text.attr.fontIndex, 65535);
  EXPECT_EQ(text.attr.textStyle, 0);
  EXPECT_EQ(text.lineSpacing, 1.0);
  EXPECT_EQ(text.angle, 0.0);
  EXPECT_EQ(text.textChanged, 1);
  EXPECT_EQ(text.lineStarts.Count(), 0u);
  EXPECT_TRUE(text.GetText().IsEmpty());
  std::unique_ptr<cOutObj> made(cOutObj::Create(21, true));
  ASSERT_NE(made, nullptr);
  EXPECT_NE(made->AsText(), nullptr);
}

TEST(TextRecord, RoundTripWithOwnFace) {
  cText text;
  text.alignment = 0x10 | 7;
  text.point = {12.5, -3.25};
  text.angle = 30;
  text.attr.height = 2.5;
  text.SetText(WString(u"Zkou\u0161ka\nsecond line"));
  text.lineSpacing = 1.5;
  text.wrapWidth = 40;
  text.attr.widthFactor = 0.8;
  text.attr.color = 0x00FF00;
  text.attr.styleBits = 0x07 | 0x40;
  text.faceName = WString(u"Liberation Serif");
  text.pitchAndFamily = 0x12;
  text.charset = 238;
  text.attr.mirrorX = 1;
  text.attr.mirrorY = 1;
  text.SetLevel(9);
  auto back = RoundTrip(text);
  EXPECT_EQ(back->alignment, 0x17);
  EXPECT_EQ(back->point, text.point);
  EXPECT_EQ(back->angle, 30.0);
  EXPECT_EQ(back->attr.height, 2.5);
  EXPECT_EQ(back->GetText(), text.GetText());
  EXPECT_EQ(back->lineSpacing, 1.5);
  EXPECT_EQ(back->wrapWidth, 40.0);
  EXPECT_EQ(back->attr.widthFactor, 0.8);
  EXPECT_EQ(back->attr.color, 0x00FF00u);
  EXPECT_EQ(back->attr.styleBits, 0x47);
  EXPECT_EQ(back->attr.fontIndex, 65535);
  EXPECT_EQ(back->faceName, WString(u"Liberation Serif"));
  EXPECT_EQ(back->pitchAndFamily, 0x12);
  EXPECT_EQ(back->charset, 238);
  EXPECT_EQ(back->attr.mirrorX, 1);
  EXPECT_EQ(back->attr.mirrorY, 1);
  EXPECT_EQ(back->Level(), 9);
  EXPECT_TRUE(back->IsBold(nullptr));
  EXPECT_TRUE(back->IsUnderline(nullptr));
  EXPECT_FALSE(back->IsItalic(nullptr));
  ByteArray a, b;
  EXPECT_TRUE(text.IsSameRecord(*back, a, b));

  cText copy;
  copy.Assign(text);
  EXPECT_TRUE(text.IsSameRecord(copy, a, b));
  EXPECT_EQ(copy.lineStarts.Count(), 0u);
}

TEST(TextRecord, RoundTripStyledAndWithAFont) {
  DataRef write;
  auto font = std::make_unique<cStyleFont>();
  font->name = WString(u"Arial");
  write.data->FontStyles().Add(std::move(font));
  auto style = std::make_unique<cStyleText>();
  style->name = WString(u"T1");
  style->attributes.height = 5.0;
  write.data->TextStyles().Add(std::move(style));
  ResetStyleWriteNumbers(*write.data);

  cText withFont;
  withFont.attr.fontIndex = 0;
  withFont.SetText(WString(u"a"));
  DataRef read;
  auto back = RoundTrip(withFont, write.data, read.data);
  EXPECT_EQ(back->attr.fontIndex, 0);
  ASSERT_EQ(read.data->FontStyles().Count(), 1u);
  EXPECT_EQ(back->GetFaceName(read.data), WString(u"Arial"));

  cText styled;
  styled.SetTypeByteSourceBits(kTypeStyledStroke);
  styled.attr.textStyle = 0;
  styled.attr.height = 0;
  back = RoundTrip(styled, write.data, read.data);
  EXPECT_EQ(back->TypeByte() & kTypeStyledStroke, kTypeStyledStroke);
  EXPECT_EQ(back->attr.textStyle, 0);
  ASSERT_EQ(read.data->TextStyles().Count(), 1u);
  EXPECT_EQ(back->GetHeight(read.data), 5.0);

  // A font index beyond the table falls back to the own face.
  cText beyond;
  beyond.attr.fontIndex = 7;
  DataRef empty;
  back = RoundTrip(beyond, nullptr, empty.data);
  EXPECT_EQ(back->attr.fontIndex, 65535);
}

TEST(TextRecord, CharsetByteFrom3108) {
  for (int version : {3108, 3107}) {
    auto text = ReadText(
        [&](ArchiveWriter& w) {
          CurrentHead h;
          h.text = u"x";
          WriteHead(w, version, h);
          w.WriteByte(0);                        // attribute bits
          w.WriteBit(false);                     // font index 65535
          w.WriteString(WString(u"Courier New"));
          w.WriteByte(0x31);
          if (version >= 3108) w.WriteByte(204);
          w.WriteBit(true);                      // mirror X
          w.WriteBit(false);
        },
        version);
    SCOPED_TRACE(version);
    EXPECT_EQ(text->faceName, WString(u"Courier New"));
    EXPECT_EQ(text->pitchAndFamily, 0x31);
    EXPECT_EQ(text->charset, version >= 3108 ? 204 : 0);
    EXPECT_EQ(text->attr.mirrorX, 1);
  }
}

TEST(TextRecord, SkippedTextAndLaterFields) {
  auto text = ReadText(
      [&](ArchiveWriter& w) {
        w.WriteByte(1);
        w.WriteRealPoint({1, 2});
        w.WriteCompactDouble(0);
        w.WriteCompactDouble(2.0);
        w.WriteString(WString(u"abc"));
        w.WriteBit(true);
        w.WriteCompactU16(3);
        for (int i = 0; i < 6; ++i) w.WriteByte(0xEE);
        w.WriteRealOrUnit(2.0);
        w.WriteCompactDouble(50);
        w.WriteRealOrUnit(0.5);
        w.WriteColor(0x0000FF);
        w.WriteByte(0x10);
        w.WriteBit(false);
        w.WriteString(WString(u"F"));
        w.WriteByte(0);
        w.WriteByte(0);
        w.WriteBits(0, 2);
      },
      3111);
  EXPECT_EQ(text->GetText(), WString(u"abc"));
  EXPECT_EQ(text->lineSpacing, 2.0);
  EXPECT_EQ(text->wrapWidth, 50.0);
  EXPECT_EQ(text->attr.widthFactor, 0.5);
  EXPECT_EQ(text->attr.color, 0x0000FFu);
  EXPECT_TRUE(text->IsItalic(nullptr));

  // A skipped text longer than the data is refused, not skipped into nowhere.
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3111, test::HeaderFixture{});
    w.WriteByte(0);
    w.WriteRealPoint({});
    w.WriteCompactDouble(0);
    w.WriteCompactDouble(1);
    w.WriteString(WString(u"t"));
    w.WriteBit(true);
    w.WriteCompactU16(60000);
  });
  cText damaged;
  EXPECT_TRUE(damaged.Read(nullptr, nullptr, a.Reader(), 3111).Empty());
  EXPECT_TRUE(a.Reader().HasError());
  EXPECT_EQ(damaged.GetText(), WString(u"t"));
}

TEST(TextRecord, FileNameFieldsOfOldTexts) {
  WString s(u"A [/<file:name>\\] B [/<soubor:n\u00e1zev>\\] C [/<S\u00daBOR:N\u00c1ZOV>\\] [/<FILE:NAME>\\]");
  UpgradeFileNameFields(s, 3108);
  EXPECT_EQ(s, WString(u"A [/<file:name>\\].kvn B [/<soubor:n\u00e1zev>\\].kvn C [/<S\u00daBOR:N\u00c1ZOV>\\].kvn "
                       u"[/<FILE:NAME>\\].kvn"));
  WString newer(u"[/<file:name>\\]");
  UpgradeFileNameFields(newer, 3109);
  EXPECT_EQ(newer, WString(u"[/<file:name>\\]"));

  auto text = ReadText(
      [&](ArchiveWriter& w) {
        CurrentHead h;
        h.text = u"[/<file:name>\\]";
        WriteHead(w, 3100, h);
        w.WriteByte(0);
        w.WriteBit(false);
        w.WriteString(WString(u"Arial"));
        w.WriteByte(0);
        w.WriteBits(0, 2);
      },
      3100);
  EXPECT_EQ(text->GetText(), WString(u"[/<file:name>\\].kvn"));
}

TEST(TextRecord, OldFontNumbersBefore3077) {
  // 3070: colour, attribute bits, old font number 255 with an 8-bit face and
  // (from 3065) the pitch-and-family byte; a styled text a compact index.
  auto text = ReadText(
      [&](ArchiveWriter& w) {
        CurrentHead h;
        h.text = u"t";
        h.height = 0;  // nothing to convert
        WriteHead(w, 3070, h);
        w.WriteColor(0x00FF00);
        w.WriteByte(0x10);
        w.WriteByte(255);
        test::WriteCString(w, "Caf\xe9 Sans");
        w.WriteByte(0x22);
      },
      3070);
  EXPECT_EQ(text->attr.color, 0x00FF00u);
  EXPECT_EQ(text->faceName, WString(u"Caf\u00e9 Sans"));
  EXPECT_EQ(text->pitchAndFamily, 0x22);
  EXPECT_EQ(text->attr.fontIndex, 65535);

  text = ReadText(
      [&](ArchiveWriter& w) {
        CurrentHead h;
        h.height = 0;
        WriteHead(w, 3064, h);
        w.WriteColor(0);
        w.WriteByte(0);
        w.WriteByte(1);  // family kind 1
      },
      3064);
  EXPECT_EQ(text->faceName, WString(u"Courier New"));
  EXPECT_EQ(text->pitchAndFamily, 0x31);

  text = ReadText(
      [&](ArchiveWriter& w) {
        CurrentHead h;
        h.height = 0;
        WriteHead(w, 3075, h);
        w.WriteCompactU16(4);
      },
      3075, true);
  EXPECT_EQ(text->attr.textStyle, 4);
  EXPECT_EQ(text->attr.color, 0x80000000u);
}

TEST(TextRecord, OldHeightsBecomeCapHeights) {
  // Arial regular: cap 34.375 / 48 of the em, leading 2 / 48.
  auto readAt = [](std::uint8_t alignment, double angle) {
    return ReadText(
        [&](ArchiveWriter& w) {
          CurrentHead h;
          h.alignment = alignment;
          h.point = {100, 50};
          h.angle = angle;
          h.height = 10;
          h.text = u"x";
          WriteHead(w, 3070, h);
          w.WriteColor(0);
          w.WriteByte(0);
          w.WriteByte(0);  // family kind 0: Arial
        },
        3070);
  };
  auto row0 = readAt(1, 0);
  EXPECT_DOUBLE_EQ(row0->attr.height, 7.161);
  EXPECT_EQ(row0->point, (DPoint{100, 50}));

  // Row 2 moves by the whole converted descent (10 x 2 / 48 = 0.4167 after
  // rounding) along the text's y axis.
  auto row2 = readAt(6, 0);
  EXPECT_DOUBLE_EQ(row2->attr.height, 7.161);
  EXPECT_NEAR(row2->point.x, 100, 1e-12);
  EXPECT_NEAR(row2->point.y, 50 - 0.4167, 1e-12);
  auto row1 = readAt(4, 0);
  EXPECT_NEAR(row1->point.y, 50 - 0.2083, 1e-12);
  // The offset (0, d) is turned by minus the text angle before it is taken
  // off the point.
  auto turned = readAt(6, 90);
  EXPECT_NEAR(turned->point.x, 100 - 0.4167, 1e-9);
  EXPECT_NEAR(turned->point.y, 50, 1e-9);
  // Row 3 (baseline) keeps its point.
  auto row3 = readAt(9, 0);
  EXPECT_EQ(row3->point, (DPoint{100, 50}));
}

// ---- the old form before 3061 ----

TEST(TextRecord, OldFormUnstyled) {
  auto text = ReadText(
      [&](ArchiveWriter& w) {
        w.WriteByte(3);                    // alignment (from 3056)
        test::WriteFloatPoint(w, 1.5, 2.5);
        test::WriteFloat(w, 45);
        w.WriteRaw32(0xFF0000FF);          // colour: low 24 bits
        test::WriteFloat(w, 0);            // height 0: nothing to convert
        w.WriteByte(0x20);
        w.WriteByte(2);                    // family kind 2
        test::WriteWString16(w, u"wide \u010d");
      },
      3058);
  EXPECT_EQ(text->alignment, 3);
  EXPECT_EQ(text->point, (DPoint{1.5, 2.5}));
  EXPECT_EQ(text->angle, 45.0);
  EXPECT_EQ(text->attr.color, 0x0000FFu);
  EXPECT_TRUE(text->IsStrikeOut(nullptr));
  EXPECT_EQ(text->GetText(), WString(u"wide \u010d"));
  EXPECT_EQ(text->faceName, WString(u"Times New Roman"));
  EXPECT_EQ(text->pitchAndFamily, 0x12);
}

TEST(TextRecord, OldFormEightBitTextInItsCharset) {
  // 3051: no alignment; frame word (bit 31 set: none); an 8-bit text; font
  // number 255 reads a charset byte and an 8-bit face name.
  auto write = [](ArchiveWriter& w) {
    test::WriteFloatPoint(w, 0, 0);
    test::WriteFloat(w, 0);
    w.WriteRaw32(0);
    test::WriteFloat(w, 0);
    w.WriteByte(0);
    w.WriteByte(255);
    w.WriteRaw32(0x80000000);
    test::WriteCString(w, "\xe8\x9a");  // c-caron and s-caron in code page 1250
    w.WriteByte(238);                    // EASTEUROPE_CHARSET
    test::WriteCString(w, "Arial CE");
  };
  DataRef d;
  auto text = ReadText(write, 3051, false, d.data);
  EXPECT_EQ(text->GetText(), WString(u"\u010d\u0161"));
  EXPECT_EQ(text->faceName, WString(u"Arial CE"));
  EXPECT_EQ(text->charset, 0);
  // Without drawing data the text is kept as well.
  text = ReadText(write, 3051);
  EXPECT_EQ(text->GetText(), WString(u"\u010d\u0161"));
}

TEST(TextRecord, OldFormStyled) {
  DataRef d;
  auto style = std::make_unique<cStyleText>();
  style->attributes.charSet = 204;  // Cyrillic
  d.data->TextStyles().Add(std::move(style));
  auto text = ReadText(
      [&](ArchiveWriter& w) {
        test::WriteFloatPoint(w, 3, 4);
        test::WriteFloat(w, -30);
        w.WriteUInt16(0);
        test::WriteFloat(w, 0);
        test::WriteCString(w, "\xc0");  // A in code page 1251
      },
      3050, true, d.data);
  EXPECT_EQ(text->attr.textStyle, 0);
  EXPECT_EQ(text->angle, -30.0);
  EXPECT_EQ(text->point, (DPoint{3, 4}));
  EXPECT_EQ(text->GetText(), WString(u"\u0410"));
}

TEST(TextRecord, FramedTextsBefore3054) {
  auto write = [](ArchiveWriter& w) {
    test::WriteFloatPoint(w, 0, 0);
    test::WriteFloat(w, 0);
    w.WriteRaw32(0x000000FF);
    test::WriteFloat(w, 10);
    w.WriteByte(0);
    w.WriteByte(0);                   // Arial
    w.WriteRaw32(0x0000FF00);         // a green frame
    test::WriteWString16(w, u"F");
  };
  // With drawing data the frame becomes a text style the text then uses.
  DataRef d;
  auto text = ReadText(write, 3053, false, d.data);
  ASSERT_EQ(d.data->TextStyles().Count(), 1u);
  EXPECT_EQ(text->TypeByte() & kTypeStyledStroke, kTypeStyledStroke);
  EXPECT_EQ(text->attr.textStyle, 0);
  const cStyleText* style = d.data->TextStyles().Get(0);
  EXPECT_EQ(style->attributes.secondColor, 0x00FF00u);
  EXPECT_DOUBLE_EQ(style->attributes.height, 7.161);
  EXPECT_DOUBLE_EQ(text->attr.height, 7.161);  // the old-height step still runs

  // Without drawing data the height is converted once, and the record gives
  // way to its frame as a polygon followed by the text.
  cText read;
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3053, test::HeaderFixture{});
    write(w);
  });
  ObjectChain chain = read.Read(nullptr, nullptr, a.Reader(), 3053);
  ASSERT_EQ(chain.Count(), 2u);
  const cPolygon* frame = dynamic_cast<const cPolygon*>(chain.Head());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->fill.fillColor, 0x00FF00u);
  EXPECT_EQ(frame->stroke.lineType, 0);
  EXPECT_TRUE(frame->FirstList().IsClosed());
  EXPECT_EQ(frame->FirstList().Count(), 4u);
  const cText* copy = chain.Head()->next->AsText();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_DOUBLE_EQ(copy->attr.height, 7.161);
  EXPECT_EQ(copy->GetText().ToUtf8(), "F");
}

TEST(TextRecord, DamagedRecordsReadSafely) {
  cText text;
  text.SetText(WString(u"some text \u00e9"));
  text.faceName = WString(u"Face");
  auto whole = test::Archive([&](ArchiveWriter& w) { text.Write(nullptr, w); });
  for (std::size_t n = 1; n < whole.size(); ++n) {
    cText back;
    MemoryArchive a(std::vector<std::uint8_t>(whole.begin() + 1, whole.begin() + std::ptrdiff_t(n)));
    back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
    // Behind its type byte in a list: the cut is reported, the text kept.
    MemoryArchive listed(std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
    ObjectChain chain;
    EXPECT_FALSE(ReadObjectList(listed.Reader(), nullptr, kCurrentFileVersion, chain)) << n;
    ASSERT_NE(chain.Head(), nullptr) << n;
    EXPECT_EQ(chain.Head()->TypeCode(), kTypeText) << n;
    EXPECT_EQ(chain.Head()->next, nullptr) << n;
  }
  std::vector<std::uint8_t> noise(200, 0xFF);
  for (int version : {3040, 3051, 3053, 3058, 3061, 3066, 3075, 3100, 3111}) {
    for (bool styled : {false, true}) {
      cText back;
      if (styled) back.SetTypeByteSourceBits(kTypeStyledStroke);
      MemoryArchive a(noise);
      back.Read(nullptr, nullptr, a.Reader(), version);
      EXPECT_LE(back.GetText().Length(), kMaxTextLength);
    }
  }
}

// ---- the object ----

TEST(TextRecord, SetTextKeeps32000Units) {
  cText text;
  text.SetText(WString(std::u16string(40000, u'a')));
  EXPECT_EQ(text.GetText().Length(), 32000);
  text.SetText(WString(u"a\rb\r\nc\td"));
  text.SanitizeText();
  EXPECT_EQ(text.GetText(), WString(u"a b\r\nc d"));
  EXPECT_EQ(text.GetLineCount(nullptr), 2);
}

TEST(TextRecord, RotateAndMove) {
  cText text;
  text.point = {10, 0};
  text.angle = 170;
  EXPECT_TRUE(text.Rotate({}, {0, 0}, -20));
  EXPECT_NEAR(text.point.x, 10 * std::cos(-M_PI / 9), 1e-12);
  EXPECT_NEAR(text.point.y, 10 * std::sin(-M_PI / 9), 1e-12);
  EXPECT_DOUBLE_EQ(text.angle, -170.0);  // 190 brought back into (-180, 180]

  text.alignment = kAlignKeepAngle | 4;
  text.point = {10, 0};
  EXPECT_TRUE(text.Rotate({}, {0, 0}, 90));
  EXPECT_NEAR(text.point.x, 0, 1e-12);
  EXPECT_NEAR(text.point.y, 10, 1e-12);
  EXPECT_DOUBLE_EQ(text.angle, -170.0);

  DRect before;
  text.GetExtentUpdated(nullptr, before);
  text.Move({1, 1});
  DRect r;
  text.GetExtentUpdated(nullptr, r);
  EXPECT_NEAR(r.x1, before.x1 + 1, 1e-12);
  EXPECT_NEAR(r.y1, before.y1 + 1, 1e-12);
  EXPECT_NEAR(r.x2, before.x2 + 1, 1e-12);
  EXPECT_NEAR(r.y2, before.y2 + 1, 1e-12);
}

TEST(TextRecord, DetachFromStyleKeepsOwnValues) {
  DataRef d;
  auto style = std::make_unique<cStyleText>();
  style->attributes.height = 4.0;
  style->attributes.color = 0x0000FF;
  style->attributes.bold = 1;
  style->attributes.fontIndex = 65535;
  SetFaceName(style->attributes, u"Style Face", 10);
  d.data->TextStyles().Add(std::move(style));

  cText text;
  text.SetTypeByteSourceBits(kTypeStyledStroke);
  text.attr.textStyle = 0;
  text.attr.height = 0;          // unset: the style's
  text.attr.widthFactor = 2.0;   // set: kept
  text.attr.color = 0x80000000;  // unset: the style's
  text.DetachFromStyle(d.data);
  EXPECT_EQ(text.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(text.attr.height, 4.0);
  EXPECT_EQ(text.attr.widthFactor, 2.0);
  EXPECT_EQ(text.attr.color, 0x0000FFu);
  EXPECT_TRUE(text.IsBold(nullptr));
  EXPECT_EQ(text.faceName, WString(u"Style Face"));
  EXPECT_EQ(text.attr.fontIndex, 65535);
}

}  // namespace
}  // namespace kvn
