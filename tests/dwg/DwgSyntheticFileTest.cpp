// Whole R2000 files from the test writer: the layout steps and their
// refusal numbers, the object map, the block chains (including damaged
// ones that come back or lead nowhere), and the header variables of the
// releases whose sizes carry a high word.
#include <gtest/gtest.h>

#include <fstream>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgComplexWriter.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DwgBitWriter;
using test::DwgEntityCommon;
using test::DwgFileSpec;
using test::DwgObjectWriter;

constexpr int kRelease = 15;
constexpr std::uint64_t kModelSpace = 0x1F, kLayer = 0x10;

std::vector<std::uint8_t> BlockControl() {
  DwgObjectWriter w(kRelease, 48, 0x01);
  w.CommonObject();
  w.data.BL(3);
  w.ObjectHandles(0);
  for (std::uint64_t h : {kModelSpace, std::uint64_t(0x30), std::uint64_t(0x31)}) w.Handle(2, h);
  w.Handle(3, kModelSpace);
  w.Handle(3, 0x1E);
  return w.Finish();
}

std::vector<std::uint8_t> ModelSpace(std::uint64_t first, std::uint64_t last) {
  DwgObjectWriter w(kRelease, 49, kModelSpace);
  w.CommonObject();
  w.Text("*MODEL_SPACE");
  w.data.B(0);
  w.data.BS(0);
  for (int i = 0; i < 5; ++i) w.data.B(0);  // dependence, anonymous, attributes, reference, overlaid
  w.data.B(1);                              // loaded
  w.data.Point3BD(0, 0, 0);
  w.Text("");
  w.data.RC(0);  // no inserts
  w.Text("");
  w.data.BL(0);  // no preview
  w.ObjectHandles(0x01);
  w.Handle(5, 0);
  w.Handle(3, 0x40);
  w.Handle(4, first);
  w.Handle(4, last);
  w.Handle(3, 0x41);
  w.Handle(5, 0x50);
  return w.Finish();
}

std::vector<std::uint8_t> Layer(std::uint16_t flags) {
  DwgObjectWriter w(kRelease, 51, kLayer);
  w.CommonObject();
  w.Text("WALLS");
  w.data.B(0);
  w.data.BS(0);
  w.data.B(0);
  w.data.BS(flags);
  w.data.BS(5);
  w.ObjectHandles(0x02);
  w.Handle(5, 0);
  w.Handle(5, 0);
  w.Handle(5, 0x14);
  return w.Finish();
}

std::vector<std::uint8_t> Line(std::uint64_t handle, std::uint64_t next) {
  DwgObjectWriter w(kRelease, 19, handle);
  DwgEntityCommon c;
  c.mode = 2;
  c.noLinks = false;
  c.previous = 0;
  c.next = next;
  c.layer = kLayer;
  w.CommonEntity(c);
  w.data.B(1);
  w.data.RD(1);
  w.data.DD(3, 1);
  w.data.RD(2);
  w.data.DD(4, 2);
  w.data.B(1);
  w.data.B(1);
  w.EntityHandles(c);
  return w.Finish();
}

// A drawing whose model space chains lines first..last through `links`
// (handle -> next handle).
DwgFileSpec Drawing(std::uint64_t first, std::uint64_t last,
                    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& links) {
  DwgFileSpec spec;
  spec.objects = {BlockControl(), Layer(0x0B), ModelSpace(first, last)};
  spec.handles = {0x01, kLayer, kModelSpace};
  for (const auto& [handle, next] : links) {
    spec.objects.push_back(Line(handle, next));
    spec.handles.push_back(handle);
  }
  return spec;
}

