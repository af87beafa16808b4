// The native container and the body reader over fixture files: what a
// two-sheet drawing reads into, every version band of both forms, and the
// edge cases of the container form.
#include <gtest/gtest.h>

#include "document/ResultCodes.h"
#include "document/cDrawing.h"
#include "foundation/ArchiveWriter.h"
#include "model/LevelTable.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "tests/document/DocumentTestSupport.h"

namespace kvn::test {
namespace {

std::vector<cLine*> LinesOf(cSheet& sheet) {
  std::vector<cLine*> lines;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    cAnyLine* any = o->AsAnyLine();
    if (cLine* line = any ? any->AsLine() : nullptr) lines.push_back(line);
  }
  return lines;
}

TEST(NativeContainer, TwoSheetDrawingReadsWhole) {
  ReadOutcome read = ReadNativeBytes(WriteNativeFile(TwoSheetDocument()));
  ASSERT_EQ(read.result, kLoadOk);
  cDrawingDoc& doc = *read.document;
  EXPECT_EQ(doc.fileVersion, 3111);
  EXPECT_TRUE(doc.comment == u"Two sheets");
  ASSERT_EQ(doc.attributes.Count(), 2u);
  EXPECT_TRUE(doc.attributes.Get(1)->value == u"Příliš žluťoučký kůň");
  ASSERT_EQ(doc.SheetCount(), 2u);

  cSheet& plan = *doc.GetSheet(0);
  EXPECT_TRUE(plan.name == u"Plan");
  EXPECT_TRUE(plan.Drawing().name == u"Plan");
  EXPECT_EQ(plan.Data()->Scale(), 50.0);
  LevelTable& levels = plan.Data()->Levels();
  ASSERT_EQ(levels.Count(), 3u);
  EXPECT_TRUE(levels.GetLevel(1)->name == u"Doors");
  EXPECT_EQ(levels.GetLevel(1)->visible, 0);
  EXPECT_EQ(levels.GetLevel(2)->printable, 0);
  EXPECT_EQ(levels.GetLevel(2)->color, 0x0000FFu);
  EXPECT_EQ(levels.GetCurrentIndex(), 1);
  ASSERT_EQ(plan.Drawing().PageCount(), 3u);
  EXPECT_TRUE(plan.Drawing().GetPage(1)->name == u"First floor");
  EXPECT_EQ(plan.Drawing().GetPage(1)->color, 0x00FF00u);
  EXPECT_EQ(plan.Data()->BlockCount(), 1u);
  ASSERT_EQ(plan.Data()->LineStyles().Count(), 2u);
  EXPECT_TRUE(plan.Data()->LineStyles().Get(0)->name == u"Thick");
  EXPECT_EQ(plan.Data()->LineStyles().Get(0)->width, 0.7);

  // The guide lines come back sorted.
  ASSERT_EQ(plan.Drawing().guideLines[0].Count(), 3u);
  EXPECT_EQ(plan.Drawing().guideLines[0][0], 10.0);
  EXPECT_EQ(plan.Drawing().guideLines[0][2], 30.0);

  std::vector<cLine*> lines = LinesOf(plan);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[3]->start.x, 30.0);
  EXPECT_EQ(lines[3]->end.y, 20.0);
  EXPECT_EQ(lines[3]->Level(), 0);
  EXPECT_EQ(lines[3]->PageId(), 0);
  EXPECT_EQ(lines[5]->PageId(), 2);
  EXPECT_NE(lines[1]->TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(lines[1]->stroke.lineStyle, 1);
  EXPECT_EQ(lines[1]->GetWidth(plan.Data()), 0.25);
  EXPECT_EQ(lines[2]->GetWidth(plan.Data()), 0.7);
  EXPECT_EQ(lines[7]->GetColor(plan.Data()), 0x102030u);

  cSheet& detail = *doc.GetSheet(1);
  EXPECT_EQ(detail.Drawing().PageCount(), 0u);
  ASSERT_EQ(detail.Data()->FontStyles().Count(), 2u);
  EXPECT_TRUE(detail.Data()->FontStyles().Get(1)->name == u"romans.shx");
  std::vector<cLine*> detailLines = LinesOf(detail);
  ASSERT_EQ(detailLines.size(), 2u);
  EXPECT_EQ(detailLines[1]->PageId(), 4095);
  EXPECT_EQ(detailLines[1]->Level(), 65535);

  // Entry 1 is page 2 of the first sheet.
  EXPECT_EQ(doc.currentEntry, 1);
  EXPECT_EQ(doc.currentPage, 1);
  EXPECT_EQ(doc.GetPageEntryCount(), 4u);
}

// Every container version reads the same drawing back: each gate of the
// container, the body and the records is crossed by one of these.
TEST(NativeContainer, EveryContainerVersionReadsTheFixture) {
  for (int v = 3065; v <= 3111; ++v) {
    if (v == 3086) continue;
    SCOPED_TRACE(v);
    FixtureDocument doc = TwoSheetDocument(v);
    for (bool compressed : {false, true}) {
      doc.compressed = compressed;
      ReadOutcome read = ReadNativeBytes(WriteNativeFile(doc));
      ASSERT_EQ(read.result, kLoadOk) << "compressed " << compressed;
      cSheet& plan = *read.document->GetFirstSheet();
      EXPECT_EQ(read.document->fileVersion, v);
      ASSERT_EQ(read.document->SheetCount(), 2u);
      EXPECT_EQ(LinesOf(*read.document->GetSheet(1)).size(), 2u);
      EXPECT_EQ(read.document->GetSheet(1)->Data()->FontStyles().Count(), 2u);
      EXPECT_EQ(plan.Data()->Levels().Count(), 3u);
      EXPECT_EQ(plan.Drawing().PageRecordCount(), v >= 3059 ? 3u : 0u);
      ASSERT_EQ(LinesOf(plan).size(), 10u);
      EXPECT_EQ(LinesOf(plan)[9]->end.x, 95.0);
      EXPECT_EQ(plan.Data()->LineStyles().Count(), 2u);
      EXPECT_EQ(LinesOf(plan)[2]->GetWidth(plan.Data()), 0.7);
    }
  }
}

TEST(NativeContainer, SingleSheetFormOfEveryBand) {
  for (int v : {3041, 3048, 3050, 3052, 3054, 3058, 3059, 3060, 3061, 3064}) {
    SCOPED_TRACE(v);
    SingleSheetFile file;
    file.version = v;
    file.comment = u"old";
    file.sheet = TwoSheetDocument().sheets[0];
    ReadOutcome read = ReadNativeBytes(WriteSingleSheetFile(file));
    if (v < 3048) {
      EXPECT_EQ(read.result, kLoadTooOld);
      continue;
    }
    ASSERT_EQ(read.result, kLoadOk);
    ASSERT_EQ(read.document->SheetCount(), 1u);
    cSheet& sheet = *read.document->GetFirstSheet();
    EXPECT_EQ(LinesOf(sheet).size(), 10u);
    EXPECT_EQ(read.document->fileVersion, v);
    if (v >= 3052) {
      EXPECT_TRUE(read.document->comment == u"old");
      EXPECT_EQ(sheet.Data()->Levels().Count(), 3u);
    }
    EXPECT_EQ(sheet.Drawing().PageRecordCount(), v >= 3059 ? 3u : 0u);
  }
}

TEST(NativeContainer, NewerVersionIsRefusedBeforeAnySheet) {
  ReadOutcome read = ReadNativeBytes(WriteNativeFile(TwoSheetDocument(3112)));
  EXPECT_EQ(read.result, kLoadTooNew);
  EXPECT_EQ(read.document->SheetCount(), 0u);
}

TEST(NativeContainer, Version3064ContainerIsReadAsSingleSheet) {
  // A "Version=3064" line after the magic is a header line of the
  // single-sheet form.
  SingleSheetFile file;
  file.version = 3064;
  file.sheet.lines.push_back(FixtureLine{{0, 0}, {1, 1}});
  std::vector<std::uint8_t> bytes = WriteSingleSheetFile(file);
  ASSERT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 22), "Version=3064");
  ReadOutcome read = ReadNativeBytes(bytes);
  ASSERT_EQ(read.result, kLoadOk);
  EXPECT_EQ(read.document->fileVersion, 3064);
}

