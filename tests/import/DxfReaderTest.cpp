// The DXF reader from bytes written by tests/support/DxfWriter: probe, lines,
// groups in text and binary form, the section loop with its damaged-input
// stops, and what the assembly makes of small drawings (insert arrays,
// colours by block and by layer, self-inserting blocks, limits).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/LevelTable.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/TagIndex.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/InstalledShxFonts.h"
#include "tests/support/Language.h"
#include "text/ShxParsedFont.h"
#include "model/FontList.h"
#include "model/ShxFont.h"
#include "model/TextGlyphBoxes.h"

namespace kvn {
namespace {

// The message in the current language; the language table is left unloaded
// as it was, so that later tests may switch the language.
WString FileReadError() {
  WString text = LoadLangString(19136);
  InvalidateLangTable();
  return text;
}

using test::DxfWriter;

ByteArray ToBytes(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  return bytes;
}

struct Loaded {
  DocumentResult result{nullptr};
  DwgLoadReport report;
};

Loaded Load(const std::string& text) {
  ByteArray bytes = ToBytes(text);
  InFileStream in = InFileStream::FromMemory(bytes);
  Loaded loaded;
  loaded.result = LoadDxfStream(in, WString(u"test.dxf"), nullptr, &loaded.report);
  return loaded;
}

std::vector<cOutObj*> TopObjects(const cDrawingDoc& document, std::uint32_t sheet = 0) {
  std::vector<cOutObj*> out;
  for (cOutObj* o = document.GetSheet(sheet)->TopBlock().FirstObject(); o; o = o->next) out.push_back(o);
  return out;
}

std::vector<cOutObj*> BlockObjects(const cDrawingDoc& document, const cInsert& insert) {
  std::vector<cOutObj*> out;
  cBlock* block = document.GetFirstSheet()->Data()->GetBlock(insert.blockIndex);
  for (cOutObj* o = block ? block->FirstObject() : nullptr; o; o = o->next) out.push_back(o);
  return out;
}

bool Probe(const std::string& text) {
  ByteArray bytes = ToBytes(text);
  InFileStream in = InFileStream::FromMemory(bytes);
  const bool dxf = IsDxfFile(in);
  EXPECT_EQ(in.Position(), 0u);
  return dxf;
}

TEST(DxfReaderTest, ValueTypesFollowTheTableFromTheTop) {
  const std::pair<int, int> golden[] = {{0, 1},    {5, 6},    {8, 1},    {10, 2},   {62, 4},   {90, 5},
                                        {100, 1},  {105, 6},  {80, 2},   {103, 2},  {150, 2},  {170, 4},
                                        {280, 4},  {290, 3},  {310, 7},  {330, 6},  {370, 4},  {390, 6},
                                        {400, 4},  {410, 1},  {420, 5},  {460, 2},  {999, 1},  {1004, 7},
                                        {1005, 6}, {1000, 1}, {1010, 2}, {1070, 4}, {1071, 5}, {500, 0},
                                        {1072, 0}};
  for (auto [code, type] : golden) EXPECT_EQ(GetDxfValueType(code), type) << code;
}

TEST(DxfReaderTest, ProbeTakesCommentsAndSpacesAndRefusesOtherCodes) {
  EXPECT_TRUE(Probe("999\nmade by hand\n999\nsecond\n0\nSECTION\n"));
  EXPECT_TRUE(Probe("  0\nsection   \n"));
  EXPECT_FALSE(Probe("1\nSECTION\n"));
  EXPECT_FALSE(Probe("0\nTABLE\n"));
  EXPECT_FALSE(Probe(""));
  EXPECT_TRUE(Probe("autocad binary dxf and more"));
  std::string many;
  for (int i = 0; i < 501; ++i) many += "999\nc\n";
  EXPECT_FALSE(Probe(many + "0\nSECTION\n"));
}

TEST(DxfReaderTest, LinesEndAtLfCrOrCrLfAndLongLinesComeInPieces) {
  ByteArray bytes = ToBytes(std::string("a\r\r\nb\r5x\n") + std::string(70000, 'q'));
  InFileStream in = InFileStream::FromMemory(bytes);
  DxfLineReader lines(in);
  std::string_view line;
  ASSERT_TRUE(lines.ReadLine(line));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(lines.ReadLine(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(lines.ReadLine(line));
  EXPECT_EQ(line, "b");
  ASSERT_TRUE(lines.ReadLine(line));
  EXPECT_EQ(line, "5x");
  ASSERT_TRUE(lines.ReadLine(line));
  EXPECT_EQ(line.size(), 65535u);
  ASSERT_TRUE(lines.ReadLine(line));
  EXPECT_EQ(line.size(), 70000u - 65535u);
  EXPECT_FALSE(lines.ReadLine(line));
}

// The line scan looks at 32 and eight bytes at a time: every line length
// around those sizes with each ending, bytes that differ from LF or CR in one bit
// (0x0B, 0x0C, 0x8A, 0x8D) inside, and the pair read in place and through
// the stream give the same lines.
TEST(DxfReaderTest, LinesOfEveryLengthAroundTheWordSizeEndWhereTheyEnd) {
  const char* const kEnds[] = {"\n", "\r", "\r\n"};
  std::string text;
  std::vector<std::string> expected;
  for (int length = 0; length < 41; ++length) {
    for (const char* end : kEnds) {
      std::string line;
      for (int i = 0; i < length; ++i) line.push_back("ab\x0b\x0c\x8a\x8dz"[(i + length) % 7]);
      expected.push_back(line);
      text += line + end;
      // A CR ending followed by an empty line would read as CR LF.
      if (std::string(end) == "\r") {
        expected.emplace_back("x");
        text += "x\n";
      }
    }
  }
  ByteArray bytes = ToBytes(text);
  InFileStream in = InFileStream::FromMemory(bytes);
  DxfLineReader lines(in);
  std::string_view first, second;
  std::size_t k = 0;
  while (k < expected.size()) {
    if (k % 3 == 0 && k + 1 < expected.size() && lines.ReadLinePairInPlace(first, second)) {
      EXPECT_EQ(first, expected[k]) << k;
      EXPECT_EQ(second, expected[k + 1]) << k + 1;
      k += 2;
      continue;
    }
    ASSERT_TRUE(lines.ReadLine(first)) << k;
    EXPECT_EQ(first, expected[k]) << k;
    ++k;
  }
  EXPECT_FALSE(lines.ReadLine(first));
}

// Reals in their plain form are kept as numbers, others as the text they
// were: every look-up answers as it answered for the text.
TEST(DxfReaderTest, PlainRealsAreReadOnceAndOtherFormsStayText) {
  ByteArray bytes = ToBytes("10\n-12.5\n20\n0.12345678901234567\n30\n 1e3\n40\nabc\n41\n2.5^J\n70\n7\n");
  InFileStream in = InFileStream::FromMemory(bytes);
  DxfGroupReader groups(in, false, false);
  YxxfGroupRecord record;
  int code = 0;
  std::string_view value;
  while (groups.ReadGroup(code, record, value)) {
  }
  ASSERT_EQ(record.Count(), 6u);
  EXPECT_EQ(record.Item(0)->type, ItemType::Double);
  EXPECT_EQ(record.GetDouble(10), -12.5);
  EXPECT_EQ(record.Item(1)->type, ItemType::Double);
  EXPECT_EQ(record.GetDouble(20), 0.12345678901234567);
  EXPECT_EQ(record.Item(2)->type, ItemType::Narrow);
  EXPECT_EQ(record.GetDouble(30), 1000.0);
  EXPECT_EQ(record.GetDouble(40), 0.0);
  EXPECT_EQ(record.GetNarrowString(40), AString("abc"));
  EXPECT_EQ(record.Item(4)->type, ItemType::Narrow);
  EXPECT_EQ(record.GetInt(70), 7);
}

TEST(DxfReaderTest, TextGroupsUnescapeCaretsAndDecodeHexChunks) {
  ByteArray bytes = ToBytes("1\na^Jb\n1\nx^ y\n1\nend^\n310\nabc\n310\n0a1f\n310\n0aZZ\n");
  InFileStream in = InFileStream::FromMemory(bytes);
  DxfGroupReader groups(in, false, false);
  YxxfGroupRecord record;
  int code = 0;
  std::string_view value;
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(value, "a\nb");
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(value, "x^y");
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(value, "end^");
  ASSERT_TRUE(groups.ReadGroup(code, record, value));  // odd length: dropped
  EXPECT_EQ(record.Count(), 3u);
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(value, std::string("\x0A\x1F", 2));
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(value, std::string("\x0A\x00", 2));
  EXPECT_EQ(record.Count(), 5u);
}

TEST(DxfReaderTest, CodeLinesMustBeNumbersInRange) {
  for (const char* text : {"LINE\nx\n", "99999\nx\n", "-1\nx\n", "12a\nx\n"}) {
    ByteArray bytes = ToBytes(text);
    InFileStream in = InFileStream::FromMemory(bytes);
    DxfGroupReader groups(in, false, false);
    YxxfGroupRecord record;
    int code = 0;
    std::string_view value;
    EXPECT_FALSE(groups.ReadGroup(code, record, value)) << text;
    EXPECT_FALSE(groups.Ok());
    EXPECT_FALSE(groups.ReadGroup(code, record, value));
  }
  ByteArray bytes = ToBytes("  8 \nlayer\n");
  InFileStream in = InFileStream::FromMemory(bytes);
  DxfGroupReader groups(in, false, false);
  YxxfGroupRecord record;
  int code = 0;
  std::string_view value;
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(code, 8);
}

TEST(DxfReaderTest, BinaryGroupsReadOneByteCodesEscapesAndTypedValues) {
  // 255 then 0x03E8 is code 1000; then a double, a 16-bit and a 32-bit value.
  std::string raw("\xFF\xE8\x03hello\0", 9);
  DxfWriter w(DxfWriter::Form::BinaryOneByte);
  w.Real(10, 2.5).Int(70, -3).Int(90, 70000).Int(290, 1);
  raw += w.Bytes().substr(22);
  raw += std::string("\xFF\x10\x27", 3);  // code 10000: unknown
  ByteArray bytes = ToBytes(raw);
  InFileStream in = InFileStream::FromMemory(bytes);
  DxfGroupReader groups(in, true, true);
  YxxfGroupRecord record;
  int code = 0;
  std::string_view value;
  ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_EQ(code, 1000);
  EXPECT_EQ(value, "hello");
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(groups.ReadGroup(code, record, value));
  EXPECT_DOUBLE_EQ(record.GetDouble(10), 2.5);
  EXPECT_EQ(record.GetInt(70), -3);
  EXPECT_EQ(record.GetInt(90), 70000);
  EXPECT_EQ(record.GetInt(290), 1);
  EXPECT_FALSE(groups.ReadGroup(code, record, value));
}

// The readers keep the stream's window between groups and tell the stream
// what they took in steps: groups of every size across many windows (and
// strings cut by a window's end) read as written, the end is seen exactly
// where the data end, and once a reader is gone the stream stands there.
TEST(DxfReaderTest, GroupsAcrossManyWindowsReadAsWrittenAndLeaveTheStreamAtTheirEnd) {
  for (DxfWriter::Form form : {DxfWriter::Form::Text, DxfWriter::Form::Binary, DxfWriter::Form::BinaryOneByte}) {
    DxfWriter w(form);
    for (int i = 0; i < 3000; ++i) {
      w.Str(1, std::string(std::size_t(i % 301), char('a' + i % 26)));
      w.Real(10, i * 0.25).Int(70, i % 300 - 150).Int(90, i * 1000);
    }
    const std::string all = w.Bytes();
    const bool binary = form != DxfWriter::Form::Text;
    ByteArray bytes = ToBytes(all);
    InFileStream in = InFileStream::FromMemory(bytes);
    if (binary) in.Seek(22);
    {
      DxfGroupReader groups(in, binary, form == DxfWriter::Form::BinaryOneByte);
      int code = 0;
      std::string_view value;
      for (int i = 0; i < 3000; ++i) {
        YxxfGroupRecord record;
        ASSERT_FALSE(groups.AtEnd()) << i;
        ASSERT_TRUE(groups.ReadGroup(code, record, value)) << i;
        ASSERT_EQ(code, 1);
        ASSERT_EQ(value, std::string(std::size_t(i % 301), char('a' + i % 26))) << i;
        for (int k = 0; k < 3; ++k) ASSERT_TRUE(groups.ReadGroup(code, record, value)) << i;
        ASSERT_EQ(record.GetDouble(10), i * 0.25) << i;
        ASSERT_EQ(record.GetInt(70), i % 300 - 150) << i;
        ASSERT_EQ(record.GetInt(90), i * 1000) << i;
      }
      EXPECT_TRUE(groups.AtEnd());
      YxxfGroupRecord record;
      EXPECT_FALSE(groups.ReadGroup(code, record, value));
    }
    EXPECT_EQ(in.Position(), all.size()) << int(form);
  }
}

std::string SmallDrawing(DxfWriter::Form form, bool eof = true) {
  DxfWriter w(form);
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("WALLS", 1).Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES").Line("WALLS", 0, 0, 10, 0).Line("0", 0, 0, 0, 5, 3).EndSection();
  if (eof) w.Eof();
  return w.Bytes();
}

TEST(DxfReaderTest, TextAndBinaryFilesGiveTheSameDrawing) {
  for (auto form : {DxfWriter::Form::Text, DxfWriter::Form::Binary, DxfWriter::Form::BinaryOneByte}) {
    Loaded loaded = Load(SmallDrawing(form));
    ASSERT_TRUE(loaded.result.Ok());
    EXPECT_TRUE(loaded.result.Warnings().empty());
    EXPECT_EQ(loaded.report.version, "AC1009");
    EXPECT_EQ(loaded.report.encoding, form == DxfWriter::Form::Text ? "ASCII" : "binary");
    EXPECT_EQ(loaded.report.entities["LINE"], 2u);
    EXPECT_EQ(loaded.report.layers.size(), 2u);
    auto objects = TopObjects(*loaded.result.Document());
    ASSERT_EQ(objects.size(), 2u);
    auto* wall = dynamic_cast<cLine*>(objects[0]);
    ASSERT_TRUE(wall);
    // Drawing y grows downwards; layer WALLS is red, by layer.
    EXPECT_EQ(wall->end.x, 10.0);
    EXPECT_EQ(wall->stroke.color, 0x0000FFu);
    EXPECT_EQ(dynamic_cast<cLine*>(objects[1])->end.y, -5.0);
  }
}

TEST(DxfReaderTest, DamagedFilesKeepWhatWasReadWithFileReadError) {
  // No EOF.
  Loaded cut = Load(SmallDrawing(DxfWriter::Form::Text, false));
  ASSERT_TRUE(cut.result.Ok());
  // Told once, by the open, as a drawing read in part.
  EXPECT_TRUE(cut.result.Partial());
  EXPECT_TRUE(cut.result.Warnings().empty());
  EXPECT_EQ(cut.report.readError, FileReadError().ToUtf8());
  EXPECT_EQ(TopObjects(*cut.result.Document()).size(), 2u);
  // A code line of letters after the first line: the first line stays.
  std::string text = SmallDrawing(DxfWriter::Form::Text);
  const std::size_t second = text.find("LINE\n8\n0\n");
  ASSERT_NE(second, std::string::npos);
  text.replace(second, 4, "LINE\nXX");
  Loaded letters = Load(text);
  ASSERT_TRUE(letters.result.Ok());
  EXPECT_EQ(letters.report.readError, FileReadError().ToUtf8());
  EXPECT_TRUE(letters.result.Partial());
  EXPECT_EQ(TopObjects(*letters.result.Document()).size(), 1u);
  // Trash beyond EOF is never read.
  Loaded trash = Load(SmallDrawing(DxfWriter::Form::Text) + "garbage\x01\x02");
  EXPECT_TRUE(trash.result.Warnings().empty());
  EXPECT_FALSE(trash.result.Partial());
}

// A block of one line from (0, 0) to (1, 0), placed by an INSERT.
DxfWriter DrawingWithBlock(std::string_view blockLayer = "0", int lineColor = 256) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("WALLS", 5).Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("B").Line(blockLayer, 0, 0, 1, 0, lineColor).EndBlock().EndSection();
  w.Section("ENTITIES");
  return w;
}

TEST(DxfReaderTest, InsertArraysPlaceColumnsThenRowsTurnedByTheRotation) {
  DxfWriter w = DrawingWithBlock();
  w.Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, 100, 0).Real(50, 90).Int(70, 3).Int(71, 2);
  w.Real(44, 10).Real(45, 20).EndSection().Eof();
  Loaded loaded = Load(w.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  auto objects = TopObjects(*loaded.result.Document());
  ASSERT_EQ(objects.size(), 6u);
  // Column-major; the cell (c x 10, r x 20) turned by 90 degrees is
  // (-r x 20, c x 10), and drawing y is negated.
  const DPoint expected[6] = {{100, 0}, {80, 0}, {100, -10}, {80, -10}, {100, -20}, {80, -20}};
  for (int i = 0; i < 6; ++i) {
    auto* insert = objects[i]->AsInsert();
    ASSERT_TRUE(insert);
    EXPECT_NEAR(insert->point.x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(insert->point.y, expected[i].y, 1e-9) << i;
    auto children = BlockObjects(*loaded.result.Document(), *insert);
    ASSERT_EQ(children.size(), 1u);
    auto* line = dynamic_cast<cLine*>(children[0]);
    ASSERT_TRUE(line);
    // The turned line, relative to the insertion point.
    EXPECT_NEAR(line->end.x, 0.0, 1e-9);
    EXPECT_NEAR(line->end.y, -1.0, 1e-9);
  }
}

TEST(DxfReaderTest, ColoursByBlockAndByLayerFollowTheInsertChain) {
  // By block inside a red insert: red; by layer on "0" inside an insert on
  // WALLS: the colour of WALLS (blue).
  DxfWriter w = DrawingWithBlock("0", 0);
  w.Insert("B", "0", 0, 0, 1).EndSection().Eof();
  Loaded red = Load(w.Bytes());
  ASSERT_TRUE(red.result.Ok());
  auto reds = TopObjects(*red.result.Document());
  ASSERT_EQ(reds.size(), 1u);
  auto children = BlockObjects(*red.result.Document(), *reds[0]->AsInsert());
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(dynamic_cast<cLine*>(children[0])->stroke.color, 0x0000FFu);

  DxfWriter v = DrawingWithBlock("0", 256);
  v.Insert("B", "WALLS", 0, 0).Line("0", 0, 0, 1, 1, 0).EndSection().Eof();
  Loaded walls = Load(v.Bytes());
  auto top = TopObjects(*walls.result.Document());
  ASSERT_EQ(top.size(), 2u);
  children = BlockObjects(*walls.result.Document(), *top[0]->AsInsert());
  EXPECT_EQ(dynamic_cast<cLine*>(children[0])->stroke.color, 0xFF0000u);
  // By block at the top level is black.
  EXPECT_EQ(dynamic_cast<cLine*>(top[1])->stroke.color, 0u);
}

TEST(DxfReaderTest, SelfInsertingBlocksAndHugeArraysEndQuickly) {
  // A block placing itself, two placing each other, and an array of 12,000
  // cells of the first: every cell is made, the self placements are told.
  // The warning is looked for in English.
  const test::ScopedLanguage english(kLanguageEnglish);
  auto drawing = [](int columns, int rows) {
    DxfWriter w;
    w.Section("BLOCKS").Block("SELF").Line("0", 0, 0, 1, 0).Insert("SELF", "0", 1, 1).EndBlock();
    w.Block("A").Insert("C", "0", 0, 0).EndBlock().Block("C").Insert("A", "0", 0, 0).Line("0", 0, 0, 1, 1).EndBlock();
    w.EndSection().Section("ENTITIES").Insert("SELF", "0", 0, 0).Insert("A", "0", 0, 0);
    w.Str(0, "INSERT").Str(8, "0").Str(2, "SELF").Point(10, 0, 0).Int(70, columns).Int(71, rows);
    w.Real(44, 1).Real(45, 1).EndSection().Eof();
    return w.Bytes();
  };
  Loaded loaded = Load(drawing(100, 120));
  ASSERT_TRUE(loaded.result.Ok());
  bool toldSelf = false;
  for (const WString& warning : loaded.result.Warnings()) {
    toldSelf = toldSelf || warning.ToUtf8().find("into itself") != std::string::npos;
  }
  EXPECT_TRUE(toldSelf);
  // The first insert, the chain A -> C, and every cell of the array.
  EXPECT_EQ(TopObjects(*loaded.result.Document()).size(), 2u + 12000u);
  // A hundred million cells are more than the open may hold: refused before
  // any is made.
  const auto start = std::chrono::steady_clock::now();
  Loaded huge = Load(drawing(10000, 10000));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_FALSE(huge.result.Ok());
  EXPECT_LT(seconds, 30.0);
}

TEST(DxfReaderTest, FrozenLayersAreHiddenLevelsAndFarObjectsAreDropped) {
  // Binary, so that a coordinate can be not a number.
  DxfWriter w(DxfWriter::Form::Binary);
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7, 1).Layer("ON", 7).Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES").Line("ON", 0, 0, 1, 1).Line("ON", 0, 0, 1e21, 0).Line("0", 0, 0, 5, 5);
  w.Str(0, "LINE").Str(8, "ON").Point(10, 0, 0).Point(11, std::nan(""), 0);
  w.EndSection().Eof();
  Loaded loaded = Load(w.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  cSheet& sheet = *loaded.result.Document()->GetFirstSheet();
  // Layer "0" is the table's by-block record, here hidden; "ON" the one level.
  LevelTable& levels = sheet.Data()->Levels();
  EXPECT_EQ(levels.GetLevel(65535)->visible, 0);
  ASSERT_EQ(levels.Count(), 1u);
  EXPECT_EQ(levels.GetLevel(0)->name, WString(u"ON"));
  EXPECT_EQ(levels.GetLevel(0)->visible, 1);
  auto objects = TopObjects(*loaded.result.Document());
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0]->Level(), 0);
  EXPECT_EQ(objects[1]->Level(), 65535);
}

TEST(DxfReaderTest, AttributesOfAnInsertTakeThePromptsOfTheirDefinitions) {
  DxfWriter w;
  // A release whose texts are UTF-8, for the accented tags.
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1021").EndSection();
  w.Section("BLOCKS").Block("DOOR").Line("0", 0, 0, 1, 0);
  w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "").Str(2, "WIDTH").Str(3, "Door width?");
  w.EndBlock().EndSection().Section("ENTITIES");
  w.Str(0, "INSERT").Str(8, "0").Str(2, "DOOR").Int(66, 1).Point(10, 10, 0);
  // Two attributes of one tag (case aside) give one.
  w.Str(0, "ATTRIB").Str(8, "0").Point(10, 10, 0).Real(40, 1).Str(1, "90").Str(2, "WIDTH").Int(70, 0);
  w.Str(0, "ATTRIB").Str(8, "0").Point(10, 10, 0).Real(40, 1).Str(1, "80").Str(2, "width").Int(70, 1);
  // Nor do accents: four tags give one, the first.
  for (const char* tag : {"CISLO", "\u010C\u00CDSLO", "\u010D\u00EDslo", "cislo"}) {
    w.Str(0, "ATTRIB").Str(8, "0").Point(10, 10, 0).Real(40, 1).Str(1, tag).Str(2, tag).Int(70, 1);
  }
  w.Str(0, "SEQEND").Str(8, "0").EndSection().Eof();
  Loaded loaded = Load(w.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  auto top = TopObjects(*loaded.result.Document());
  ASSERT_EQ(top.size(), 1u);
  cInsert* insert = top[0]->AsInsert();
  ASSERT_TRUE(insert);
  const AttributeList& attributes = insert->attributes;
  ASSERT_EQ(attributes.Count(), 2u);
  EXPECT_EQ(attributes.Get(0)->name, WString(u"WIDTH"));
  EXPECT_EQ(attributes.Get(0)->value, WString(u"90"));
  EXPECT_EQ(attributes.Get(0)->third, WString(u"Door width?"));
  EXPECT_EQ(attributes.Get(0)->flag, 1);
  EXPECT_EQ(attributes.Get(1)->name, WString(u"CISLO"));
  EXPECT_EQ(attributes.Get(1)->value, WString(u"CISLO"));
  EXPECT_EQ(attributes.Get(1)->third, WString());
  EXPECT_EQ(attributes.Get(1)->flag, 0);
  // The visible attribute's text is drawn with the block's line; the one
  // flagged invisible (70 = 1) is not.
  EXPECT_EQ(BlockObjects(*loaded.result.Document(), *insert).size(), 2u);
}

// One insert of n attributes over a block of n definitions, n taken once
// and four times over: the tags are gathered and their prompts found in
// work that grows with n (a scan per tag grows with its square). A tag
// repeated in another case and a definition repeated keep their first.
TEST(DxfReaderTest, AttributesOfAnInsertAreGatheredInWorkThatGrowsWithTheirNumber) {
  std::uint64_t work[2] = {};
  for (int round = 0; round < 2; ++round) {
    const int n = round == 0 ? 300 : 1200;
    DxfWriter w;
    w.Section("BLOCKS").Block("TAGS").Line("0", 0, 0, 1, 0);
    for (int i = 0; i < n; ++i) {
      w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "");
      w.Str(2, "T" + std::to_string(i)).Str(3, "prompt " + std::to_string(i)).Int(70, 1);
    }
    w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "").Str(2, "T0").Str(3, "second").Int(70, 1);
    w.EndBlock().EndSection().Section("ENTITIES");
    w.Str(0, "INSERT").Str(8, "0").Str(2, "TAGS").Int(66, 1).Point(10, 0, 0);
    for (int i = 0; i < n; ++i) {
      w.Str(0, "ATTRIB").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "v" + std::to_string(i));
      w.Str(2, "T" + std::to_string(i)).Int(70, 1);
    }
    w.Str(0, "ATTRIB").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "again").Str(2, "t1").Int(70, 1);
    w.Str(0, "SEQEND").Str(8, "0").EndSection().Eof();
    const std::uint64_t before = tag_index_testing::NameComparisons();
    Loaded loaded = Load(w.Bytes());
    work[round] = tag_index_testing::NameComparisons() - before;
    ASSERT_TRUE(loaded.result.Ok());
    auto top = TopObjects(*loaded.result.Document());
    ASSERT_EQ(top.size(), 1u);
    cInsert* insert = top[0]->AsInsert();
    ASSERT_TRUE(insert);
    const AttributeList& attributes = insert->attributes;
    ASSERT_EQ(attributes.Count(), std::uint32_t(n));
    for (int i = 0; i < n; ++i) {
      const AttributeItem& item = *attributes.Get(std::uint32_t(i));
      ASSERT_EQ(item.name, WString::FromUtf8("T" + std::to_string(i)));
      ASSERT_EQ(item.value, WString::FromUtf8("v" + std::to_string(i)));
      ASSERT_EQ(item.third, WString::FromUtf8("prompt " + std::to_string(i)));
      ASSERT_EQ(item.flag, 0);
    }
  }
  EXPECT_GT(work[0], 0u);
  EXPECT_LT(work[1], 6 * work[0]) << work[0] << " then " << work[1];
}

