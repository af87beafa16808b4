// Every DXF file of the shared test data through the DXF reader: the
// entities it finds per type in model and paper space equal what a peer
// library finds (tools/gen_dxf_source_oracle.py, data/dxf_source_counts.txt);
// the ASCII and binary twins make the same drawing; damaged or minimal
// files keep what they hold.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "document/DwgLoadReport.h"
#include "document/FormatReader.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/ImportReaders.h"
#include "import/dxf/DxfReader.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// The message in the current language; the language table is left unloaded
// as it was, so that later tests may switch the language.
WString FileReadError() {
  WString text = LoadLangString(19136);
  InvalidateLangTable();
  return text;
}

using Counts = std::map<std::string, std::uint64_t>;

struct PeerCounts {
  Counts model, paper;
};

std::map<std::string, PeerCounts> ReadOracle() {
  std::map<std::string, PeerCounts> out;
  std::ifstream in(std::string(KVN_IMPORT_TEST_DIR) + "/data/dxf_source_counts.txt");
  std::string file, kind, name;
  std::uint64_t count = 0;
  while (in >> file >> kind >> name >> count) (kind == "model" ? out[file].model : out[file].paper)[name] = count;
  return out;
}

Counts ObjectsByType(const cDrawingDoc& document) {
  Counts out;
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) {
    for (cOutObj* o = document.GetSheet(s)->TopBlock().FirstObject(); o; o = o->next) ++out[std::to_string(o->TypeCode())];
  }
  return out;
}

TEST(DxfSourceCountsTest, EveryFileCountsWhatThePeerCounts) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto oracle = ReadOracle();
  ASSERT_FALSE(oracle.empty());
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "dxf")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".dxf" || name.rfind("bad_", 0) == 0) continue;
    SCOPED_TRACE(name);
    ++files;
    DwgLoadReport report;
    DocumentResult result = LoadDxfFile(WString::FromUtf8(entry.path().string()), nullptr, &report);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(report.format, "DXF");
    EXPECT_TRUE(report.readError.empty());
    const auto found = oracle.find(name);
    const PeerCounts peer = found == oracle.end() ? PeerCounts{} : found->second;
    EXPECT_EQ(report.entities, peer.model);
    EXPECT_EQ(report.paper, peer.paper);
  }
  EXPECT_GE(files, 14);
}

TEST(DxfSourceCountsTest, TheDispatcherProbesDxfFilesByContent) {
  KVN_REQUIRE_TESTDATA(dir);
  FormatRegistry registry;
  RegisterImportReaders(registry);
  for (const char* name : {"ezdxf_bin_dxf_r12.dxf", "libredwg_example_2000_binary.dxf", "ezdxf_text.dxf",
                           "ezdxf_Minimal_DXF_AC1009.dxf"}) {
    InFileStream in(WString::FromUtf8((dir / "dxf" / name).string()));
    const FormatReader* reader = registry.Probe(in, WString(u"x.bin"));
    ASSERT_TRUE(reader) << name;
    EXPECT_EQ(reader->slot, FormatSlot::kDxf) << name;
  }
}

TEST(DxfSourceCountsTest, AsciiAndBinaryTwinsMakeTheSameDrawing) {
  KVN_REQUIRE_TESTDATA(dir);
  DwgLoadReport asciiReport, binaryReport;
  DocumentResult ascii =
      LoadDxfFile(WString::FromUtf8((dir / "dxf/libredwg_example_2000.dxf").string()), nullptr, &asciiReport);
  DocumentResult binary = LoadDxfFile(WString::FromUtf8((dir / "dxf/libredwg_example_2000_binary.dxf").string()),
                                      nullptr, &binaryReport);
  ASSERT_TRUE(ascii.Ok() && binary.Ok());
  EXPECT_EQ(asciiReport.encoding, "ASCII");
  EXPECT_EQ(binaryReport.encoding, "binary");
  EXPECT_EQ(asciiReport.entities, binaryReport.entities);
  EXPECT_EQ(asciiReport.blockEntities, binaryReport.blockEntities);
  EXPECT_EQ(asciiReport.skipped, binaryReport.skipped);
  EXPECT_EQ(ObjectsByType(*ascii.Document()), ObjectsByType(*binary.Document()));
  ASSERT_EQ(ascii.Document()->SheetCount(), binary.Document()->SheetCount());
  for (std::uint32_t s = 0; s < ascii.Document()->SheetCount(); ++s) {
    const DRect a = ascii.Document()->GetSheet(s)->Drawing().GetExtent();
    const DRect b = binary.Document()->GetSheet(s)->Drawing().GetExtent();
    // The ASCII file writes 16 significant digits.
    for (auto [x, y] : {std::pair{a.x1, b.x1}, {a.y1, b.y1}, {a.x2, b.x2}, {a.y2, b.y2}}) {
      EXPECT_NEAR(x, y, 1e-9 * std::max(1.0, std::fabs(x)));
    }
  }
}