TEST(NativeContainer, CommentLineStartsTheSingleSheetForm) {
  SingleSheetFile file;
  file.version = 3062;
  file.headerLines = {"Comment=plan", "Version=3062"};
  file.comment = u"from the body";
  ReadOutcome read = ReadNativeBytes(WriteSingleSheetFile(file));
  ASSERT_EQ(read.result, kLoadOk);
  EXPECT_EQ(read.document->SheetCount(), 1u);
  EXPECT_EQ(read.document->fileVersion, 3062);
  // From 3052 on the body's comment follows the header and replaces it.
  EXPECT_TRUE(read.document->comment == u"from the body");
}

TEST(NativeContainer, SheetCountZeroStillReadsPositionEntriesAndChecksum) {
  FixtureDocument doc;
  doc.currentEntry = 3;
  ReadOutcome read = ReadNativeBytes(WriteNativeFile(doc));
  EXPECT_EQ(read.result, kLoadOk);
  EXPECT_EQ(read.document->SheetCount(), 0u);
  EXPECT_EQ(read.document->currentEntry, 0);  // not below the entry count
  doc.checksumDelta = 1;
  EXPECT_EQ(ReadNativeBytes(WriteNativeFile(doc)).result, kLoadChecksumMismatch);
}

TEST(NativeContainer, ReferencePageNumberWidthFollowsTheVersion) {
  for (int v : {3100, 3101, 3102}) {
    SCOPED_TRACE(v);
    FixtureDocument doc = TwoSheetDocument(v);
    FixtureSheet ref;
    ref.name = u"Ref";
    ref.reference = true;
    ref.referencePath = u"other.kvn";
    ref.referenceKind = 1;
    ref.referenceSheet = 2;
    doc.sheets.insert(doc.sheets.begin() + 1, ref);
    ReadOutcome read = ReadNativeBytes(WriteNativeFile(doc));
    ASSERT_EQ(read.result, kLoadOk);
    ASSERT_EQ(read.document->SheetCount(), 3u);
    cSheet& sheet = *read.document->GetSheet(1);
    EXPECT_EQ(sheet.isReference, 1);
    // The path as resolved (the file does not exist: the stored name stays last).
    EXPECT_TRUE(sheet.referencePath.View().ends_with(u"other.kvn")) << sheet.referencePath.ToUtf8();
    EXPECT_EQ(sheet.referencedSheet, v >= 3101 ? 2 : 0);
    EXPECT_EQ(LinesOf(*read.document->GetSheet(2)).size(), 2u);
  }
}

