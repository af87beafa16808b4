#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectChain.h"
#include "model/ObjectList.h"
#include "model/ReadState.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/RecordingDrawInfo.h"

namespace kvn {
namespace {

using test::HeaderFixture;
using test::LinePartFixture;
using test::MemoryArchive;

// A cLine record of an old version: header, line part, points.
std::vector<std::uint8_t> LineRecordAt(int version, const LinePartFixture& part, DPoint a, DPoint b) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, HeaderFixture{});
    test::WriteLinePartAt(w, version, part);
    if (version >= 3061) {
      w.WriteRealPoint(a);
      w.WriteDeltaPoint(b, a);
    } else {
      test::WriteFloatPoint(w, a.x, a.y);
      test::WriteFloatPoint(w, b.x, b.y);
    }
  });
}

// Reads a line record; the type byte's source bits are those the list reader
// copies before Read.
std::unique_ptr<cLine> ReadLine(const std::vector<std::uint8_t>& bytes, int version, bool styled = false,
                                cDrawingData* data = nullptr, ReadContext* context = nullptr) {
  auto line = std::make_unique<cLine>();
  if (styled) line->SetTypeByteSourceBits(kTypeStyledStroke);
  MemoryArchive a(bytes);
  EXPECT_TRUE(line->Read(context, data, a.Reader(), version).Empty());
  return line;
}

std::unique_ptr<cLine> RoundTrip(const cLine& line, cDrawingData* writeData = nullptr,
                                 cDrawingData* readData = nullptr) {
  auto bytes = test::Archive([&](ArchiveWriter& w) { line.Write(writeData, w); });
  MemoryArchive a(bytes);
  std::uint8_t type = a.Reader().ReadByte();
  EXPECT_EQ(type & kTypeCodeMask, kTypeLine);
  std::unique_ptr<cOutObj> read(cOutObj::Create(type & kTypeCodeMask, true));
  read->SetTypeByteSourceBits(type);
  EXPECT_TRUE(read->Read(nullptr, readData, a.Reader(), kCurrentFileVersion).Empty());
  EXPECT_FALSE(a.Reader().HasError());
  return std::unique_ptr<cLine>(static_cast<cLine*>(read.release()));
}

TEST(Line, Defaults) {
  cLine line;
  EXPECT_EQ(line.TypeCode(), kTypeLine);
  EXPECT_EQ(line.Flags(), kFlagDirty);
  EXPECT_EQ(line.stroke.color, 0u);
  EXPECT_EQ(line.stroke.gapColor, 0x80FFFFFFu);
  EXPECT_EQ(line.stroke.width, 0.25);
  EXPECT_EQ(line.stroke.patternScale, 1.0);
  EXPECT_EQ(line.stroke.lineStyle, 0);
  EXPECT_EQ(line.stroke.lineType, 1);
  EXPECT_EQ(line.stroke.penOption, 0);
  EXPECT_EQ(line.stroke.formerLineStyle, 65535);
  EXPECT_EQ(line.stroke.patternPieceMark, 0);
  EXPECT_EQ(line.start, (DPoint{0, 0}));
  EXPECT_EQ(line.end, (DPoint{0, 0}));
  EXPECT_EQ(line.AsLine(), &line);
  EXPECT_EQ(line.AsAnyLine(), &line);
  EXPECT_EQ(line.AsAnyFill(), nullptr);
  EXPECT_EQ(line.PatternPieces(), nullptr);
}

TEST(Line, FactoryMakesLines) {
  std::unique_ptr<cOutObj> object(cOutObj::Create(kTypeLine | 0x80, true));
  ASSERT_NE(object, nullptr);
  ASSERT_NE(object->AsAnyLine(), nullptr);
  EXPECT_NE(object->AsAnyLine()->AsLine(), nullptr);
}

