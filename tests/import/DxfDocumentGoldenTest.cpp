// The whole document every DXF sample builds, pinned: each sheet's levels,
// style tables, generated blocks and top-block objects written in the native
// record form (lossless for every number), their extents and the warnings,
// hashed per part and compared with data/dxf_document_fingerprints.txt.
// Readers and the assembly may get faster; what they build must not move by
// a bit. KVN_WRITE_GOLDENS=1 rewrites the file from the current build (only
// after a change that is meant to alter the documents).
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/LoadQuestions.h"
#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/LevelTable.h"
#include "model/StyleRefs.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::uint64_t Fnv(const ByteArray& bytes, std::uint64_t h = 1469598103934665603ull) {
  for (std::int64_t i = 0; i < bytes.Count(); ++i) {
    h ^= bytes[i];
    h *= 1099511628211ull;
  }
  return h;
}

std::string Hex(std::uint64_t v) {
  char text[20];
  std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(v));
  return text;
}

std::string Bits(double v) { return Hex(std::bit_cast<std::uint64_t>(v)); }

template <class Table>
void WriteTable(Table& table, cDrawingData* data, ArchiveWriter& w) {
  w.WriteRaw32(table.Count());
  for (std::uint32_t i = 0; i < table.Count(); ++i) table.Get(i)->Write(w, data);
}

// Every object of a chain with its extent; the count goes to `count`.
void WriteObjects(cOutObj* first, cDrawingData* data, ArchiveWriter& w, std::uint32_t& count) {
  for (cOutObj* o = first; o; o = o->next, ++count) {
    w.WriteByte(o->TypeCode());
    w.WriteUInt16(o->Level());
    o->Write(data, w);
    DRect extent;
    o->GetExtent(extent);
    for (double v : {extent.x1, extent.y1, extent.x2, extent.y2}) w.WriteDouble(v);
  }
}

std::string SheetLine(cSheet& sheet) {
  cDrawingData* data = sheet.Data();
  std::ostringstream line;
  line << "sheet \"" << sheet.name.ToUtf8() << "\" scale " << Bits(data->GetScale());

  ByteArray levels;
  {
    ArchiveWriter w(&levels);
    LevelTable& table = data->Levels();
    w.WriteBit(table.InUse());
    w.WriteUInt16(table.GetCurrentIndex());
    for (std::uint32_t i = 0; i <= table.Count(); ++i) {
      const LevelRecord* level = table.GetLevel(i < table.Count() ? std::uint16_t(i) : 65535);
      w.WriteString(level->name);
      w.WriteByte(level->firstFlag);
      w.WriteByte(level->visible);
      w.WriteByte(level->printable);
      w.WriteRaw32(level->color);
      w.WriteDouble(level->value);
    }
  }
  line << " levels " << data->Levels().Count() << ":" << Hex(Fnv(levels));

  // Objects first (their style references write each style inline once),
  // then the tables in full.
  ResetStyleWriteNumbers(*data);
  ByteArray blocks, top, styles;
  std::uint32_t blockObjects = 0, topObjects = 0;
  {
    ArchiveWriter w(&blocks);
    for (std::uint32_t b = 0; b < data->BlockCount(); ++b) {
      cBlock* block = data->GetBlock(b);
      if (!block) {
        w.WriteByte(0);
        continue;
      }
      block->WriteFields(data, w);
      WriteObjects(block->FirstObject(), data, w, blockObjects);
    }
  }
  {
    ArchiveWriter w(&top);
    WriteObjects(sheet.TopBlock().FirstObject(), data, w, topObjects);
  }
  {
    ArchiveWriter w(&styles);
    WriteTable(data->LineStyles(), data, w);
    WriteTable(data->FillStyles(), data, w);
    WriteTable(data->TextStyles(), data, w);
    WriteTable(data->WallStyles(), data, w);
    WriteTable(data->LinkStyles(), data, w);
    WriteTable(data->FontStyles(), data, w);
  }
  const DRect extent = sheet.Drawing().GetExtent();
  line << " blocks " << data->BlockCount() << "/" << blockObjects << ":" << Hex(Fnv(blocks)) << " top " << topObjects
       << ":" << Hex(Fnv(top)) << " styles " << Hex(Fnv(styles)) << " extent " << Bits(extent.x1) << ","
       << Bits(extent.y1) << "," << Bits(extent.x2) << "," << Bits(extent.y2);
  return line.str();
}

