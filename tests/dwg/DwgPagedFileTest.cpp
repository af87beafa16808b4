// Whole synthetic files of the paged layouts through the loader: the clean
// files open with their lines, and each damage of the containers ends in
// its step's detail (R2004: the section map out of the file, descriptions
// and page entries cut short, each named section missing; R2007: the header
// blocks and body, the page map's count and blocks, the section map's id
// and blocks, each named section missing or encrypted, and the section
// readers' own details standing first).
#include <gtest/gtest.h>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgDecompress2007.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "tests/support/DwgPagedWriter.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

DocumentResult LoadBytes(const Bytes& bytes, DwgLoadReport* report = nullptr) {
  ByteArray memory(8);
  memory.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  return LoadDwgStream(in, WString(u"synthetic.dwg"), nullptr, report);
}

TEST(DwgReedSolomonEncoder, EncodedBlocksPassTheReadersCheck) {
  for (bool system : {true, false}) {
    Bytes data(system ? 239 * 3 - 5 : 251 * 3 - 5);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 37 + 11);
    const Bytes coded = test::EncodeRsPage2007(data, system);
    ASSERT_EQ(coded.size(), 255u * 3);
    Bytes out;
    ASSERT_TRUE(DecodeRsBlocks2007(coded, system, 3, out));
    out.resize(data.size());
    EXPECT_EQ(out, data);
    Bytes damaged = coded;
    damaged[100] ^= 4;
    EXPECT_FALSE(DecodeRsBlocks2007(damaged, system, 3, out));
  }
}

TEST(DwgPagedFiles, CleanSyntheticFilesOpenWithTheirLines) {
  for (int release : {18, 24, 32}) {
    const test::DwgFileSpec spec = test::LinesDrawingSpec(release, 40);
    // Small pages, so that every section spans several.
    test::DwgPaged2004Knobs knobs;
    knobs.pageSize = 200;
    DwgLoadReport report;
    const DocumentResult result = LoadBytes(test::WriteDwgFile2004(spec, knobs), &report);
    ASSERT_TRUE(result.Ok()) << release << " " << result.Detail().ToUtf8();
    EXPECT_TRUE(report.headerChecked) << release;
    EXPECT_EQ(report.entities["LINE"], 40u) << release;
    EXPECT_GT(report.pagesRead["AcDb:AcDbObjects"], 3u) << release;
    EXPECT_TRUE(report.pagesFailed.empty()) << release;
  }
  test::DwgPaged2007Knobs knobs;
  knobs.pageSize = 300;
  DwgLoadReport report;
  const DocumentResult result = LoadBytes(test::WriteDwgFile2007(test::LinesDrawingSpec(21, 40), knobs), &report);
  ASSERT_TRUE(result.Ok()) << result.Detail().ToUtf8();
  EXPECT_TRUE(report.headerChecked);
  EXPECT_EQ(report.entities["LINE"], 40u);
  EXPECT_GT(report.pagesRead["AcDb:AcDbObjects"], 3u);
  EXPECT_TRUE(report.pagesFailed.empty());
}

TEST(DwgPagedFiles, R2007PageMapInFewerBlocksIsFoundByTheDownwardRetries) {
  // Pages of 64 bytes make a page map whose estimate is well above 4 blocks.
  const test::DwgFileSpec spec = test::LinesDrawingSpec(21, 40);
  test::DwgPaged2007Knobs knobs;
  knobs.pageSize = 64;
  knobs.trailingBytes = 255 * 40;
  const Bytes plain = test::WriteDwgFile2007(spec, knobs);
  ASSERT_TRUE(LoadBytes(plain).Ok());
  knobs.pageMapBlocksFewer = 3;
  const DocumentResult fewer = LoadBytes(test::WriteDwgFile2007(spec, knobs));
  EXPECT_TRUE(fewer.Ok()) << fewer.Detail().ToUtf8();
  // The retries stop at 4 blocks: a map stored in fewer is not found.
  knobs.pageSize = 0x7400;
  knobs.pageMapBlocksFewer = 100;
  EXPECT_EQ(LoadBytes(test::WriteDwgFile2007(spec, knobs)).Detail().ToUtf8(), "10034");
}