// An R2000 file as other programs write it: subclass markers, owners, an
// INSERT at half size whose attributes follow it up to SEQEND. The visible
// values are drawn where the file puts them: one centred on its insertion
// point with no alignment point (group 11) written; the invisible one not.
TEST(DxfReaderTest, AttributeValuesAreDrawnWhereTheFilePutsThem) {
  DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("BLOCKS").Str(0, "BLOCK").Str(5, "40").Str(100, "AcDbEntity").Str(8, "0");
  w.Str(100, "AcDbBlockBegin").Str(2, "FLAG").Int(70, 2).Point(10, 0, 0).Str(3, "FLAG");
  w.Str(0, "LINE").Str(5, "42").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbLine").Point(10, 0, 0).Point(11, 10, 0);
  w.Str(0, "ATTDEF").Str(5, "44").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbText").Point(10, 0, -3);
  w.Real(40, 1.0).Str(1, "").Int(72, 1).Str(100, "AcDbAttributeDefinition").Str(3, "some prompt").Str(2, "NAME");
  w.Int(70, 0);
  w.Str(0, "ENDBLK").Str(5, "41").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbBlockEnd").EndSection();
  w.Section("ENTITIES").Str(0, "INSERT").Str(5, "50").Str(100, "AcDbEntity").Str(8, "0");
  w.Str(100, "AcDbBlockReference").Int(66, 1).Str(2, "FLAG").Point(10, 20, 20).Real(41, 0.5).Real(42, 0.5);
  w.Str(0, "ATTRIB").Str(5, "51").Str(330, "50").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbText");
  w.Point(10, 20, 18.5).Real(40, 0.5).Str(1, "some prompt data").Int(72, 1).Str(100, "AcDbAttribute");
  w.Str(2, "NAME").Int(70, 0);
  w.Str(0, "ATTRIB").Str(5, "52").Str(330, "50").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbText");
  w.Point(10, 20, 17).Real(40, 0.5).Str(1, "hidden").Str(100, "AcDbAttribute").Str(2, "SECRET").Int(70, 1);
  w.Str(0, "SEQEND").Str(5, "53").Str(330, "50").Str(100, "AcDbEntity").Str(8, "0").EndSection().Eof();
  Loaded loaded = Load(w.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  auto top = TopObjects(*loaded.result.Document());
  ASSERT_EQ(top.size(), 1u);
  cInsert* insert = top[0]->AsInsert();
  ASSERT_TRUE(insert);
  ASSERT_EQ(insert->attributes.Count(), 2u);
  EXPECT_EQ(insert->attributes.Get(0)->third, WString(u"some prompt"));
  std::vector<cText*> texts;
  for (cOutObj* o : BlockObjects(*loaded.result.Document(), *insert)) {
    if (cText* t = o->AsText()) texts.push_back(t);
  }
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0]->GetText(), WString(u"some prompt data"));
  // The block's objects lie about the insertion point (y down).
  EXPECT_NEAR(insert->point.x + texts[0]->point.x, 20, 1e-9);
  EXPECT_NEAR(insert->point.y + texts[0]->point.y, -18.5, 1e-9);
}