TEST(Line, ScaleLineWidths) {
  cLine line;
  line.stroke.width = 0.5;
  line.stroke.patternScale = 2.0;
  line.ScaleLineWidths({}, -1.0);
  EXPECT_EQ(line.stroke.width, 0.5);
  EXPECT_EQ(line.stroke.patternScale, 2.0);
  line.ScaleLineWidths({}, 3.0);
  EXPECT_EQ(line.stroke.width, 1.5);
  EXPECT_EQ(line.stroke.patternScale, 6.0);
  line.ScaleLineWidths({}, 0.0);
  EXPECT_EQ(line.stroke.width, 0.0);
  EXPECT_EQ(line.stroke.patternScale, 0.0);
}

TEST(Line, PenStyleToLineType) {
  const int expected[] = {1, 5, 4, 13, 14, 0, 1, 1};
  cLine line;
  for (int style = 0; style < 8; ++style) {
    line.SetLineTypeFromPenStyle(style);
    EXPECT_EQ(line.stroke.lineType, expected[style]) << "pen style " << style;
  }
}

// ---- record ----

TEST(Line, RoundTripCurrentForm) {
  cLine line;
  line.SetLevel(3);
  line.SetPage(2);
  line.SetFlag(kFlagHidden);
  line.stroke.color = 0x123456;
  line.stroke.gapColor = 0x00FF00;
  line.stroke.width = 0.35;
  line.stroke.patternScale = 2.5;
  line.stroke.lineType = 7;
  line.stroke.penOption = 1;
  line.start = {1.5, -2.25};
  line.end = {1e6 / 3, 7};
  auto back = RoundTrip(line);
  EXPECT_EQ(back->Level(), 3);
  EXPECT_EQ(back->PageId(), 2);
  EXPECT_TRUE(back->HasFlag(kFlagHidden));
  EXPECT_EQ(back->stroke.color, 0x123456u);
  EXPECT_EQ(back->stroke.gapColor, 0x00FF00u);
  EXPECT_EQ(back->stroke.width, 0.35);
  EXPECT_EQ(back->stroke.patternScale, 2.5);
  EXPECT_EQ(back->stroke.lineType, 7);
  EXPECT_EQ(back->stroke.penOption, 1);
  EXPECT_EQ(back->start, line.start);
  EXPECT_EQ(back->end, line.end);
  ByteArray a, b;
  EXPECT_TRUE(line.IsSameRecord(*back, a, b));
  back->end.x += 1;
  EXPECT_FALSE(line.IsSameRecord(*back, a, b));
}

TEST(Line, StyledWriteCarriesStyleInlineThenPlaceholders) {
  auto* data = new cDrawingData();
  data->AddRef();
  auto style = std::make_unique<cStyleLine>();
  style->name = WString(u"thick");
  style->color = 0x0000FF;
  style->width = 0.7;
  data->LineStyles().Add(std::move(style));

  cLine line;
  line.SetTypeByteSourceBits(kTypeStyledStroke);
  line.stroke.lineStyle = 0;
  line.stroke.color = 0x777777;
  line.stroke.width = 0.1;
  line.stroke.penOption = 1;
  line.end = {10, 0};

  ResetStyleWriteNumbers(*data);
  auto* readData = new cDrawingData();
  readData->AddRef();
  auto back = RoundTrip(line, data, readData);
  EXPECT_EQ(back->TypeByte() & kTypeStyledStroke, kTypeStyledStroke);
  EXPECT_EQ(back->stroke.lineStyle, 0);
  ASSERT_EQ(readData->LineStyles().Count(), 1u);
  EXPECT_EQ(readData->LineStyles().Get(0)->name, WString(u"thick"));
  // The style gives the values: the record holds placeholders.
  EXPECT_EQ(back->stroke.color, 0u);
  EXPECT_EQ(back->stroke.gapColor, 0x80000000u);
  EXPECT_EQ(back->stroke.width, 0.0);
  EXPECT_EQ(back->stroke.patternScale, 0.0);
  EXPECT_EQ(back->stroke.penOption, 0);
  EXPECT_EQ(back->GetColor(readData), 0x0000FFu);
  EXPECT_EQ(back->GetWidth(readData), 0.7);

  // A style that defers to its objects leaves the own values in the record.
  data->LineStyles().Get(0)->byObject = 1;
  ResetStyleWriteNumbers(*data);
  back = RoundTrip(line, data, nullptr);
  EXPECT_EQ(back->stroke.color, 0x777777u);
  EXPECT_EQ(back->stroke.width, 0.1);
  EXPECT_EQ(back->stroke.penOption, 1);
  data->Release();
  readData->Release();
}

