// The DWG loader over the sample drawings and over damaged copies of them:
// which releases open, the refusal codes and their messages, the header
// check word, and the look-up of the object map.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/OpenFailureMessage.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

WString PathOf(const std::filesystem::path& p) { return WString::FromUtf8(p.string()); }

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

TEST(DwgLoader, SampleDrawingsOpenOrAreRefusedByRelease) {
  KVN_REQUIRE_TESTDATA(dir);
  struct Case {
    const char* name;
    bool read;  // read whole, header check word passing
    int code;
  };
  // Read whole, a drawing gives the document of the drawing assembly.
  const Case cases[] = {
      {"libredwg_example_r13.dwg", true, 0},     {"libredwg_example_r14.dwg", true, 0},
      {"libredwg_example_2000.dwg", true, 0},    {"ezdxf_807_1.dwg", true, 0},
      {"libredwg_example_2004.dwg", true, 0},   {"libredwg_example_2007.dwg", true, 0},
      {"libredwg_example_2010.dwg", true, 0},   {"libredwg_example_2013.dwg", true, 0},
      {"libredwg_example_2018.dwg", true, 0},   {"libredwg_2018_Dynblocks.dwg", true, 0},
      {"libredwg_2004_HatchG.dwg", true, 0},    {"libredwg_r11_entities-2d.dwg", true, 0},
      {"libredwg_r11_ACEB10.dwg", true, 0},     {"acad1009_DIM1.DWG", true, 0},
      {"bad_fuzz_AC1018_crash.dwg", false, 5002},
      {"bad_truncated_example_2004.dwg", false, 5002},
      {"bad_empty.dwg", false, 5004},
  };
  for (const Case& c : cases) {
    DwgLoadReport report;
    DocumentResult result = LoadDwgFile(PathOf(dir / "dwg" / c.name), nullptr, &report);
    EXPECT_EQ(result.Ok(), c.read) << c.name;
    EXPECT_EQ(int(result.Code()), c.code) << c.name;
    EXPECT_EQ(report.headerChecked, c.read) << c.name;
    // A whole file tells of no damage.
    EXPECT_FALSE(result.Partial()) << c.name;
  }
}

TEST(DwgLoader, R2000ModelSpaceCountsMatchTheSampleManifest) {
  KVN_REQUIRE_TESTDATA(dir);
  DwgLoadReport report;
  (void)LoadDwgFile(PathOf(dir / "dwg" / "libredwg_example_2000.dwg"), nullptr, &report);
  EXPECT_EQ(report.version, "AC1015");
  EXPECT_EQ(report.entities["LINE"], 8u);
  EXPECT_EQ(report.entities["ARC"], 2u);
  EXPECT_EQ(report.layers.size(), 5u);
  // Every entity is reached through its block's chain: only BLOCK and ENDBLK,
  // which stand outside the chains, are left.
  for (const auto& [type, reasons] : report.skippedReasons) {
    if (type == "BLOCK" || type == "ENDBLK") continue;
    EXPECT_EQ(reasons.count("not emitted"), 0u) << type;
  }
  EXPECT_GT(report.objects["LAYER"], 0u);
  EXPECT_EQ(report.layers, (std::vector<std::string>{"ADSK_SYSTEM_LIGHTS", "0", "Tavolo 2", "Tavolo 3", "Defpoints"}));
  EXPECT_GT(report.objects["BLOCK HDR"], 0u);
}

TEST(DwgLoader, LayersOfTheSamplesAreOnAsInTheirDxfTwin) {
  KVN_REQUIRE_TESTDATA(dir);
  for (const auto& [name, release] : {std::pair{"libredwg_example_r13.dwg", 14}, std::pair{"libredwg_example_r14.dwg", 14},
                                      std::pair{"libredwg_example_2000.dwg", 15}}) {
    const WString path = PathOf(dir / "dwg" / name);
    InFileStream in(path);
    DwgReader reader(path, release, std::string(name).find("r13") != std::string::npos);
    ASSERT_TRUE(ReadDwgContainerR13(reader, in)) << name;
    ASSERT_EQ(reader.layers.Count(), 5u) << name;
    for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) {
      const YxxfLayerRec& layer = *reader.layers[i];
      EXPECT_EQ(layer.off, 0) << name << " " << layer.name.ToUtf8();
      // Only ADSK_SYSTEM_LIGHTS is frozen and locked (70 = 5 in the DXF).
      const bool system = layer.name.ToUtf8() == "ADSK_SYSTEM_LIGHTS";
      EXPECT_EQ(layer.frozen, system ? 1 : 0) << name;
      EXPECT_EQ(layer.locked, system ? 1 : 0) << name;
    }
  }
}