TEST(DxfReaderTest, DrawOrderOfTheModelSpaceFollowsItsSortTable) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "BLOCK_RECORD").Str(0, "BLOCK_RECORD").Str(5, "1F");
  w.Str(2, "*Model_Space").Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES");
  w.Str(0, "LINE").Str(5, "A0").Str(8, "0").Point(10, 0, 0).Point(11, 1, 0);
  w.Str(0, "LINE").Str(5, "B0").Str(8, "0").Point(10, 0, 0).Point(11, 2, 0);
  w.Str(0, "CIRCLE").Str(5, "C0").Str(8, "0").Int(67, 1).Point(10, 0, 0).Real(40, 1);
  w.EndSection().Section("OBJECTS");
  // A is drawn where B was, B where A was: the two lines swap.
  w.Str(0, "SORTENTSTABLE").Str(5, "99").Str(330, "1F").Str(100, "AcDbSortentsTable").Str(330, "1F");
  w.Str(331, "A0").Str(5, "B0").Str(331, "B0").Str(5, "A0");
  w.EndSection().Eof();
  Loaded loaded = Load(w.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  auto objects = TopObjects(*loaded.result.Document());
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_DOUBLE_EQ(dynamic_cast<cLine*>(objects[0])->end.x, 2.0);
  EXPECT_DOUBLE_EQ(dynamic_cast<cLine*>(objects[1])->end.x, 1.0);
  // The paper-space circle keeps its sheet.
  ASSERT_EQ(loaded.result.Document()->SheetCount(), 2u);
}