std::string DocumentLines(const std::string& name, const DocumentResult& result) {
  std::ostringstream out;
  if (!result.Ok()) return name + " failed\n";
  cDrawingDoc& document = *result.Document();
  // What the user is told: the notice of a partial read counts as one.
  const std::size_t told = result.Warnings().size() + (result.Partial() ? 1 : 0);
  out << name << " sheets " << document.SheetCount() << " warnings " << told << "\n";
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) out << name << " " << SheetLine(*document.GetSheet(s)) << "\n";
  return out.str();
}

// A small drawing of the entity mix the open benchmark times, with an insert
// array, a by-block insert and texts of two heights.
std::string MixedDrawing(test::DxfWriter::Form form) {
  test::DxfWriter w(form);
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER");
  for (int i = 0; i < 4; ++i) w.Layer("LAYER" + std::to_string(i), 1 + i, i == 3 ? 1 : 0);
  w.Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("PART").Line("0", 0, 0, 1, 0).Line("0", 1, 0, 1, 1, 0);
  w.Str(0, "CIRCLE").Str(8, "0").Point(10, 0.5, 0.5).Real(40, 0.25).EndBlock().EndSection();
  w.Section("ENTITIES");
  for (int i = 0; i < 210; ++i) {
    const std::string layer = "LAYER" + std::to_string(i % 5);
    const double x = (i % 30) * 10.25, y = (i / 30) * 10.5;
    switch (i % 7) {
      case 0: w.Line(layer, x, y, x + 7.5, y + 3.25, i % 3 == 0 ? 256 : i % 9); break;
      case 1:
        w.Str(0, "LWPOLYLINE").Str(8, layer).Int(90, 4).Int(70, i % 2);
        for (int k = 0; k < 4; ++k) w.Real(10, x + (k & 1) * 5.0).Real(20, y + (k >> 1) * 5.0).Real(42, k == 1 ? 0.5 : 0.0);
        break;
      case 2: w.Str(0, "CIRCLE").Str(8, layer).Point(10, x, y).Real(40, 2.5); break;
      case 3: w.Str(0, "ARC").Str(8, layer).Point(10, x, y).Real(40, 3.0).Real(50, 15.0).Real(51, 195.0); break;
      case 4:
        w.Str(0, "TEXT").Str(8, layer).Point(10, x, y).Real(40, i % 2 ? 1.5 : 2.0).Str(1, "Label " + std::to_string(i));
        break;
      case 5:
        w.Str(0, "INSERT").Str(8, layer).Str(2, "PART").Point(10, x, y).Int(62, i % 2 ? 0 : 3);
        if (i % 4 == 1) w.Int(70, 3).Int(71, 2).Real(44, 2.0).Real(45, 1.5);
        break;
      default:
        w.Str(0, "HATCH").Str(8, layer).Point(10, 0, 0).Real(210, 0).Real(220, 0).Real(230, 1).Str(2, "SOLID");
        w.Int(70, 1).Int(71, 0).Int(91, 1).Int(92, 2).Int(72, 0).Int(73, 1).Int(93, 4);
        for (int k = 0; k < 4; ++k) w.Real(10, x + (k == 1 || k == 2) * 4.0).Real(20, y + (k >= 2) * 4.0);
        w.Int(97, 0).Int(75, 0).Int(76, 1).Int(98, 0);
        break;
    }
  }
  w.EndSection().Eof();
  return w.Bytes();
}

