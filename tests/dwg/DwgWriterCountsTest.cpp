// What every DWG of the sample drawings holds in model space, per DXF type:
// equal to another reader's counts (libredwg-web, stored in
// DwgPeerCounts.txt by tools/gen_dwg_peer_counts.mjs), equal between a DWG
// and its DXF twin whoever wrote them, and equal across the releases of one
// drawing. A classes section that cannot be read leaves the drawing open
// with a warning and its class objects counted by class number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportWarnings.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Counts = std::map<std::string, std::uint64_t>;

// The report of a file that opens; `warnings` receives the open result's.
DwgLoadReport LoadReport(const std::filesystem::path& path, std::vector<std::string>* warnings = nullptr) {
  DwgLoadReport report;
  const WString name = WString::FromUtf8(path.string());
  DocumentResult result = path.extension() == ".dxf" ? LoadDxfFile(name, nullptr, &report)
                                                     : LoadDwgFile(name, nullptr, &report);
  EXPECT_TRUE(result.Ok()) << path;
  if (warnings) {
    for (const WString& warning : result.Warnings()) warnings->push_back(warning.ToUtf8());
  }
  return report;
}

// file -> type -> count; "unread" files have no types.
std::map<std::string, Counts> PeerCounts() {
  std::map<std::string, Counts> out;
  std::ifstream in(std::string(KVN_SOURCE_DIR) + "/tests/dwg/DwgPeerCounts.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, type;
    std::uint64_t count = 0;
    fields >> file >> type >> count;
    if (type == "unread") {
      out[file];
    } else {
      out[file][type] = count;
    }
  }
  return out;
}

// Types the peer lists in model space that are not entities of a space in
// DXF terms, or that it reads without decoding.
bool Compared(const std::string& type) {
  return type != "ATTRIB" && type != "VERTEX" && type != "SEQEND" && type.rfind("UNKNOWN_ENT", 0) != 0;
}

// Records the peer counts that the file marks as erased (type byte with bit
// 0x80): not held by the drawing.
struct Erased {
  const char* file;
  const char* type;
  std::uint64_t count;
};
constexpr Erased kErased[] = {{"libredwg_r11_entities-2d.dwg", "LINE", 1},
                              {"libredwg_r11_entities-2d.dwg", "ATTDEF", 1}};

TEST(DwgWriterCounts, EveryDrawingHoldsWhatThePeerReads) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto peer = PeerCounts();
  ASSERT_GE(peer.size(), 15u);
  for (const auto& entry : std::filesystem::directory_iterator(dir / "dwg")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("bad_", 0) == 0) continue;
    const auto expected = peer.find(name);
    ASSERT_NE(expected, peer.end()) << name << " has no stored peer counts: run tools/gen_dwg_peer_counts.mjs";
    const DwgLoadReport report = LoadReport(entry.path());
    // The peer keeps no space for the R11/R12 layout: all its entities are
    // listed as model space there.
    Counts held = report.entities;
    if (report.version == "AC1009") {
      for (const auto& [type, count] : report.paper) held[type] += count;
    }
    for (const auto& [type, count] : expected->second) {
      if (!Compared(type)) continue;
      std::uint64_t want = count;
      for (const Erased& erased : kErased) {
        if (name == erased.file && type == erased.type) want -= erased.count;
      }
      const auto found = held.find(type);
      EXPECT_EQ(found == held.end() ? 0u : found->second, want) << name << " " << type;
    }
    // Every class number is resolved to its class's name.
    for (const auto& [type, count] : report.skipped) EXPECT_NE(type.rfind("TYPE_5", 0), 0u) << name << " " << type;
    EXPECT_TRUE(report.warnings.empty()) << name << ": " << report.warnings.front();
  }
}