// The assembly leaves out its walks for what a block does not hold, by the
// counts the reader keeps: they count what was added to each block, and a
// drawing without paper-space records gets no paper sheet.
TEST(DxfReaderTest, BlocksCountTheirViewportsAttributeDefinitionsAndPaperRecords) {
  DxfWriter w;
  w.Section("BLOCKS").Block("DOOR").Line("0", 0, 0, 1, 0);
  w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "").Str(3, "Width?").Str(2, "WIDTH").Int(70, 0);
  w.EndBlock().EndSection();
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1).Line("0", 0, 0, 2, 2);
  w.Str(0, "CIRCLE").Str(8, "0").Int(67, 1).Point(10, 0, 0).Real(40, 1);
  w.Str(0, "VIEWPORT").Str(8, "0").Int(67, 1).Point(10, 100, 100).Real(40, 80).Real(41, 40).Int(69, 1);
  w.EndSection().Eof();
  ByteArray bytes = ToBytes(w.Bytes());
  InFileStream in = InFileStream::FromMemory(bytes);
  YxxfReader reader(WString(u"counts.dxf"), 1);
  DxfReadOutcome outcome;
  ASSERT_TRUE(ReadDxfSections(reader, nullptr, in, outcome));
  EXPECT_EQ(reader.defaultBlock.entities.Count(), 4u);
  EXPECT_EQ(reader.defaultBlock.paperRecords, 2u);
  EXPECT_EQ(reader.defaultBlock.viewportRecords, 1u);
  EXPECT_EQ(reader.defaultBlock.attributeDefinitions, 0u);
  ASSERT_EQ(reader.blocks.Count(), 1u);
  EXPECT_EQ(reader.blocks[0]->attributeDefinitions, 1u);
  EXPECT_EQ(reader.blocks[0]->paperRecords, 0u);
  EXPECT_EQ(reader.blocks[0]->viewportRecords, 0u);

  DxfWriter model;
  model.Section("ENTITIES").Line("0", 0, 0, 1, 1).EndSection().Eof();
  Loaded loaded = Load(model.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.result.Document()->SheetCount(), 1u);
}