TEST(Line, Version3090HasNoGapColour) {
  LinePartFixture f;
  f.color = 0x00FF00;
  f.width = 0.5;
  f.lineType = 3;
  f.patternScale = 2.0;
  f.pen = true;
  f.gapColor = 0x112233;  // not stored in this band
  auto line = ReadLine(LineRecordAt(3090, f, {1, 2}, {3, 4}), 3090);
  EXPECT_EQ(line->stroke.gapColor, 0x80FFFFFFu);
  EXPECT_EQ(line->stroke.color, 0x00FF00u);
  EXPECT_EQ(line->stroke.width, 0.5);
  EXPECT_EQ(line->stroke.lineType, 3);
  EXPECT_EQ(line->stroke.patternScale, 2.0);
  EXPECT_EQ(line->stroke.penOption, 1);
  EXPECT_EQ(line->start, (DPoint{1, 2}));
  EXPECT_EQ(line->end, (DPoint{3, 4}));
}

TEST(Line, BandsOfTheUnstyledLinePart) {
  struct Case {
    int version;
    bool gap;   // gap colour stored
    bool pen;   // pen bit stored
  };
  for (Case c : {Case{3111, true, true}, Case{3110, false, true}, Case{3098, false, true},
                 Case{3097, false, true}, Case{3068, false, true}, Case{3062, false, true},
                 Case{3061, false, false}}) {
    LinePartFixture f;
    f.color = 0xABCDEF;
    f.gapColor = 0x00FF00;
    f.width = 0.75;
    f.lineType = 20;
    f.patternScale = 3.0;
    f.pen = true;
    auto line = ReadLine(LineRecordAt(c.version, f, {5, 6}, {7, 8}), c.version);
    SCOPED_TRACE(c.version);
    EXPECT_EQ(line->stroke.color, 0xABCDEFu);
    EXPECT_EQ(line->stroke.gapColor, c.gap ? 0x00FF00u : 0x80FFFFFFu);
    EXPECT_EQ(line->stroke.width, 0.75);
    EXPECT_EQ(line->stroke.lineType, 20);
    // Before 3068 the scale is multiplied by four widths (3.0).
    EXPECT_EQ(line->stroke.patternScale, c.version < 3068 ? 9.0 : 3.0);
    EXPECT_EQ(line->stroke.penOption, c.pen ? 1 : 0);
    EXPECT_EQ(line->end, (DPoint{7, 8}));
  }
}

TEST(Line, StyledBandsReadTheStyleIndexOnly) {
  for (int version : {3061, 3076, 3077, 3097, 3060, 3040}) {
    LinePartFixture f;
    f.styled = true;
    f.lineStyle = 5;
    auto line = ReadLine(LineRecordAt(version, f, {1, 1}, {2, 2}), version, true);
    SCOPED_TRACE(version);
    EXPECT_EQ(line->stroke.lineStyle, 5);
    EXPECT_EQ(line->stroke.color, 0u);
    EXPECT_EQ(line->stroke.width, 0.25);
    EXPECT_EQ(line->end, (DPoint{2, 2}));
    // Before 3068 the own scale is rescaled by four widths (here 1.0).
    EXPECT_EQ(line->stroke.patternScale, 1.0);
  }
  // From 3098 a styled part stores the values as well.
  LinePartFixture f;
  f.styled = true;
  f.lineStyle = 2;
  f.color = 0x00FF00;
  f.width = 0.5;
  auto line = ReadLine(LineRecordAt(3100, f, {}, {1, 0}), 3100, true);
  EXPECT_EQ(line->stroke.lineStyle, 2);
  EXPECT_EQ(line->stroke.color, 0x00FF00u);
  EXPECT_EQ(line->stroke.width, 0.5);
}