class SyntheticFile {
 public:
  explicit SyntheticFile(const DwgFileSpec& spec) {
    const auto bytes = test::WriteDwgFile(spec);
    std::ofstream out(scratch_ / "s.dwg", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  WString Path() const { return WString::FromUtf8((scratch_ / "s.dwg").string()); }
  DocumentResult Load(DwgLoadReport* report = nullptr) const { return LoadDwgFile(Path(), nullptr, report); }

 private:
  test::ScratchDir scratch_;
};

TEST(DwgSyntheticFile, ReadsTablesHeaderAndTheModelSpaceChain) {
  SyntheticFile file(Drawing(0x60, 0x62, {{0x60, 0x61}, {0x61, 0x62}, {0x62, 0}}));
  InFileStream in(file.Path());
  DwgReader reader(file.Path(), kRelease);
  ASSERT_TRUE(ReadDwgContainerR13(reader, in)) << reader.ErrorCode();
  EXPECT_TRUE(reader.headerChecked);
  EXPECT_EQ(reader.lunits, 2);
  EXPECT_EQ(reader.modelSpaceRecord, kModelSpace);
  EXPECT_EQ(reader.continuousLineType, 0x16u);
  // Three entries, then model and paper space.
  EXPECT_EQ(reader.blockHeaderHandles, (std::vector<std::uint64_t>{kModelSpace, 0x30, 0x31, kModelSpace, 0x1E}));
  ASSERT_EQ(reader.layers.Count(), 1u);
  const YxxfLayerRec& layer = *reader.layers[0];
  EXPECT_EQ(layer.name.ToUtf8(), "WALLS");
  // 0x0B: frozen, off (bit 1, clear in every layer that is on in the
  // sample drawings), locked.
  EXPECT_EQ(layer.frozen, 1);
  EXPECT_EQ(layer.off, 1);
  EXPECT_EQ(layer.locked, 1);
  EXPECT_EQ(layer.lineTypeHandleLow, 0x14u);
  EXPECT_EQ(reader.EntitiesDispatched(), 3u);

  DwgLoadReport report;
  (void)file.Load(&report);
  EXPECT_EQ(report.entities["LINE"], 3u);
  EXPECT_EQ(report.objects["LINE"], 3u);
  EXPECT_EQ(report.layers, (std::vector<std::string>{"WALLS"}));
}

TEST(DwgSyntheticFile, SimpleAssemblyPutsModelSpaceLinesOnTheirLevels) {
  DocumentResult result = SyntheticFile(Drawing(0x60, 0x62, {{0x60, 0x61}, {0x61, 0x62}, {0x62, 0}})).Load();
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  LevelTable& levels = sheet.Data()->Levels();
  ASSERT_EQ(levels.Count(), 1u);
  EXPECT_EQ(levels.GetLevel(0)->name.ToUtf8(), "WALLS");
  // Frozen: not shown.
  EXPECT_EQ(levels.GetLevel(0)->visible, 0);
  int lines = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    ++lines;
    EXPECT_EQ(o->Level(), 0);
  }
  EXPECT_EQ(lines, 3);
}

TEST(DwgSyntheticFile, ChainsThatComeBackOrLeadNowhereEnd) {
  // "entities" counts what the file holds in model space; "dispatched" what
  // the chains handed to the import.
  DwgLoadReport cyclic;
  // 0x60 -> 0x61 -> 0x60 ...; the last handle 0x62 is never reached.
  (void)SyntheticFile(Drawing(0x60, 0x62, {{0x60, 0x61}, {0x61, 0x60}, {0x62, 0}})).Load(&cyclic);
  EXPECT_EQ(cyclic.entities["LINE"], 3u);
  EXPECT_EQ(cyclic.dispatched["LINE"], 2u);
  EXPECT_EQ(cyclic.skippedReasons["LINE"]["not emitted"], 1u);

  DwgLoadReport missing;
  (void)SyntheticFile(Drawing(0x60, 0x62, {{0x60, 0x99}, {0x62, 0}})).Load(&missing);
  EXPECT_EQ(missing.entities["LINE"], 2u);
  EXPECT_EQ(missing.dispatched["LINE"], 1u);

  DwgLoadReport ends;
  // An entity that names no next one ends the block before its last.
  (void)SyntheticFile(Drawing(0x60, 0x62, {{0x60, 0}, {0x62, 0}})).Load(&ends);
  EXPECT_EQ(ends.entities["LINE"], 2u);
  EXPECT_EQ(ends.dispatched["LINE"], 1u);
}

// A hatch claiming 2^31 paths fails at its first count; the drawing opens
// with the lines before and after it in the chain.
TEST(DwgSyntheticFile, HatchClaimingBillionsOfPathsFailsAlone) {
  DwgFileSpec spec = Drawing(0x60, 0x62, {{0x60, 0x61}, {0x62, 0}});
  test::DwgHatchSpec hatch;
  hatch.claimedPaths = 0x80000000u;
  DwgEntityCommon common;
  common.mode = 2;
  common.noLinks = false;
  common.next = 0x62;
  common.layer = kLayer;
  spec.objects.push_back(test::HatchObject(kRelease, 0x61, hatch, common));
  spec.handles.push_back(0x61);
  DwgLoadReport report;
  const DocumentResult result = SyntheticFile(spec).Load(&report);
  ASSERT_TRUE(result.Ok());
  EXPECT_EQ(report.entities["LINE"], 2u);
  EXPECT_EQ(report.skippedReasons["HATCH"]["overrun"], 1u);
  EXPECT_EQ(report.objects.count("HATCH"), 0u);
  int lines = 0;
  for (cOutObj* o = result.Document()->GetFirstSheet()->TopBlock().FirstObject(); o; o = o->next) ++lines;
  EXPECT_EQ(lines, 2);
}

TEST(DwgSyntheticFile, LocatorRecordsAndTheObjectMap) {
  const auto lines = std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0x60, 0x61}, {0x61, 0}};
  {
    DwgFileSpec spec = Drawing(0x60, 0x61, lines);
    spec.extraRecord12 = true;
    DwgLoadReport report;
    DocumentResult result = SyntheticFile(spec).Load(&report);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(report.entities["LINE"], 2u);
  }
  {
    DwgFileSpec spec = Drawing(0x60, 0x61, lines);
    spec.locatorCount = 9;
    EXPECT_EQ(SyntheticFile(spec).Load().Detail().ToUtf8(), "10039");
  }
  {
    DwgFileSpec spec = Drawing(0x60, 0x61, lines);
    spec.mapEntriesPerPart = 2;  // several parts
    DwgLoadReport report;
    (void)SyntheticFile(spec).Load(&report);
    EXPECT_EQ(report.entities["LINE"], 2u);
  }
  {
    DwgFileSpec spec = Drawing(0x60, 0x61, lines);
    spec.emptyFirstMapPart = true;
    DwgLoadReport report;
    DocumentResult result = SyntheticFile(spec).Load(&report);
    EXPECT_TRUE(result.Ok());
    EXPECT_TRUE(report.objects.empty());
    EXPECT_TRUE(report.entities.empty());
  }
  {
    DwgFileSpec spec = Drawing(0x60, 0x61, lines);
    spec.badMapCrc = true;
    EXPECT_EQ(SyntheticFile(spec).Load().Detail().ToUtf8(), "10007");
  }
  {
    // The second object's location lies inside the first. Each object is
    // read within the distance to the next location, so the first cannot
    // run past the second's start: both fail by themselves and the load
    // goes on.
    DwgFileSpec spec = Drawing(0x60, 0x61, lines);
    spec.overlapObject = 1;
    DwgLoadReport report;
    DocumentResult result = SyntheticFile(spec).Load(&report);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(report.objects.count("BLOCK CTRL"), 0u);
    EXPECT_EQ(report.objects.count("LAYER"), 0u);
    EXPECT_EQ(report.entities["LINE"], 2u);
  }
}