TEST(DxfReaderTest, TheModelIsSeenAlongItsActiveViewport) {
  // A vertical line is a point from above; along (1, 1, 1) it has a length.
  auto lengthSeen = [](bool tilted) {
    DxfWriter w;
    if (tilted) {
      w.Section("TABLES").Str(0, "TABLE").Str(2, "VPORT").Str(0, "VPORT").Str(2, "*Active").Point(16, 1, 1, 1);
      w.Str(0, "ENDTAB").EndSection();
    }
    w.Section("ENTITIES").Str(0, "LINE").Str(8, "0").Point(10, 0, 0, 0).Point(11, 0, 0, 10).EndSection().Eof();
    Loaded loaded = Load(w.Bytes());
    EXPECT_TRUE(loaded.result.Ok());
    if (!loaded.result.Ok()) return -1.0;
    auto objects = TopObjects(*loaded.result.Document());
    EXPECT_EQ(objects.size(), 1u);
    auto* line = objects.empty() ? nullptr : dynamic_cast<cLine*>(objects[0]);
    return line ? std::hypot(line->end.x - line->start.x, line->end.y - line->start.y) : -1.0;
  };
  EXPECT_NEAR(lengthSeen(false), 0.0, 1e-9);
  // Seen along the diagonal, 10 along z shows as 10 x sqrt(2/3).
  EXPECT_NEAR(lengthSeen(true), 10.0 * std::sqrt(2.0 / 3.0), 1e-9);
}