TEST(DwgLoader, ChangedHeaderByteFailsTheCheckWordWithItsStep) {
  KVN_REQUIRE_TESTDATA(dir);
  test::ScratchDir scratch;
  std::vector<std::uint8_t> bytes = ReadAll(dir / "dwg" / "libredwg_example_2000.dwg");
  ASSERT_GT(bytes.size(), 0x40u);
  // Locator 0 (its record number is the first byte of the records) holds
  // the header variables: sentinel, size, then the variables.
  ASSERT_EQ(bytes[0x19], 0);
  const std::uint32_t header = U32At(bytes, 0x1A);
  // The last byte of the variable data: its low bits are padding, so the
  // variables read the same and only the check word can tell.
  const std::uint32_t size = U32At(bytes, header + 16);
  bytes.at(header + 16 + 4 + size - 1) ^= 0x01;
  WriteAll(scratch / "changed.dwg", bytes);
  DocumentResult result = LoadDwgFile(PathOf(scratch / "changed.dwg"), nullptr, nullptr);
  EXPECT_EQ(int(result.Code()), 5002);
  EXPECT_EQ(result.Detail().ToUtf8(), "10016");
  SetLanguageIndex(2);
  InvalidateLangTable();  // a table loaded earlier in the process may be another language's
  const std::string text = MakeOpenFailureMessage(result, u"x.dwg").text.ToUtf8();
  EXPECT_EQ(text, "Cannot open file.\n\nFile is corrupted. (Error #10016)\n\nx.dwg");
}

TEST(DwgLoader, LocatorCountAndSeekersOutsideTheFile) {
  KVN_REQUIRE_TESTDATA(dir);
  test::ScratchDir scratch;
  const std::vector<std::uint8_t> original = ReadAll(dir / "dwg" / "libredwg_example_2000.dwg");
  auto detailOf = [&](std::vector<std::uint8_t> bytes) {
    WriteAll(scratch / "t.dwg", bytes);
    return LoadDwgFile(PathOf(scratch / "t.dwg"), nullptr, nullptr).Detail().ToUtf8();
  };
  std::vector<std::uint8_t> nine = original;
  nine[0x15] = 9;
  EXPECT_EQ(detailOf(nine), "10039");
  // The records are 9 bytes each: number, seeker, size.
  for (int record = 0; record < 3; ++record) {
    std::vector<std::uint8_t> far = original;
    const std::size_t at = 0x19 + 9 * std::size_t(record);
    ASSERT_EQ(far[at], record);
    far[at + 4] = 0x7F;
    EXPECT_EQ(detailOf(far), record == 0 ? "10040" : record == 1 ? "10042" : "10043");
  }
}

TEST(DwgLoader, VersionStringsAndMessages) {
  test::ScratchDir scratch;
  auto codeOf = [&](const char* head) {
    std::vector<std::uint8_t> bytes(head, head + 6);
    bytes.resize(64, 0);
    WriteAll(scratch / "v.dwg", bytes);
    return int(LoadDwgFile(PathOf(scratch / "v.dwg"), nullptr, nullptr).Code());
  };
  EXPECT_EQ(codeOf("AC1.40"), 5005);
  EXPECT_EQ(codeOf("AC1013"), 5005);
  EXPECT_EQ(codeOf("AC101X"), 5004);
  SetLanguageIndex(2);
  InvalidateLangTable();  // a table loaded earlier in the process may be another language's
  // No detail: no step number.
  EXPECT_EQ(MakeOpenFailureMessage(ReportDwgError(kStrDwgUnsupportedVersion, 0), u"a.dwg").text.ToUtf8(),
            "Cannot open file.\n\nUnsupported DWG version.\n\na.dwg");
  EXPECT_EQ(int(ReportDwgError(kStrDwgEncrypted, 10010).Code()), 5003);
  EXPECT_EQ(int(ReportDwgError(kStrDwgNotDwg, 0).Code()), 5004);
}

TEST(DwgObjectMap, FindHandleEntryOverTheSortedMap) {
  std::vector<DwgMapEntry> entries;
  EXPECT_EQ(FindHandleEntry(entries, 5, 0, 0), nullptr);
  for (std::uint64_t h : {2, 3, 7, 9, 40}) entries.push_back({h, std::uint32_t(h * 10), 0});
  for (std::uint64_t h : {2, 3, 7, 9, 40}) {
    const DwgMapEntry* found = FindHandleEntry(entries, h, 0, entries.size() - 1);
    ASSERT_NE(found, nullptr) << h;
    EXPECT_EQ(found->location, h * 10);
  }
  for (std::uint64_t h : {0, 1, 4, 8, 41}) EXPECT_EQ(FindHandleEntry(entries, h, 0, entries.size() - 1), nullptr);
}

}  // namespace
}  // namespace kvn