std::string AllDocuments(const std::filesystem::path& dir) {
  std::map<std::string, std::string> byName;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "dxf")) {
    if (entry.path().extension() != ".dxf") continue;
    const std::string name = entry.path().filename().string();
    DocumentResult result = LoadDxfFile(WString::FromUtf8(entry.path().string()), nullptr, nullptr);
    byName[name] = DocumentLines(name, result);
  }
  for (auto [form, name] : {std::pair{test::DxfWriter::Form::Text, "mixed-ascii"},
                            {test::DxfWriter::Form::Binary, "mixed-binary"}}) {
    const std::string bytes = MixedDrawing(form);
    ByteArray memory;
    memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
    InFileStream in = InFileStream::FromMemory(memory);
    byName[name] = DocumentLines(name, LoadDxfStream(in, WString(u"mixed.dxf"), nullptr, nullptr));
  }
  std::string out;
  for (const auto& [name, lines] : byName) out += lines;
  return out;
}

TEST(DxfDocumentGoldenTest, EverySampleBuildsTheDocumentItBuiltBefore) {
  KVN_REQUIRE_TESTDATA(dir);
  const std::string golden = std::string(KVN_IMPORT_TEST_DIR) + "/data/dxf_document_fingerprints.txt";
  const std::string now = AllDocuments(dir);
  if (const char* write = std::getenv("KVN_WRITE_GOLDENS"); write && *write == '1') {
    std::ofstream(golden, std::ios::binary) << now;
    GTEST_SKIP() << "rewrote " << golden;
  }
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(in) << golden;
  std::stringstream stored;
  stored << in.rdbuf();
  // Line by line, so that a failure names the file and the sheet part.
  std::istringstream a(stored.str()), b(now);
  std::string expected, actual;
  int lines = 0;
  while (std::getline(a, expected)) {
    ++lines;
    ASSERT_TRUE(std::getline(b, actual)) << "missing: " << expected;
    EXPECT_EQ(actual, expected);
  }
  EXPECT_FALSE(std::getline(b, actual)) << "extra: " << actual;
  EXPECT_GE(lines, 17);
}

// Groups read in place from the stream's window and groups read through the
// stream (an unbuffered stream has no window; a buffered one ends its window
// every 8 KB, often inside a group) build the same document.
TEST(DxfDocumentGoldenTest, ReadingInPlaceAndThroughTheStreamAgree) {
  for (auto form : {test::DxfWriter::Form::Text, test::DxfWriter::Form::Binary, test::DxfWriter::Form::BinaryOneByte}) {
    const std::string bytes = MixedDrawing(form);
    ByteArray memory;
    memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
    ASSERT_GT(memory.Count(), 2 * 8192);
    InFileStream buffered = InFileStream::FromMemory(memory);
    InFileStream unbuffered = InFileStream::FromMemory(memory, true);
    const std::string a = DocumentLines("x", LoadDxfStream(buffered, WString(u"mixed.dxf"), nullptr, nullptr));
    const std::string b = DocumentLines("x", LoadDxfStream(unbuffered, WString(u"mixed.dxf"), nullptr, nullptr));
    EXPECT_EQ(a, b) << int(form);
    EXPECT_NE(a.find("top 250:"), std::string::npos) << a;
  }
}

// The fingerprint sees one changed bit of one coordinate.
TEST(DxfDocumentGoldenTest, TheFingerprintSeesOneBit) {
  const std::string bytes = MixedDrawing(test::DxfWriter::Form::Binary);
  ByteArray memory;
  memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  DocumentResult result = LoadDxfStream(in, WString(u"mixed.dxf"), nullptr, nullptr);
  ASSERT_TRUE(result.Ok());
  const std::string before = DocumentLines("x", result);
  cOutObj* first = result.Document()->GetSheet(0)->TopBlock().FirstObject();
  ASSERT_TRUE(first);
  first->Move(DPoint{1e-12, 0.0});
  EXPECT_NE(DocumentLines("x", result), before);
}

// Someone to ask who keeps every answer: the model might then be built again
// after the view question, so its records are all kept to the end.
class KeepingQuestions final : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion&) override { return true; }
};