TEST(DxfReaderTest, PaperSheetSkipsTheOverallViewportById) {
  DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  // The viewport of id 2 comes first; the overall one (id 1) second.
  for (int id : {2, 1}) {
    w.Str(0, "VIEWPORT").Str(8, "0").Int(67, 1).Point(10, 100, 100).Real(40, id == 2 ? 50 : 80).Real(41, 40);
    w.Int(69, id);
    w.Point(12, 0, 0).Point(16, 0, 0, 1).Real(45, 10);
  }
  w.Str(0, "CIRCLE").Str(8, "0").Int(67, 1).Point(10, 5, 5).Real(40, 1);
  w.EndSection().Eof();
  Loaded loaded = Load(w.Bytes());
  ASSERT_TRUE(loaded.result.Ok());
  ASSERT_EQ(loaded.result.Document()->SheetCount(), 2u);
  EXPECT_EQ(loaded.result.Document()->GetSheet(1)->name, WString(u"Paper"));
  EXPECT_EQ(loaded.report.paper["VIEWPORT"], 2u);
  auto paper = TopObjects(*loaded.result.Document(), 1);
  ASSERT_EQ(paper.size(), 2u);
  EXPECT_EQ(paper[0]->TypeCode(), kTypeSection);
  // The view kept is the one of id 2, 50 wide.
  DRect extent;
  paper[0]->GetExtent(extent);
  EXPECT_NEAR(std::fabs(extent.x2 - extent.x1), 50.0, 1e-6);
  EXPECT_EQ(TopObjects(*loaded.result.Document(), 0).size(), 1u);
}