TEST(Line, OldPatternScalesAreRescaledBefore3068) {
  // 3067: the pattern scale is multiplied by four pen widths, or by the
  // drawing scale when that is larger.
  LinePartFixture f;
  f.width = 1.0;
  f.patternScale = 0.5;
  auto line = ReadLine(LineRecordAt(3067, f, {}, {1, 0}), 3067);
  EXPECT_EQ(line->stroke.patternScale, 2.0);

  auto* data = new cDrawingData();
  data->AddRef();
  data->SetScale(10.0);
  line = ReadLine(LineRecordAt(3067, f, {}, {1, 0}), 3067, false, data);
  EXPECT_EQ(line->stroke.patternScale, 5.0);
  // A scale not above 0 becomes 1.0 first.
  f.patternScale = 0.0;
  line = ReadLine(LineRecordAt(3067, f, {}, {1, 0}), 3067, false, data);
  EXPECT_EQ(line->stroke.patternScale, 10.0);
  data->Release();
}

TEST(Line, FloatRecordsBefore3061) {
  LinePartFixture f;
  f.color = 0xFF123456;  // the high byte is dropped
  f.width = 0.5;
  f.lineType = 4;
  f.patternScale = 0.5;
  auto line = ReadLine(LineRecordAt(3059, f, {1.5, 2.5}, {-3.25, 4}), 3059);
  EXPECT_EQ(line->stroke.color, 0x123456u);
  EXPECT_EQ(line->stroke.width, 0.5);
  EXPECT_EQ(line->stroke.lineType, 4);
  EXPECT_EQ(line->stroke.patternScale, 1.0);  // 0.5 x four widths
  EXPECT_EQ(line->start, (DPoint{1.5, 2.5}));
  EXPECT_EQ(line->end, (DPoint{-3.25, 4}));
}

TEST(Line, PatternScaleFromTheOldPatternLength) {
  // 3055: no pattern scale stored; the old pattern length... exists only
  // before 3050, so the scale derives from no length: 1.0 after rescaling
  // by four widths.
  LinePartFixture f;
  f.width = 0.5;
  auto line = ReadLine(LineRecordAt(3055, f, {}, {1, 0}), 3055);
  EXPECT_EQ(line->stroke.patternScale, 2.0);

  // 3049 with drawing data: the length is divided by four widths and
  // multiplied back: the length itself survives.
  auto* data = new cDrawingData();
  data->AddRef();
  f.oldLength = 3.0;
  line = ReadLine(LineRecordAt(3049, f, {}, {1, 0}), 3049, false, data);
  EXPECT_FLOAT_EQ(line->stroke.patternScale, 3.0);
  // Without drawing data the length is taken as the scale, then rescaled.
  line = ReadLine(LineRecordAt(3049, f, {}, {1, 0}), 3049);
  EXPECT_FLOAT_EQ(line->stroke.patternScale, 6.0);
  // The largest float stands for "no length".
  f.oldLength = 3.4028234663852886e38;
  line = ReadLine(LineRecordAt(3049, f, {}, {1, 0}), 3049, false, data);
  EXPECT_FLOAT_EQ(line->stroke.patternScale, 2.0);
  data->Release();
}