TEST(NativeContainer, ReadingModesStopEarly) {
  std::vector<std::uint8_t> bytes = WriteNativeFile(TwoSheetDocument());
  ReadOutcome attributes = ReadNativeBytes(bytes, {}, true);
  EXPECT_EQ(attributes.result, kLoadOk);
  EXPECT_EQ(attributes.document->attributes.Count(), 2u);
  EXPECT_EQ(attributes.document->SheetCount(), 0u);
  ReadOutcome first = ReadNativeBytes(bytes, {}, false, true);
  EXPECT_EQ(first.result, kLoadOk);
  EXPECT_EQ(first.document->SheetCount(), 1u);
}

TEST(NativeContainer, LibraryHeaderIsRecognised) {
  FixtureDocument doc;
  doc.comment = u"parts";
  doc.library = true;
  std::vector<std::uint8_t> bytes = WriteNativeFile(doc);
  ByteArray memory;
  memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  WString comment;
  EXPECT_EQ(ReadLibraryHeader(in, comment), 0);
  EXPECT_TRUE(comment == u"parts");
  doc.library = false;
  bytes = WriteNativeFile(doc);
  ByteArray drawing;
  drawing.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in2 = InFileStream::FromMemory(drawing);
  EXPECT_EQ(ReadLibraryHeader(in2, comment), 3);
}

}  // namespace
}  // namespace kvn::test