// Twenty lines placed through two arrays of 10,000 cells: two billion
// lines, refused before any is made.
TEST(DxfReaderTest, AnImportPastItsForecastStopsWithAMessage) {
  DxfWriter w;
  w.Section("BLOCKS").Block("A");
  for (int i = 0; i < 20; ++i) w.Line("0", i, 0, i, 1);
  w.EndBlock().Block("B");
  w.Str(0, "INSERT").Str(8, "0").Str(2, "A").Point(10, 0, 0).Int(70, 100).Int(71, 100).Real(44, 30).Real(45, 2);
  w.EndBlock().EndSection().Section("ENTITIES");
  w.Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, 0, 0).Int(70, 100).Int(71, 100).Real(44, 3000).Real(45, 200);
  w.EndSection().Eof();
  ByteArray bytes = ToBytes(w.Bytes());
  InFileStream in = InFileStream::FromMemory(bytes);
  YxxfReader reader(WString(u"budget.dxf"), 1);
  DxfReadOutcome outcome;
  ASSERT_TRUE(ReadDxfSections(reader, nullptr, in, outcome));
  EXPECT_EQ(reader.AssembleDrawing(nullptr), nullptr);
  EXPECT_EQ(reader.stopMessage, DrawingTooLargeText()) << reader.stopMessage.ToUtf8();
}