TEST(DwgPagedFiles, DamagedR2004ContainersGiveTheirStepsDetail) {
  const test::DwgFileSpec spec = test::LinesDrawingSpec(18, 3);
  struct Case {
    test::DwgPaged2004Knobs knobs;
    const char* detail;
  };
  auto with = [](auto change) {
    test::DwgPaged2004Knobs k;
    change(k);
    return k;
  };
  const Case cases[] = {
      {with([](auto& k) { k.sectionMapPastTheEnd = true; }), "10020"},
      {with([](auto& k) { k.extraDescriptions = 1; }), "10051"},
      {with([](auto& k) { k.extraPageEntry = true; }), "10052"},
      {with([](auto& k) { k.omitSection = "AcDb:Header"; }), "501"},
      {with([](auto& k) { k.omitSection = "AcDb:Classes"; }), "502"},
      {with([](auto& k) { k.omitSection = "AcDb:Handles"; }), "503"},
      {with([](auto& k) { k.omitSection = "AcDb:AcDbObjects"; }), "504"},
  };
  for (const Case& c : cases) {
    const DocumentResult result = LoadBytes(test::WriteDwgFile2004(spec, c.knobs));
    EXPECT_EQ(int(result.Code()), 5002) << c.detail;
    EXPECT_EQ(result.Detail().ToUtf8(), c.detail);
  }
}

TEST(DwgPagedFiles, DamagedR2007ContainersGiveTheirStepsDetail) {
  const test::DwgFileSpec spec = test::LinesDrawingSpec(21, 3);
  struct Case {
    test::DwgPaged2007Knobs knobs;
    const char* detail;
  };
  auto with = [](auto change) {
    test::DwgPaged2007Knobs k;
    change(k);
    return k;
  };
  const Case cases[] = {
      {with([](auto& k) { k.damagedHeaderBlocks = true; }), "10031"},
      {with([](auto& k) { k.undecodableHeaderBody = true; }), "10032"},
      {with([](auto& k) { k.damagedPageMap = true; }), "10034"},
      {with([](auto& k) { k.damagedSectionMap = true; }), "10036"},
      {with([](auto& k) { k.pageMapCountsTooMany = true; }), "10033"},
      {with([](auto& k) { k.sectionMapIdMissing = true; }), "10035"},
      {with([](auto& k) { k.omitHash = 0x32B803D9u; }), "505"},
      {with([](auto& k) { k.omitHash = 0x3F54045Fu; }), "506"},
      {with([](auto& k) { k.omitHash = 0x3F6E0450u; }), "507"},
      {with([](auto& k) { k.omitHash = 0x674C05A9u; }), "508"},
      // The header and map readers record their own details first (no
      // sentinel; a check word that does not match), which stand over the
      // container's 10037 and 10038.
      {with([](auto& k) { k.garbledHeaderSection = true; }), "10009"},
      {with([](auto& k) { k.garbledHandleMap = true; }), "10007"},
  };
  for (const Case& c : cases) {
    const DocumentResult result = LoadBytes(test::WriteDwgFile2007(spec, c.knobs));
    EXPECT_EQ(int(result.Code()), 5002) << c.detail;
    EXPECT_EQ(result.Detail().ToUtf8(), c.detail);
  }
  // An encrypted section is refused with the password message and 5003.
  const DocumentResult locked =
      LoadBytes(test::WriteDwgFile2007(spec, with([](auto& k) { k.encryptedHash = 0x3F54045Fu; })));
  EXPECT_EQ(int(locked.Code()), 5003);
  EXPECT_EQ(locked.Detail().ToUtf8(), "506");
}

}  // namespace
}  // namespace kvn