struct HeaderRead {
  bool ok;
  std::uint64_t modelSpace;
  std::int32_t lunits;
  std::uint16_t error;
};

HeaderRead ReadHeader(const std::vector<std::uint8_t>& section, int release, int maintenance,
                      std::size_t cut = 0) {
  DwgMemorySource source(std::span<const std::uint8_t>(section.data(), section.size() - cut));
  DwgReader reader(WString(), release);
  reader.maintenanceVersion = std::uint8_t(maintenance);
  reader.SetSource(&source);
  const bool ok = reader.ReadDwgHeaderVariables(std::uint32_t(section.size()));
  return {ok, reader.modelSpaceRecord, reader.lunits, reader.ErrorCode()};
}

TEST(DwgHeaderVariables, EveryReleaseAndTheHighSize) {
  DwgFileSpec spec;
  spec.modelSpace = 0x1234;
  spec.lunits = 0xFFFF;
  for (int release : {14, 15, 18, 21, 24, 27, 32}) {
    const HeaderRead read = ReadHeader(test::WriteDwgHeaderSection(spec, release, 0), release, 0);
    EXPECT_TRUE(read.ok) << release << " " << read.error;
    EXPECT_EQ(read.modelSpace, 0x1234u) << release;
    // A full 16-bit value stays unsigned.
    EXPECT_EQ(read.lunits, 65535) << release;
  }
  // R2010: maintenance release 3 has no high size, 4 has one.
  EXPECT_TRUE(ReadHeader(test::WriteDwgHeaderSection(spec, 24, 3), 24, 3).ok);
  EXPECT_TRUE(ReadHeader(test::WriteDwgHeaderSection(spec, 24, 4), 24, 4).ok);
  EXPECT_FALSE(ReadHeader(test::WriteDwgHeaderSection(spec, 24, 4), 24, 3).ok);
  EXPECT_FALSE(ReadHeader(test::WriteDwgHeaderSection(spec, 24, 3), 24, 4).ok);
}

