// The single-sheet header keys, the tagged settings of old drawings and the
// conversions they feed, the font-weight rule, and the DWG probe.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/BodyReader.h"
#include "document/DwgProbe.h"
#include "document/NativeFormat.h"
#include "document/ResultCodes.h"
#include "foundation/ArchiveWriter.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "model/cRectangle.h"
#include "model/cText.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {
namespace {

std::u16string U16(const WString& s) { return std::u16string(s.View()); }

struct HeaderTarget {
  HeaderTarget() {
    target.document = &document;
    target.drawing = &sheet.Drawing();
    target.data = sheet.Data();
  }
  void Line(const std::string& text) { ApplyHeaderLine(target, text.data(), text.size()); }
  cDrawingDoc document;
  cSheet sheet;
  HeaderKeyTarget target;
};

TEST(HeaderKeys, OldFilesStoreQuartersAndSwappedCentres) {
  HeaderTarget h;
  EXPECT_EQ(h.target.version, 4);
  h.Line("formatx=1188");
  h.Line("CenterX=40");
  h.Line("CenterY=-1");
  h.Line("GridX=20");
  h.Line("MinStepX=-3");
  h.Line("Scale=250");
  h.Line("Unknown=5");
  h.Line("no equals sign");
  cDrawing& d = h.sheet.Drawing();
  EXPECT_EQ(d.formatSize.x, 297.0);
  EXPECT_EQ(d.viewCentre.y, -10.0);
  EXPECT_EQ(d.viewCentre.x, 0.0);
  EXPECT_EQ(d.gridStep.x, 5.0);
  EXPECT_EQ(d.minStep.x, 0.0);
  EXPECT_EQ(h.sheet.Data()->Scale(), 2.5);

  h.Line("Version=3000.4");
  EXPECT_EQ(h.target.version, 3000);
  h.Line("FormatY=210");
  h.Line("CenterX=12.5");
  h.Line("PrinterPaperID=0.5");
  h.Line("PrinterPaperID=9");
  h.Line("IsGrid=2");
  h.Line("ViewMode=0");
  EXPECT_EQ(d.formatSize.y, 210.0);
  EXPECT_EQ(d.viewCentre.x, 12.5);
  EXPECT_EQ(d.paperId, 9);
  EXPECT_EQ(d.gridMode, 2);
  EXPECT_EQ(d.gridMode2, 2);
  EXPECT_EQ(d.viewMode, 0);
}

TEST(HeaderKeys, LevelsAndTheirLists) {
  HeaderTarget h;
  h.Line("Levels=3");
  h.Line("Level=Zdi\xe8");  // code page 1250: "Zdič"
  h.Line("Level=Okna");
  h.Line("HideLevels=1, 0 ;1");
  h.Line("PrintLevels=0");
  h.Line("ColorLevels=-1 255");
  h.Line("ActualLevel=2");
  LevelTable& levels = h.sheet.Data()->Levels();
  ASSERT_EQ(levels.Count(), 3u);
  EXPECT_EQ(U16(levels.GetLevel(0)->name), u"Zdič");
  EXPECT_EQ(U16(levels.GetLevel(1)->name), u"Okna");
  EXPECT_EQ(U16(levels.GetLevel(2)->name), u"0");
  EXPECT_EQ(levels.GetLevel(1)->visible, 0);
  EXPECT_EQ(levels.GetLevel(2)->visible, 1);
  EXPECT_EQ(levels.GetLevel(0)->printable, 0);
  EXPECT_EQ(levels.GetLevel(1)->printable, 1);  // the list ended
  EXPECT_EQ(levels.GetLevel(0)->color, 0x01FFFFFFu);
  EXPECT_EQ(levels.GetLevel(1)->color, 255u);
  EXPECT_EQ(h.sheet.Drawing().currentLevel, 2);
  // A damaged count cannot add more than the table's limit, nor hang.
  h.Line("Levels=1e12");
  EXPECT_EQ(levels.Count(), kMaxLevels);
}

TEST(HeaderKeys, CommentIsUnescapedAndConverted) {
  HeaderTarget h;
  // "\`" before a character makes it 32 lower; a backtick after "=" quotes
  // the text (and gives the number 0).
  h.Line("Comment=`a\\`\xaa=b");
  EXPECT_EQ(U16(h.document.comment), u"a\u0160=b");
  EXPECT_EQ(std::string(UnescapeHeaderComment(AString("x\\`Ay")).CStr()), "x!y");
  EXPECT_EQ(std::string(UnescapeHeaderComment(AString("end\\`")).CStr()), "end\\`");
}

TEST(FontWeights, StoredBytesMapBothWays) {
  EXPECT_EQ(FontWeightFromStored(8), 8);
  EXPECT_EQ(FontWeightFromStored(9), 12);
  EXPECT_EQ(FontWeightFromStored(13), 16);
  EXPECT_EQ(FontWeightFromStored(14), 12);
  EXPECT_EQ(FontWeightToStored(12), 9);
  EXPECT_EQ(FontWeightToStored(16), 13);
  EXPECT_EQ(FontWeightToStored(10), 0);
  for (int b = 0; b <= 13; ++b) EXPECT_EQ(FontWeightToStored(FontWeightFromStored(std::uint8_t(b))), b);
}

// A single-sheet drawing of version `v` whose tagged section `tags` writes.
ReadOutcome ReadTagged(int v, const std::function<void(ArchiveWriter&)>& tags) {
  SingleSheetFile file;
  file.version = v;
  file.headerLines = {"Version=" + std::to_string(v), "Levels=1"};
  file.sheet.settingsOverride = [&tags](ArchiveWriter& w) {
    tags(w);
    w.WriteByte(0);
  };
  NativeReadOptions quiet;
  quiet.quiet = true;
  return ReadNativeBytes(WriteSingleSheetFile(file), quiet);
}

void Tag(ArchiveWriter& w, std::uint8_t tag, std::initializer_list<double> reals) {
  w.WriteByte(tag);
  w.WriteByte(std::uint8_t(reals.size() * 4));
  for (double r : reals) WriteFloat(w, r);
}

void TagWords(ArchiveWriter& w, std::uint8_t tag, std::initializer_list<std::uint32_t> words) {
  w.WriteByte(tag);
  w.WriteByte(std::uint8_t(words.size() * 4));
  for (std::uint32_t x : words) w.WriteRaw32(x);
}

TEST(TaggedSettings, TagsFillTheDrawingAndTheScaleDivisorApplies) {
  ReadOutcome read = ReadTagged(3060, [](ArchiveWriter& w) {
    Tag(w, 1, {200.0});
    Tag(w, 7, {2.5, 4.0});
    TagWords(w, 19, {0x7F7FFFFF});  // never set: the real stays
    TagWords(w, 20, {std::uint32_t(-30)});
    TagWords(w, 21, {45});
    TagWords(w, 37, {0x0102});
    Tag(w, 33, {4.0});
    w.WriteByte(99);  // an unknown tag is stepped over
    w.WriteByte(2);
    w.WriteByte(1);
    w.WriteByte(1);
    w.WriteByte(5);  // a record of length 0 sets its field from zeros
    w.WriteByte(0);
  });
  ASSERT_EQ(read.result, kLoadOk);
  cSheet& sheet = *read.document->GetFirstSheet();
  cDrawing& d = sheet.Drawing();
  EXPECT_EQ(sheet.Data()->Scale(), 50.0);
  EXPECT_EQ(d.gridStep.x, 2.5);
  EXPECT_EQ(d.gridStep.y, 4.0);
  EXPECT_EQ(d.realAfterPrototypes, 0.0);
  EXPECT_EQ(d.printScale, 0.0);
  EXPECT_EQ(d.currentLevel, 2);
  // Below 3104 the integer view position becomes both view positions.
  EXPECT_EQ(d.viewPositions[0].x, -30.0);
  EXPECT_EQ(d.viewPositions[1].y, 45.0);
}

TEST(TaggedSettings, OldPrototypeShapeIsConverted) {
  // Kind byte 3 before 3053: hatch kind 2 over a white ground, the fill
  // colour becoming the hatch colour; sizes scaled by the drawing scale.
  ReadOutcome read = ReadTagged(3052, [](ArchiveWriter& w) {
    Tag(w, 1, {2.0});
    w.WriteByte(22);
    w.WriteByte(28);
    w.WriteRaw32(0x0000FF);  // fill colour
    WriteFloat(w, 0.5);      // width
    w.WriteByte(3);          // kind
    w.WriteByte(1);          // line type
    for (int i = 0; i < 6; ++i) w.WriteByte(0);
    w.WriteRaw32(0x00FF00);  // line colour
    WriteFloat(w, 3.0);      // hatch scale
    WriteFloat(w, 2.0);      // pattern scale
  });
  ASSERT_EQ(read.result, kLoadOk);
  cOutObj* shape = read.document->GetFirstSheet()->Drawing().PrototypeShape();
  ASSERT_NE(shape, nullptr);
  cRectangle* rect = shape->AsAnyFill()->AsRectangle();
  EXPECT_EQ(rect->fill.hatchKind, 2);
  EXPECT_EQ(rect->fill.hatchColor, 0x0000FFu);
  EXPECT_EQ(rect->fill.fillColor, 0xFFFFFFu);
  EXPECT_EQ(rect->stroke.color, 0x00FF00u);
  EXPECT_EQ(rect->stroke.width, 0.5);
  // Below 3056 the hatch value is scale x 0.25 and the hatch scale 1.0;
  // below 3058 the pattern scale starts at 1.0; then both grow with the
  // larger of four widths and the scale.
  EXPECT_EQ(rect->fill.hatchValue, 0.5);
  EXPECT_EQ(rect->stroke.patternScale, 2.0);
  EXPECT_EQ(rect->fill.hatchScale, 2.0);
}

TEST(TaggedSettings, Version3045IsRefusedWithADocument) {
  ReadOutcome read = ReadTagged(3045, [](ArchiveWriter&) {});
  EXPECT_EQ(read.result, kLoadTooOld);
}

TEST(DwgProbe, VersionStrings) {
  bool ac1012 = true;
  EXPECT_EQ(DetectDwgVersion("AC1015", &ac1012), 15);
  EXPECT_FALSE(ac1012);
  EXPECT_EQ(DetectDwgVersion("AC1012", &ac1012), 14);
  EXPECT_TRUE(ac1012);
  EXPECT_EQ(DetectDwgVersion("AC1009", nullptr), 12);
  EXPECT_EQ(DetectDwgVersion("AC1032", nullptr), 32);
  EXPECT_EQ(DetectDwgVersion("AC1019", nullptr), 3);
  EXPECT_EQ(DetectDwgVersion("AC1.40", nullptr), 3);
  EXPECT_EQ(DetectDwgVersion("AC2.10", nullptr), 3);
  EXPECT_EQ(DetectDwgVersion("AC10X5", nullptr), 0);
  EXPECT_EQ(DetectDwgVersion("QUARN-", nullptr), 0);

  ByteArray bytes;
  bytes.AppendBytes("AC1027xyz", 9);
  InFileStream in = InFileStream::FromMemory(bytes);
  EXPECT_TRUE(IsDwgFile(in));
  EXPECT_EQ(in.Position(), 0u);
  ByteArray shortFile;
  shortFile.AppendBytes("AC1", 3);
  InFileStream in2 = InFileStream::FromMemory(shortFile);
  EXPECT_FALSE(IsDwgFile(in2));
}

}  // namespace
}  // namespace kvn::test