TEST(DxfReaderTest, RunningOutOfMemoryStopsTheImportWithTheLanguageTableMessage) {
  DxfWriter w = DrawingWithBlock();
  w.Insert("B", "0", 0, 0).EndSection().Eof();
  ByteArray bytes = ToBytes(w.Bytes());
  InFileStream in = InFileStream::FromMemory(bytes);
  // Past the threshold the low-memory callback runs before every allocation.
  const std::uint64_t held = GetAllocatedBytes(), peak = GetPeakAllocatedBytes();
  alloc_testing::SetCounters(kLowMemoryThreshold + 1, kLowMemoryThreshold + 1);
  DocumentResult result = LoadDxfStream(in, WString(u"big.dxf"), nullptr, nullptr);
  alloc_testing::SetCounters(held, peak);
  ASSERT_FALSE(result.Ok());
  // The text of the tables with the most bytes held in place of %s.
  const std::string text = LoadLangString(kStrOutOfMemory).ToUtf8();
  const std::size_t marker = text.find("%s");
  ASSERT_NE(marker, std::string::npos);
  const std::string detail = result.Detail().ToUtf8();
  EXPECT_EQ(detail.rfind(text.substr(0, marker), 0), 0u) << detail;
  // The most bytes held: at least what the counters were set to.
  EXPECT_GT(std::strtoull(detail.c_str() + std::min(marker, detail.size()), nullptr, 10), kLowMemoryThreshold)
      << detail;
  // The next import runs normally.
  ByteArray again = ToBytes(w.Bytes());
  InFileStream second = InFileStream::FromMemory(again);
  EXPECT_TRUE(LoadDxfStream(second, WString(u"small.dxf"), nullptr, nullptr).Ok());
}

// The low-memory stop holds every step of the open, not only the records'
// conversion: 1,000 cells of an array, each with four attributes in
// simplex.shx, are within the forecast's ceiling, but the strokes of their
// texts (some 100 MB, loaded for the blocks once the objects are made)
// pass a threshold lowered to 24 MB above what was held, and the open
// stops there. So does a block of 4,000 texts in simplex.shx placed once,
// whose strokes (some 100 MB) are made while the drawing's area is taken.
TEST(DxfReaderTest, TheLowMemoryStopHoldsTheOpenAtItsThreshold) {
  // The SHX fonts join the font list for this test alone.
  const test::InstalledShxFonts shxFonts;
  auto styled = [] {
    DxfWriter w;
    w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE").Int(70, 1);
    w.Str(0, "STYLE").Str(2, "S").Int(70, 0).Real(40, 0).Real(41, 1).Str(3, "simplex.shx").Str(4, "").Str(0, "ENDTAB");
    w.EndSection().Section("BLOCKS");
    return w;
  };
  DxfWriter cells = styled();
  cells.Block("B").Line("0", 0, 0, 1, 0);
  for (int k = 0; k < 4; ++k) {
    cells.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, -k).Real(40, 0.5).Str(1, "").Str(3, "P");
    cells.Str(2, "T" + std::to_string(k));
  }
  cells.EndBlock().EndSection().Section("ENTITIES");
  cells.Str(0, "INSERT").Str(8, "0").Int(66, 1).Str(2, "B").Point(10, 0, 0).Int(70, 100).Int(71, 10);
  cells.Real(44, 40).Real(45, 10);
  for (int k = 0; k < 4; ++k) {
    cells.Str(0, "ATTRIB").Str(8, "0").Point(10, 0, -k).Real(40, 0.5).Str(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    cells.Str(2, "T" + std::to_string(k)).Int(70, 0).Str(7, "S");
  }
  cells.Str(0, "SEQEND").Str(8, "0").EndSection().Eof();
  DxfWriter texts = styled();
  texts.Block("T");
  for (int k = 0; k < 4000; ++k) {
    texts.Str(0, "TEXT").Str(8, "0").Point(10, (k % 40) * 20.0, (k / 40) * 2.0).Real(40, 0.5);
    texts.Str(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ").Str(7, "S");
  }
  texts.EndBlock().EndSection().Section("ENTITIES").Insert("T", "0", 0, 0).EndSection().Eof();
  for (const auto& [name, drawing] : {std::pair{"1,000 cells of four attributes", &cells},
                                      std::pair{"a block of 4,000 texts placed once", &texts}}) {
    SCOPED_TRACE(name);
    ByteArray bytes = ToBytes(drawing->Bytes());
    InFileStream in = InFileStream::FromMemory(bytes);
    const std::uint64_t held = GetAllocatedBytes();
    alloc_testing::SetCounters(held, held);
    constexpr std::uint64_t kAllowed = 24u << 20;
    alloc_testing::SetLowMemoryThreshold(held + kAllowed);
    DocumentResult result = LoadDxfStream(in, WString(u"strokes.dxf"), nullptr, nullptr);
    alloc_testing::SetLowMemoryThreshold(kLowMemoryThreshold);
    const std::uint64_t peak = GetPeakAllocatedBytes() - held;
    ASSERT_FALSE(result.Ok());
    const std::string text = LoadLangString(kStrOutOfMemory).ToUtf8();
    EXPECT_EQ(result.Detail().ToUtf8().rfind(text.substr(0, text.find("%s")), 0), 0u) << result.Detail().ToUtf8();
    // The threshold, and the few texts in hand when it was passed.
    EXPECT_LT(peak, kAllowed + (1u << 20));
  }
}

}  // namespace
}  // namespace kvn