TEST(DwgWriterCounts, DrawingsEqualTheirDxfTwinsAndOtherReleases) {
  KVN_REQUIRE_TESTDATA(dir);
  // A second writer: class objects (multileaders, tables, image, wipeout,
  // mesh, underlay) and the types the import does not draw all counted.
  const DwgLoadReport acadsharpReport = LoadReport(dir / "dwg/acadsharp_sample_AC1024.dwg");
  const DwgLoadReport acadsharpTwin = LoadReport(dir / "dxf/acadsharp_sample_AC1024_ascii.dxf");
  const Counts& acadsharp = acadsharpReport.entities;
  EXPECT_EQ(acadsharp, acadsharpTwin.entities);
  // Paper space: the active layout's entities and the other layouts' blocks.
  EXPECT_EQ(acadsharpReport.paper, acadsharpTwin.paper);
  EXPECT_EQ(acadsharpReport.paper.at("VIEWPORT"), 6u);
  EXPECT_EQ(acadsharp.at("MULTILEADER"), 15u);
  EXPECT_EQ(acadsharp.at("ACAD_TABLE"), 2u);
  EXPECT_EQ(acadsharp.at("IMAGE"), 1u);
  EXPECT_EQ(acadsharp.at("WIPEOUT"), 1u);
  // The example series from R14 on (R13 has no light-weight polylines) and
  // its DXF forms.
  const DwgLoadReport seriesReport = LoadReport(dir / "dwg/libredwg_example_2000.dwg");
  const Counts& series = seriesReport.entities;
  EXPECT_EQ(series.at("LWPOLYLINE"), 11u);
  for (const char* twin : {"dwg/libredwg_example_r14.dwg", "dwg/libredwg_example_2004.dwg",
                           "dwg/libredwg_example_2007.dwg", "dwg/libredwg_example_2010.dwg",
                           "dwg/libredwg_example_2013.dwg", "dwg/libredwg_example_2018.dwg",
                           "dxf/libredwg_example_2000.dxf", "dxf/libredwg_example_2000_binary.dxf",
                           "dxf/libredwg_example_2018.dxf"}) {
    const DwgLoadReport report = LoadReport(dir / twin);
    EXPECT_EQ(report.entities, series) << twin;
    EXPECT_EQ(report.paper, seriesReport.paper) << twin;
  }
}

// The classes section of an R2000 file with a size field far too large and
// damaged first records: the records run on until the section's budget ends.
TEST(DwgWriterCounts, UnreadableClassesSectionWarnsAndTheDrawingOpens) {
  KVN_REQUIRE_TESTDATA(dir);
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  std::ifstream in(dir / "dwg/libredwg_example_2000.dwg", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 0x40u);
  auto u32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
  };
  // Locator records from 0x19: number, address, size; number 1 is the classes.
  const std::uint32_t records = u32(0x15);
  std::size_t classes = 0;
  for (std::uint32_t i = 0; i < records; ++i) {
    const std::size_t at = 0x19 + 9 * i;
    if (bytes[at] == 1) classes = u32(at + 1);
  }
  ASSERT_GT(classes, 0u);
  ASSERT_LT(classes + 20, bytes.size());
  ASSERT_LT(classes + 120, bytes.size());
  for (int i = 0; i < 4; ++i) bytes[classes + 16 + i] = char(0x7F);
  // And the first records made unreadable.
  for (int i = 20; i < 120; ++i) bytes[classes + i] = char(0xFF);
  test::ScratchDir scratch;
  const std::filesystem::path damaged = scratch / "classes.dwg";
  std::ofstream(damaged, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));

  std::vector<std::string> shown;
  const DwgLoadReport report = LoadReport(damaged, &shown);
  ASSERT_EQ(report.warnings.size(), 1u);
  EXPECT_NE(report.warnings[0].find("classes section"), std::string::npos);
  // The same text reaches the viewer's open message, followed by the
  // entities lost with the class objects that chained them.
  std::uint64_t unchained = 0;
  for (const auto& [type, reasons] : report.skippedReasons) {
    const auto found = reasons.find("not emitted");
    if (found != reasons.end() && type != "BLOCK" && type != "ENDBLK") unchained += found->second;
  }
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], report.warnings[0]);
  EXPECT_EQ(shown[1], FormatPercentS(LoadLangString(kStrLostDamagedRecords),
                                     WString::FromUtf8(std::to_string(unchained))).ToUtf8());
  // In Czech and Slovak it is the language table's text of that language.
  for (int language : {kLanguageCzech, kLanguageSlovak}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    std::vector<std::string> translated;
    LoadReport(damaged, &translated);
    ASSERT_EQ(translated.size(), 2u);
    EXPECT_EQ(translated[0], ClassesUnreadWarning().ToUtf8());
    EXPECT_NE(translated[0], shown[0]);
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  // The fixed types are all there; the class objects are skipped as unknown.
  EXPECT_EQ(report.entities.at("LINE"), 8u);
  std::uint64_t unknown = 0;
  for (const auto& [type, reasons] : report.skippedReasons) {
    const auto found = reasons.find("unknown class");
    if (found != reasons.end()) unknown += found->second;
  }
  EXPECT_GT(unknown, 0u);
}

}  // namespace
}  // namespace kvn