// Paper and model records mixed: attributes of either space after inserts
// of the other, a model record ending a paper insert's attributes, stray
// attributes, viewports and attribute definitions in both spaces.
std::string InterleavedDrawing() {
  test::DxfWriter w(test::DxfWriter::Form::Text);
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("BLOCKS").Block("TAGGED").Line("0", 0, 0, 2, 1);
  w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1.0).Str(1, "d").Str(3, "Prompt").Str(2, "T");
  w.EndBlock().EndSection();
  w.Section("ENTITIES");
  auto attrib = [&](bool paper, const std::string& tag, const std::string& value) {
    w.Str(0, "ATTRIB").Str(8, "0");
    if (paper) w.Int(67, 1);
    w.Point(10, 1, 1).Real(40, 1.0).Str(1, value).Str(2, tag).Int(70, 0);
  };
  auto insert = [&](bool paper, double x, bool attributes) {
    w.Str(0, "INSERT").Str(8, "0");
    if (paper) w.Int(67, 1);
    if (attributes) w.Int(66, 1);
    w.Str(2, "TAGGED").Point(10, x, 0.5 * x);
  };
  for (int i = 0; i < 6; ++i) {
    const double x = 10.0 * i;
    w.Line("0", x, 0, x + 5, 5);
    insert(true, x, true);
    attrib(false, "T", "model after paper " + std::to_string(i));
    attrib(true, "U", "paper after paper " + std::to_string(i));
    if (i % 2 == 0) w.Line("0", x, 1, x + 3, 4);
    attrib(true, "V", "stray paper " + std::to_string(i));
    insert(false, x + 1, true);
    attrib(true, "T", "paper after model " + std::to_string(i));
    attrib(false, "U", "model after model " + std::to_string(i));
    w.Str(0, "SEQEND").Str(8, "0");
    w.Str(0, "ATTDEF").Str(8, "0");
    if (i % 2) w.Int(67, 1);
    w.Point(10, x, 2).Real(40, 1.0).Str(1, "v").Str(3, "Asked").Str(2, "D" + std::to_string(i));
    w.Str(0, "VIEWPORT").Str(8, "0");
    if (i % 3) w.Int(67, 1);
    w.Point(10, x, 3).Real(40, 4.0).Real(41, 3.0).Int(69, i + 1);
    w.Str(0, "CIRCLE").Str(8, "0").Int(67, i % 2).Point(10, x, 4).Real(40, 1.5);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

// The model's records let go as the model is converted (nobody to ask)
// build what the records kept whole build.
TEST(DxfDocumentGoldenTest, ModelRecordsLetGoBuildWhatKeptRecordsBuild) {
  std::vector<std::pair<std::string, std::string>> drawings{{"interleaved", InterleavedDrawing()},
                                                            {"mixed", MixedDrawing(test::DxfWriter::Form::Text)}};
  if (const std::filesystem::path dir = test::TestDataDir(); !dir.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(dir / "dxf")) {
      if (entry.path().extension() != ".dxf") continue;
      std::ifstream file(entry.path(), std::ios::binary);
      std::stringstream bytes;
      bytes << file.rdbuf();
      drawings.emplace_back(entry.path().filename().string(), bytes.str());
    }
  }
  for (const auto& [name, bytes] : drawings) {
    ByteArray memory;
    memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
    InFileStream quiet = InFileStream::FromMemory(memory);
    const std::string letGo = DocumentLines(name, LoadDxfStream(quiet, WString(u"x.dxf"), nullptr, nullptr));
    KeepingQuestions questions;
    FormatReadContext context;
    context.questions = &questions;
    InFileStream asked = InFileStream::FromMemory(memory);
    const std::string kept = DocumentLines(name, LoadDxfStream(asked, WString(u"x.dxf"), nullptr, nullptr, &context));
    EXPECT_EQ(letGo, kept);
    if (name == "interleaved") {
      EXPECT_NE(letGo.find("sheets 2 "), std::string::npos) << letGo;
    }
  }
}