TEST(Line, OldPatternValuesGoToTheReadContext) {
  ReadContext context;
  LinePartFixture f;
  f.lineType = 0x80 | 6;
  f.color = 0x0000FF;
  f.width = 0.5;
  f.oldRepeat = -2.0;                     // below 0: 0
  f.oldOffset = 3.4028234663852886e38;    // largest float: -1 (both ends)
  f.oldSymbolByte = 2;
  auto line = ReadLine(LineRecordAt(3045, f, {}, {1, 0}), 3045, false, nullptr, &context);
  EXPECT_EQ(line->stroke.lineType, 6);
  EXPECT_TRUE(line->HasFlag(kFlagSymbolFollows));
  EXPECT_EQ(context.oldPattern.repeatLength, 0.0);
  EXPECT_EQ(context.oldPattern.startOffset, -1.0);
  EXPECT_EQ(context.oldPattern.symbolByte, 2);
  ASSERT_NE(context.lineHolder, nullptr);
  EXPECT_EQ(context.lineHolder->TypeCode(), kLineHolderTypeCode);
  EXPECT_EQ(context.lineHolder->stroke.color, 0x0000FFu);
  EXPECT_EQ(context.lineHolder->stroke.width, 0.5);
  EXPECT_EQ(line->end, (DPoint{1, 0}));

  f.oldOffset = -4.0;  // below 0: 0
  f.oldRepeat = 1.5;
  line = ReadLine(LineRecordAt(3045, f, {}, {1, 0}), 3045, false, nullptr, &context);
  EXPECT_EQ(context.oldPattern.repeatLength, 1.5);
  EXPECT_EQ(context.oldPattern.startOffset, 0.0);

  // Without bit 7 nothing is announced; the holder is still replaced.
  const cAnyLine* before = context.lineHolder.get();
  f.lineType = 2;
  line = ReadLine(LineRecordAt(3045, f, {}, {1, 0}), 3045, false, nullptr, &context);
  EXPECT_FALSE(line->HasFlag(kFlagSymbolFollows));
  EXPECT_NE(context.lineHolder.get(), before);
  EXPECT_EQ(context.lineHolder->stroke.lineType, 2);
  // From 3050 on nothing is kept.
  context.lineHolder.reset();
  line = ReadLine(LineRecordAt(3050, f, {}, {1, 0}), 3050, false, nullptr, &context);
  EXPECT_EQ(context.lineHolder, nullptr);
  // A null context reads the same record.
  f.lineType = 0x80 | 6;
  line = ReadLine(LineRecordAt(3045, f, {}, {1, 0}), 3045);
  EXPECT_TRUE(line->HasFlag(kFlagSymbolFollows));
  EXPECT_EQ(line->end, (DPoint{1, 0}));
}

TEST(Line, DamagedRecordsReadSafely) {
  cLine line;
  line.start = {1, 2};
  line.end = {3.3, 4.4};
  line.stroke.color = 0x123456;
  auto whole = test::Archive([&](ArchiveWriter& w) { line.Write(nullptr, w); });
  for (std::size_t n = 1; n < whole.size(); ++n) {
    std::vector<std::uint8_t> part(whole.begin() + 1, whole.begin() + std::ptrdiff_t(n));
    cLine back;
    MemoryArchive a(part);
    EXPECT_TRUE(back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion).Empty());
    // Behind its type byte in a list: the cut is reported, the line kept.
    MemoryArchive listed(std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
    ObjectChain chain;
    EXPECT_FALSE(ReadObjectList(listed.Reader(), nullptr, kCurrentFileVersion, chain)) << n;
    ASSERT_NE(chain.Head(), nullptr) << n;
    EXPECT_EQ(chain.Head()->TypeCode(), kTypeLine) << n;
    EXPECT_EQ(chain.Head()->next, nullptr) << n;
  }
  // Garbage at every old version.
  std::vector<std::uint8_t> noise(64, 0xFF);
  for (int version : {3040, 3049, 3055, 3060, 3061, 3080, 3098, 3111}) {
    cLine back;
    back.SetTypeByteSourceBits(0);
    MemoryArchive a(noise);
    back.Read(nullptr, nullptr, a.Reader(), version);
  }
}