TEST(DwgHeaderVariables, SentinelSizeAndCheckWordFailures) {
  DwgFileSpec spec;
  std::vector<std::uint8_t> section = test::WriteDwgHeaderSection(spec, 15, 0);
  // Bytes before the sentinel are passed over.
  std::vector<std::uint8_t> padded = {1, 2, 3};
  padded.insert(padded.end(), section.begin(), section.end());
  EXPECT_TRUE(ReadHeader(padded, 15, 0).ok);
  std::vector<std::uint8_t> noSentinel = section;
  noSentinel[3] ^= 0xFF;
  EXPECT_EQ(ReadHeader(noSentinel, 15, 0).error, 10009);
  std::vector<std::uint8_t> shortSize = section;
  shortSize[16] = 4;  // the variables need more than 4 bytes
  shortSize[17] = shortSize[18] = shortSize[19] = 0;
  EXPECT_EQ(ReadHeader(shortSize, 15, 0).error, 10014);
  std::vector<std::uint8_t> changed = section;
  changed[section.size() - 3] ^= 0x01;
  EXPECT_EQ(ReadHeader(changed, 15, 0).error, 10016);
}

// A damaged map whose location offsets add up past 64 bits: the entries
// keep the low 32 bits of the running sum, as a map without overflow
// would give them.
TEST(DwgObjectMap, LocationOffsetsPastSixtyFourBitsWrap) {
  constexpr std::int64_t kHuge = 0x3FFFFFFFFFFF1234;
  std::vector<std::uint8_t> pairs;
  for (int i = 0; i < 3; ++i) {
    test::AppendModularChar(pairs, 1, false);
    test::AppendModularChar(pairs, kHuge, true);
  }
  std::vector<std::uint8_t> map;
  auto part = [&](const std::vector<std::uint8_t>& body) {
    const std::uint16_t size = std::uint16_t(body.size() + 2);
    std::vector<std::uint8_t> bytes = {std::uint8_t(size >> 8), std::uint8_t(size)};
    bytes.insert(bytes.end(), body.begin(), body.end());
    const std::uint16_t crc = Crc16(kDwgCrcSeed, bytes.data(), bytes.size());
    bytes.push_back(std::uint8_t(crc >> 8));
    bytes.push_back(std::uint8_t(crc));
    map.insert(map.end(), bytes.begin(), bytes.end());
  };
  part(pairs);
  part({});
  DwgMemorySource source(map);
  DwgReader reader(WString(), 15);
  reader.SetSource(&source);
  ASSERT_TRUE(reader.ReadDwgHandleMap(std::uint32_t(map.size())));
  ASSERT_EQ(reader.objectMap.size(), 3u);
  std::uint64_t sum = 0;
  for (const DwgMapEntry& entry : reader.objectMap) {
    sum += std::uint64_t(kHuge);
    EXPECT_EQ(entry.location, std::uint32_t(sum));
  }
}

TEST(DwgObjectMap, ModularCharsOfTheWriterReadBack) {
  for (std::int64_t v : {0ll, 1ll, 63ll, 64ll, 127ll, 128ll, -1ll, -64ll, -65ll, 100000ll, -100000ll}) {
    for (bool isSigned : {true, false}) {
      if (!isSigned && v < 0) continue;
      std::vector<std::uint8_t> bytes;
      test::AppendModularChar(bytes, v, isSigned);
      DwgMemorySource source(bytes);
      DwgReader reader(WString(), 15);
      reader.SetSource(&source);
      std::int64_t out = 0;
      ASSERT_TRUE(reader.ReadModularChar(out, !isSigned));
      EXPECT_EQ(out, v) << isSigned;
    }
  }
}

}  // namespace
}  // namespace kvn