// What the reader reports beside the document: counts by name, the read
// error.
std::string ReportLines(const DwgLoadReport& report) {
  std::ostringstream out;
  out << report.version << " " << report.encoding << " error \"" << report.readError << "\"";
  for (const auto* counts : {&report.entities, &report.paper, &report.blockEntities, &report.subEntities,
                             &report.skipped}) {
    out << " |";
    for (const auto& [name, count] : *counts) out << " " << name << "=" << count;
  }
  out << " layers " << report.layers.size() << " blocks " << report.blocks.size();
  return out.str();
}

std::string LoadedLines(const std::string& name, const std::string& bytes, bool withMonitor) {
  ByteArray memory;
  memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  DwgLoadReport report;
  ProgressMonitor monitor;
  const DocumentResult result =
      LoadDxfStream(in, WString(u"x.dxf"), withMonitor ? &monitor : nullptr, &report);
  return DocumentLines(name, result) + ReportLines(report) + "\n";
}

// Reading ahead on a thread builds what reading on the section loop's own
// thread builds, whatever size its batches have: batches of a few groups
// end between an entity's groups, between a SECTION and its name, right
// before EOF. The samples, the mixed drawing in every form and with CR LF
// line ends, and damaged copies: cut at points through the file (inside a
// line, a binary value, a section), a code line of letters, trash after
// EOF. With and without a progress monitor (which asks for the end and the
// position before each group).
TEST(DxfDocumentGoldenTest, ReadingAheadBuildsWhatReadingInTheLoopBuilds) {
  struct Drawing {
    std::string name, bytes;
    bool small = true;
  };
  std::vector<Drawing> drawings;
  for (auto [form, name] : {std::pair{test::DxfWriter::Form::Text, "text"},
                            {test::DxfWriter::Form::Binary, "binary"},
                            {test::DxfWriter::Form::BinaryOneByte, "one-byte"}}) {
    const std::string bytes = MixedDrawing(form);
    drawings.push_back({name, bytes});
    for (std::size_t cut : {std::size_t(21), std::size_t(23), bytes.size() / 7, bytes.size() / 3 + 1,
                            bytes.size() / 2 + 3, bytes.size() - 9, bytes.size() - 1}) {
      drawings.push_back({std::string(name) + " cut at " + std::to_string(cut), bytes.substr(0, cut)});
    }
  }
  const std::string text = MixedDrawing(test::DxfWriter::Form::Text);
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  drawings.push_back({"crlf", crlf});
  drawings.push_back({"crlf cut", crlf.substr(0, crlf.size() / 2 + 1)});
  std::string letters = text;
  const std::size_t circle = letters.find("CIRCLE\n", letters.size() / 2);
  ASSERT_NE(circle, std::string::npos);
  letters.replace(circle + 7, 1, "XY");
  drawings.push_back({"letters", letters});
  drawings.push_back({"trash", text + "0\nLINE\n8\n0\n\x01\x02"});
  if (const std::filesystem::path dir = test::TestDataDir(); !dir.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(dir / "dxf")) {
      if (entry.path().extension() != ".dxf") continue;
      std::ifstream file(entry.path(), std::ios::binary);
      std::stringstream bytes;
      bytes << file.rdbuf();
      drawings.push_back({entry.path().filename().string(), bytes.str(), false});
    }
  }
  struct Restore {
    ~Restore() { dxf_testing::SetReadAhead(dxf_testing::ReadAhead::Auto); }
  } restore;
  for (const Drawing& drawing : drawings) {
    dxf_testing::SetReadAhead(dxf_testing::ReadAhead::Never);
    const std::string alone = LoadedLines(drawing.name, drawing.bytes, false);
    const std::vector<std::uint32_t> batches =
        drawing.small ? std::vector<std::uint32_t>{1, 2, 3, 5, 0} : std::vector<std::uint32_t>{3, 0};
    for (std::uint32_t batch : batches) {
      dxf_testing::SetReadAhead(dxf_testing::ReadAhead::Always, batch);
      EXPECT_EQ(LoadedLines(drawing.name, drawing.bytes, batch % 2 == 1), alone) << drawing.name << " batch " << batch;
    }
  }
}

}  // namespace
}  // namespace kvn