// ---- geometry ----

TEST(Line, ExtentOutlineAndStroke) {
  cLine line;
  line.start = {10, 5};
  line.end = {0, -5};
  DRect r;
  line.GetExtent(r);
  EXPECT_EQ(r, (DRect{0, -5, 10, 5}));

  line.stroke.width = 2.0;
  line.GetStrokeExtent(nullptr, r);
  EXPECT_EQ(r, (DRect{-1, -6, 11, 6}));
  line.stroke.lineType = 0;  // no line: no stroke
  line.GetStrokeExtent(nullptr, r);
  EXPECT_EQ(r, (DRect{0, -5, 10, 5}));
  line.GetFullExtent(nullptr, r);
  EXPECT_EQ(r, (DRect{0, -5, 10, 5}));
}

TEST(Line, OutlineOfASegment) {
  cLine line;
  line.end = {10, 0};
  CubicArray out;
  int position = 0;
  EXPECT_FALSE(line.GetOutline(out, &position));
  EXPECT_EQ(position, -1);
  ASSERT_EQ(out.Count(), 1u);
  EXPECT_EQ(out[0].p[0], (DPoint{0, 0}));
  EXPECT_EQ(out[0].p[1], (DPoint{0, 0}));
  EXPECT_EQ(out[0].p[2], (DPoint{10, 0}));
  EXPECT_EQ(out[0].p[3], (DPoint{10, 0}));
}

TEST(Line, Transforms) {
  cLine line;
  line.start = {1, 1};
  line.end = {11, 1};
  line.SetFlag(kFlagDirty, false);
  line.Move({2, -1});
  EXPECT_EQ(line.start, (DPoint{3, 0}));
  EXPECT_EQ(line.end, (DPoint{13, 0}));
  EXPECT_TRUE(line.HasFlag(kFlagDirty));

  line.SetFlag(kFlagDirty, false);
  EXPECT_TRUE(line.Rotate({}, {3, 0}, 90));
  EXPECT_TRUE(line.HasFlag(kFlagDirty));
  EXPECT_NEAR(line.start.x, 3, 1e-12);
  EXPECT_NEAR(line.start.y, 0, 1e-12);
  EXPECT_NEAR(line.end.x, 3, 1e-12);
  EXPECT_NEAR(line.end.y, 10, 1e-12);
  // Any angle is accepted.
  EXPECT_TRUE(line.Rotate({}, {0, 0}, 30));
  EXPECT_NEAR(line.end.x, 3 * std::cos(M_PI / 6) - 10 * std::sin(M_PI / 6), 1e-12);
  EXPECT_NEAR(line.end.y, 3 * std::sin(M_PI / 6) + 10 * std::cos(M_PI / 6), 1e-12);

  line.start = {1, 2};
  line.end = {3, 6};
  EXPECT_TRUE(line.Scale({}, {1, 2}, {2, 0.5}));
  EXPECT_EQ(line.start, (DPoint{1, 2}));
  EXPECT_EQ(line.end, (DPoint{5, 4}));
  // A mirror is a scale by -1 on one axis.
  EXPECT_TRUE(line.Scale({}, {0, 0}, {-1, 1}));
  EXPECT_EQ(line.start, (DPoint{-1, 2}));
  EXPECT_EQ(line.end, (DPoint{-5, 4}));

  DPoint points[2] = {{7, 8}, {9, 10}};
  line.SetPoints(points, 2);
  EXPECT_EQ(line.start, points[0]);
  EXPECT_EQ(line.end, points[1]);
}