TEST(DxfSourceCountsTest, TrashBeyondEofMinimalAndTruncatedFiles) {
  KVN_REQUIRE_TESTDATA(dir);
  DwgLoadReport trashReport;
  DocumentResult trash = LoadDxfFile(WString::FromUtf8((dir / "dxf/ezdxf_R12_with_trash_beyond_EOF.dxf").string()),
                                     nullptr, &trashReport);
  ASSERT_TRUE(trash.Ok());
  EXPECT_TRUE(trash.Warnings().empty());
  EXPECT_FALSE(trash.Partial());
  EXPECT_EQ(trash.Document()->GetFirstSheet()->TopBlock().FirstObject() != nullptr, true);

  DocumentResult minimal =
      LoadDxfFile(WString::FromUtf8((dir / "dxf/ezdxf_Minimal_DXF_AC1009.dxf").string()), nullptr, nullptr);
  ASSERT_TRUE(minimal.Ok());
  EXPECT_TRUE(minimal.Warnings().empty());

  DwgLoadReport cutReport;
  DocumentResult cut =
      LoadDxfFile(WString::FromUtf8((dir / "dxf/bad_truncated_example_r12.dxf").string()), nullptr, &cutReport);
  ASSERT_TRUE(cut.Ok());
  EXPECT_TRUE(cut.Partial());
  EXPECT_EQ(cutReport.readError, FileReadError().ToUtf8());
  // The part read: the entities before the cut.
  EXPECT_GT(cutReport.entities["INSERT"], 10u);
  EXPECT_GT(ObjectsByType(*cut.Document()).size(), 3u);
}

TEST(DxfSourceCountsTest, CutAndFlippedFilesEndWithAResultInSeconds) {
  KVN_REQUIRE_TESTDATA(dir);
  for (const char* name : {"libredwg_example_2000.dxf", "libredwg_example_2000_binary.dxf"}) {
    SCOPED_TRACE(name);
    std::ifstream file(dir / "dxf" / name, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 1000u);
    const auto start = std::chrono::steady_clock::now();
    auto load = [](const std::string& bytes, DwgLoadReport& report) {
      ByteArray array;
      array.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
      InFileStream in = InFileStream::FromMemory(array);
      return LoadDxfStream(in, WString(u"broken.dxf"), nullptr, &report).Ok();
    };
    // Cut files open with what was read and say so.
    for (int percent = 5; percent < 100; percent += 5) {
      DwgLoadReport report;
      EXPECT_TRUE(load(whole.substr(0, whole.size() * percent / 100), report)) << percent;
      EXPECT_FALSE(report.readError.empty()) << percent;
    }
    std::uint32_t seed = 12345;
    for (int flip = 0; flip < 60; ++flip) {
      std::string bytes = whole;
      for (int bit = 0; bit < 8; ++bit) {
        seed = seed * 1103515245u + 12345u;
        bytes[(seed >> 4) % bytes.size()] ^= char(1 << (seed % 8));
      }
      DwgLoadReport report;
      load(bytes, report);
    }
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
  }
}

}  // namespace
}  // namespace kvn