TEST(Line, AssignCopiesTheLinePartButNotTheFormerStyle) {
  cLine a;
  a.SetTypeByteSourceBits(kTypeStyledStroke);
  a.stroke = {0x11, 0x22, 0.3, 0.4, 5, 6, 1, 0x07, 1, 9};
  a.start = {1, 2};
  a.end = {3, 4};
  cLine b;
  b.Assign(a);
  EXPECT_EQ(b.TypeByte(), kTypeLine | kTypeStyledStroke);
  EXPECT_EQ(b.stroke.color, 0x11u);
  EXPECT_EQ(b.stroke.gapColor, 0x22u);
  EXPECT_EQ(b.stroke.width, 0.3);
  EXPECT_EQ(b.stroke.patternScale, 0.4);
  EXPECT_EQ(b.stroke.lineStyle, 5);
  EXPECT_EQ(b.stroke.lineType, 6);
  EXPECT_EQ(b.stroke.penOption, 1);
  EXPECT_EQ(b.stroke.ownValueBits, 0x07);
  EXPECT_EQ(b.stroke.patternPieceMark, 0);
  EXPECT_EQ(b.stroke.formerLineStyle, 65535);
  EXPECT_EQ(b.start, a.start);
  EXPECT_EQ(b.end, a.end);
}

TEST(Line, ResolveMaterialisesTheStyle) {
  auto* data = new cDrawingData();
  data->AddRef();
  auto style = std::make_unique<cStyleLine>();
  style->color = 0xFF;
  style->width = 0.9;
  style->lineType = 4;
  data->LineStyles().Add(std::move(style));

  cLine line;
  line.SetTypeByteSourceBits(kTypeStyledStroke);
  line.end = {1, 1};
  ObjectChain copy = line.Resolve(data, true);
  EXPECT_EQ(line.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_FALSE(line.HasFlag(kFlagResolved));  // a style that gives values applied
  EXPECT_EQ(line.stroke.color, 0xFFu);
  EXPECT_EQ(line.stroke.width, 0.9);
  EXPECT_EQ(line.stroke.lineType, 4);
  EXPECT_EQ(line.stroke.formerLineStyle, 0);
  ASSERT_FALSE(copy.Empty());
  auto* copied = static_cast<cLine*>(copy.Head());
  EXPECT_EQ(copied->stroke.formerLineStyle, 0);
  EXPECT_EQ(copied->end, (DPoint{1, 1}));
  EXPECT_EQ(copied->stroke.width, 0.9);

  // An unstyled line is only flagged.
  cLine plain;
  EXPECT_TRUE(plain.Resolve(data, false).Empty());
  EXPECT_TRUE(plain.HasFlag(kFlagResolved));
  data->Release();
}

TEST(Line, ExplodeGivesALineWithTheLineAttributes) {
  cLine line;
  line.stroke.color = 0x00FF00;
  line.SetLevel(4);
  line.end = {5, 0};
  ObjectChain pieces = line.Explode(nullptr);
  ASSERT_EQ(pieces.Count(), 1u);
  auto* piece = static_cast<cLine*>(pieces.Head());
  EXPECT_EQ(piece->end, (DPoint{5, 0}));
  EXPECT_EQ(piece->stroke.color, 0x00FF00u);
  EXPECT_EQ(piece->Level(), 4);
  // A zero-length line yields its one record as a line all the same.
  line.end = {};
  pieces = line.Explode(nullptr);
  EXPECT_EQ(pieces.Count(), 1u);
}

TEST(Line, DrawCallsTheRenderer) {
  cLine line;
  line.start = {0, 0};
  line.end = {10, 0};
  test::RecordingDrawInfo info;
  line.Draw(&info);
  line.DrawOutline(7, &info, false);
  EXPECT_EQ(info.calls, (std::vector<std::string>{"DrawSegmentShape (0,0)(10,0) type 1",
                                                  "RasterizeSegment 7 (0,0)(10,0)"}));
  line.SetFlag(kFlagHidden);
  info.calls.clear();
  line.Draw(&info);
  EXPECT_TRUE(info.calls.empty());
}

}  // namespace
}  // namespace kvn
