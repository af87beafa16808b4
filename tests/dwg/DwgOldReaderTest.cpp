// The R11/R12 reader over files of the test writer (header, tables, handle
// numbering, entity heads and bodies, damaged descriptors and records) and
// over the AC1009 sample drawings, whose counts are kept beside this test.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/old/DwgOldReader.h"
#include "foundation/InFileStream.h"
#include "import/records/SimpleRecords.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "tests/support/DwgR11Writer.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DwgR11Writer;
using test::R11Entity;

constexpr std::uint64_t kHigh = std::uint64_t(0x41000000) << 32;

// One read over the bytes, keeping the reader context for inspection.
struct OldRead {
  explicit OldRead(const std::vector<std::uint8_t>& file) {
    bytes.Append(file.data(), std::uint32_t(file.size()));
    in = std::make_unique<InFileStream>(WString(), true, &bytes);
    state = std::make_unique<OldDwgState>(*in, reader, nullptr, WString(u"t.dwg"));
    ok = ReadOldDwgHeader(*state) && !state->failed;
  }
  ByteArray bytes{8};
  std::unique_ptr<InFileStream> in;
  YxxfReader reader{WString(u"t.dwg"), 2};
  std::unique_ptr<OldDwgState> state;
  bool ok = false;
};

R11Entity Line(double x1, double y1, double x2, double y2, std::uint8_t flags = 0x04) {
  R11Entity e;
  e.type = 1;
  e.flags = flags;
  e.Double(x1).Double(y1);
  if (!(flags & 0x04)) e.Double(7.0);
  e.Double(x2).Double(y2);
  if (!(flags & 0x04)) e.Double(8.0);
  return e;
}

TEST(DwgOldReader, TablesGetHandlesInReadingOrderAndTheirFields) {
  DwgR11Writer w;
  w.ltScale = 2.5;
  w.AddLineType("CONTINUOUS", 0, {});
  w.AddLineType("DASHED", 2, {0.5, -0.25});
  std::vector<double> many(12, 0.125);
  w.AddLineType("MANY", 15, many);
  w.AddBlock("B1");
  w.AddBlock("B2", 4);
  w.AddLayer("0", 7, 1);
  w.AddViewport("*ACTIVE", 0.0);
  w.AddViewport("SECOND", 0.5);
  OldRead r(w.Build());
  ASSERT_TRUE(r.ok);
  EXPECT_DOUBLE_EQ(r.reader.ltScale, 2.5);
  ASSERT_EQ(r.reader.lineTypes.Count(), 3u);
  ASSERT_EQ(r.reader.blocks.Count(), 2u);
  ASSERT_EQ(r.reader.layers.Count(), 1u);
  for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(r.reader.lineTypes[i]->handle, kHigh | (i + 1));
  EXPECT_EQ(r.reader.blocks[0]->handle, kHigh | 4);
  EXPECT_EQ(r.reader.blocks[1]->handle, kHigh | 5);
  EXPECT_EQ(r.reader.blocks[1]->name.ToUtf8(), "B2");
  EXPECT_EQ(r.reader.layers[0]->handle, kHigh | 6);
  // The layer's line type by index, and a dash count past twelve keeps twelve dashes.
  EXPECT_EQ(std::uint64_t(r.reader.layers[0]->lineTypeHandleHigh) << 32 | r.reader.layers[0]->lineTypeHandleLow,
            kHigh | 2);
  EXPECT_EQ(r.reader.lineTypes[1]->elements.Count(), 2u);
  EXPECT_EQ(r.reader.lineTypes[2]->elements.Count(), 12u);
  // Viewports: 1/x as the aspect, none for x = 0, and no handle.
  ASSERT_EQ(r.reader.viewports.Count(), 2u);
  EXPECT_DOUBLE_EQ(r.reader.viewports[0]->aspect, 0.0);
  EXPECT_DOUBLE_EQ(r.reader.viewports[1]->aspect, 2.0);
  EXPECT_EQ(r.reader.viewports[1]->handle, 0u);
}

TEST(DwgOldReader, LayerColoursAndLineTypesPastTheTable) {
  DwgR11Writer w;
  w.AddLineType("CONTINUOUS", 0, {});
  w.AddLayer("MINUS5", -5, 0);
  w.AddLayer("C256", 256, 9);
  w.AddLayer("C300", 300, 0, 5);
  OldRead r(w.Build());
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.reader.layers.Count(), 3u);
  const auto& l = r.reader.layers;
  EXPECT_EQ(l[0]->colorIndex, 5);
  EXPECT_EQ(l[0]->off, 1);
  EXPECT_EQ(l[1]->colorIndex, 0);
  EXPECT_EQ(l[1]->off, 0);
  EXPECT_EQ(l[2]->colorIndex, 44);
  EXPECT_EQ(l[2]->frozen, 1);
  EXPECT_EQ(l[2]->locked, 1);
  // An index past the table gives the by-layer marker.
  EXPECT_EQ(l[1]->lineTypeHandleHigh, 0x40000002u);
  EXPECT_EQ(l[1]->lineTypeHandleLow, 0u);
}

TEST(DwgOldReader, TableStartZeroReadsNothingCountZeroOnlyTheTrailingBytes) {
  DwgR11Writer w;
  w.AddLayer("L", 1, 0);
  w.AddEntity(Line(0, 0, 1, 1));
  auto file = w.Build();
  auto startZero = file;
  test::PutU32(startZero, test::kR11LayerDescriptor + 6, 0);
  OldRead a(startZero);
  EXPECT_TRUE(a.ok);
  // Only the layer "0" the entity lands on.
  ASSERT_EQ(a.reader.layers.Count(), 1u);
  EXPECT_EQ(a.reader.layers[0]->name.ToUtf8(), "0");
  auto countZero = file;
  test::PutU32(countZero, test::kR11LayerDescriptor + 2, 0);
  test::PutU16(countZero, test::kR11LayerDescriptor, 0);
  OldRead b(countZero);
  EXPECT_TRUE(b.ok);
  ASSERT_EQ(b.reader.layers.Count(), 1u);
  EXPECT_EQ(b.reader.layers[0]->name.ToUtf8(), "0");
  EXPECT_EQ(b.state->readCounts["LINE"], 1u);
}

TEST(DwgOldReader, DescriptorsThatDoNotFitTheFileAreCorrupt) {
  DwgR11Writer w;
  w.AddLayer("L", 1, 0);
  const auto file = w.Build();
  // A count of 4 x 10^9: the entries would run far past the file.
  auto huge = file;
  test::PutU32(huge, test::kR11LayerDescriptor + 2, 0xFFFFFFFFu);
  EXPECT_FALSE(OldRead(huge).ok);
  // Size 0 with a count: every entry at the same place, without a check word.
  auto sizeZero = file;
  test::PutU16(sizeZero, test::kR11LayerDescriptor, 0);
  test::PutU32(sizeZero, test::kR11LayerDescriptor + 2, 4000000000u);
  EXPECT_FALSE(OldRead(sizeZero).ok);
  auto pastEnd = file;
  test::PutU32(pastEnd, test::kR11ViewportDescriptor + 6, std::uint32_t(file.size() + 1));
  EXPECT_FALSE(OldRead(pastEnd).ok);
}

TEST(DwgOldReader, EntityHeadsHandlesLineTypesAndTwoDimensionalLines) {
  DwgR11Writer w;
  w.AddLineType("CONTINUOUS", 0, {});
  w.AddLayer("0", 7, 0);
  w.firstEndFromV = true;
  R11Entity flat = Line(1, 2, 3, 4, 0x04 | 0x02);
  flat.lineType = 0;
  w.AddEntity(flat);
  R11Entity solid = Line(0, 0, 1, 1, 0x02 | 0x20);
  solid.lineType = 5;  // past the table
  solid.handle = {0x34, 0x12};
  w.AddEntity(solid);
  w.AddEntity(Line(0, 0, 2, 2, 0x04));  // no line-type flag
  R11Entity shape;
  shape.type = 4;
  shape.Double(1).Double(2).U16(3);
  w.AddEntity(shape);
  R11Entity insert;
  insert.type = 14;
  insert.U16(3).Double(0).Double(0);
  w.AddEntity(insert);
  OldRead r(w.Build());
  ASSERT_TRUE(r.ok);
  auto& lines = r.reader.defaultBlock.entities;
  ASSERT_EQ(lines.Count(), 3u);
  const auto* first = static_cast<const YxxfEntLine*>(lines[0]);
  EXPECT_EQ(first->start.z, 0.0);
  EXPECT_EQ(first->end.x, 3.0);
  EXPECT_EQ(first->handle, kHigh | 3);  // after the line type and the layer
  EXPECT_EQ(first->lineTypeHandle, kHigh | 1);
  const auto* second = static_cast<const YxxfEntLine*>(lines[1]);
  EXPECT_EQ(second->start.z, 7.0);
  EXPECT_EQ(second->handle, 0x1234u);
  EXPECT_EQ(second->lineTypeHandle, std::uint64_t(0x40000001) << 32);
  const auto* third = static_cast<const YxxfEntLine*>(lines[2]);
  EXPECT_EQ(third->lineTypeHandle, std::uint64_t(0x40000002) << 32);
  EXPECT_EQ(third->handle, kHigh | 4);
  EXPECT_EQ(r.state->skippedReasons["SHAPE"]["not dispatched"], 1u);
  EXPECT_EQ(r.state->skippedReasons["INSERT"]["bad block index"], 1u);
}

// Extended data as the AC1009 samples hold it: an application index, a
// string without code page, braces, 1070s, points and doubles.
std::vector<std::uint8_t> ViewExtendedData() {
  std::vector<std::uint8_t> b = {1, 0, 0, 0, 5, 'M', 'V', 'I', 'E', 'W', 2, 0, 70, 16, 0, 10};
  auto put = [&](double v) {
    std::uint8_t raw[8];
    std::memcpy(raw, &v, 8);
    b.insert(b.end(), raw, raw + 8);
  };
  put(1.5), put(-2.0), put(3.25);
  b.push_back(40), put(34.0);
  b.insert(b.end(), {71, 0x78, 0x56, 0x34, 0x12, 5, 0, 0, 0, 0, 0, 1, 0x10, 0x7A, 4, 2, 0xAB, 0xCD, 2, 1});
  return b;
}

TEST(DwgOldReader, ExtendedDataBecomesThousandSeriesItems) {
  auto read = [](const std::vector<std::uint8_t>& items) {
    std::vector<std::uint8_t> bytes = {std::uint8_t(items.size()), std::uint8_t(items.size() >> 8)};
    bytes.insert(bytes.end(), items.begin(), items.end());
    bytes.push_back(0xEE);  // the byte after the block
    ByteArray memory(8);
    memory.Append(bytes.data(), std::uint32_t(bytes.size()));
    InFileStream in = InFileStream::FromMemory(memory);
    YxxfReader reader(WString(u"t.dwg"), 2);
    OldDwgState state(in, reader, nullptr, WString(u"t.dwg"));
    auto record = std::make_unique<YxxfGroupRecord>();
    ReadOldExtendedData(state, *record);
    EXPECT_FALSE(state.failed);
    EXPECT_EQ(state.U8(), 0xEE);  // the whole block and no more
    return record;
  };
  const auto record = read(ViewExtendedData());
  EXPECT_EQ(record->GetString(1000).ToUtf8(), "MVIEW");
  EXPECT_EQ(record->GetInt(1070), 16);
  EXPECT_DOUBLE_EQ(record->GetDouble(1010), 1.5);
  EXPECT_DOUBLE_EQ(record->GetDouble(1020), -2.0);
  EXPECT_DOUBLE_EQ(record->GetDouble(1030), 3.25);
  EXPECT_DOUBLE_EQ(record->GetDouble(1040), 34.0);
  EXPECT_EQ(record->GetInt(1071), 0x12345678);
  EXPECT_EQ(record->FindIndex(1001), -1);
  EXPECT_EQ(record->FindIndex(1002), -1);
  EXPECT_EQ(record->FindIndex(1005), -1);
  // An unknown code, or an item running past the block, ends the items
  // read; the block is passed over whole all the same.
  std::vector<std::uint8_t> unknown = {0, 2, 'O', 'K', 99, 70, 1, 0};
  auto cut = read(unknown);
  EXPECT_EQ(cut->GetString(1000).ToUtf8(), "OK");
  EXPECT_EQ(cut->FindIndex(1070), -1);
  cut = read({0, 2, 'O', 'K', 40, 1, 2, 3});
  EXPECT_EQ(cut->FindIndex(1040), -1);
  cut = read({0, 9, 'A', 'B'});
  EXPECT_EQ(cut->FindIndex(1000), -1);
}

TEST(DwgOldReader, EntitiesWithExtendedDataKeepTheirBodies) {
  DwgR11Writer w;
  w.AddLineType("CONTINUOUS", 0, {});
  w.AddLayer("0", 7, 0);
  R11Entity line = Line(1, 2, 3, 4, 0x04 | 0x40);
  line.extra = 2;
  line.extendedData = ViewExtendedData();
  w.AddEntity(line);
  R11Entity odd = Line(5, 6, 7, 8, 0x04 | 0x40);
  odd.extra = 2;
  odd.extendedData = {0, 2, 'O', 'K', 99, 1, 2, 3};
  w.AddEntity(odd);
  OldRead r(w.Build());
  ASSERT_TRUE(r.ok);
  auto& lines = r.reader.defaultBlock.entities;
  ASSERT_EQ(lines.Count(), 2u);
  EXPECT_EQ(static_cast<const YxxfEntLine*>(lines[0])->end.x, 3.0);
  EXPECT_EQ(static_cast<const YxxfEntLine*>(lines[1])->start.x, 5.0);
  EXPECT_EQ(static_cast<const YxxfEntLine*>(lines[1])->end.y, 8.0);
  EXPECT_TRUE(r.state->realignedCounts.empty());
}

TEST(DwgOldReader, BlocksOwnTheirEntitiesAndRecordsRealign) {
  DwgR11Writer w;
  w.AddBlock("DOOR");
  R11Entity block;
  block.type = 12;
  block.options = 1;
  block.Double(5).Double(6).Text("door");
  w.AddBlockEntity(block);
  R11Entity longer = Line(0, 0, 1, 0);
  longer.padding = 6;
  w.AddBlockEntity(longer);
  R11Entity end;
  end.type = 13;
  w.AddBlockEntity(end);
  // A LINE of three coordinates: the reader would take the fourth from the
  // check word and beyond, so the record is left out as damaged.
  R11Entity shorter;
  shorter.type = 1;
  shorter.flags = 0x04;
  shorter.Double(0).Double(0).Double(1);
  w.AddEntity(shorter);
  w.AddEntity(Line(0, 0, 4, 4));
  OldRead r(w.Build());
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.reader.blocks.Count(), 1u);
  EXPECT_EQ(r.reader.blocks[0]->entities.Count(), 1u);
  EXPECT_EQ(r.reader.blocks[0]->base.x, 5.0);
  ASSERT_EQ(r.reader.defaultBlock.entities.Count(), 1u);
  EXPECT_EQ(static_cast<const YxxfEntLine*>(r.reader.defaultBlock.entities[0])->end.x, 4.0);
  EXPECT_EQ(r.state->realignedCounts["LINE"], 2u);
  EXPECT_EQ(r.state->readCounts["LINE"], 3u);
  // The padded line is whole; only the one that ran past its end is lost.
  EXPECT_EQ(r.state->skippedReasons["LINE"][kOldSkipDataEndMissed], 1u);
  EXPECT_EQ(r.state->damagedRecords, 1u);
}

TEST(DwgOldReader, RecordsThatLeadBackAreCorrupt) {
  DwgR11Writer w;
  R11Entity back = Line(0, 0, 1, 1);
  back.lengthOverride = 1;
  w.AddEntity(back);
  w.AddEntity(Line(0, 0, 1, 1));
  EXPECT_FALSE(OldRead(w.Build()).ok);
  DwgR11Writer empty;
  empty.AddEntity(Line(0, 0, 1, 1));
  OldRead ok(empty.Build());
  EXPECT_TRUE(ok.ok);
}

// type=read/skipped/realigned lines of the expectations file.
std::map<std::string, std::string> Expected(const std::string& file) {
  std::ifstream in(std::string(KVN_SOURCE_DIR) + "/tests/dwg/DwgOldReaderCounts.txt");
  std::map<std::string, std::string> out;
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    if (section != file) continue;
    const auto eq = line.find('=');
    out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

TEST(DwgOldReader, SampleDrawingsOpenWithTheirCounts) {
  KVN_REQUIRE_TESTDATA(dir);
  for (const char* name : {"libredwg_r11_entities-2d.dwg", "libredwg_r11_ACEB10.dwg", "acad1009_DIM1.DWG"}) {
    DwgLoadReport report;
    DocumentResult result = LoadDwgFile(WString::FromUtf8((dir / "dwg" / name).string()), nullptr, &report);
    EXPECT_TRUE(result.Ok()) << name;
    const auto expected = Expected(name);
    ASSERT_FALSE(expected.empty()) << name;
    std::map<std::string, std::string> got;
    for (const auto& [type, count] : report.objects) {
      std::ostringstream s;
      s << count << '/' << report.skipped[type] << '/' << report.realigned[type];
      got[type] = s.str();
    }
    EXPECT_EQ(got, expected) << name;
  }
}

TEST(DwgOldReader, DamagedSampleFailsAtOnceAsCorrupted) {
  KVN_REQUIRE_TESTDATA(dir);
  std::ifstream file(dir / "dwg" / "libredwg_r11_ACEB10.dwg", std::ios::binary);
  const std::vector<std::uint8_t> original{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_GT(original.size(), 0x6C0u);
  auto load = [](std::vector<std::uint8_t> bytes) {
    ByteArray memory(8);
    memory.Append(bytes.data(), std::uint32_t(bytes.size()));
    InFileStream in(WString(), true, &memory);
    return LoadDwgStream(in, WString(u"damaged.dwg"), nullptr, nullptr);
  };
  EXPECT_TRUE(load(original).Ok());
  auto hugeCount = original;
  test::PutU32(hugeCount, test::kR11BlockDescriptor + 2, 0xFFFFFFFFu);
  DocumentResult a = load(hugeCount);
  EXPECT_FALSE(a.Ok());
  EXPECT_EQ(int(a.Code()), 5002);
  // The first record of model space says it is one byte long.
  auto back = original;
  const std::uint32_t first = back[0x14] | back[0x15] << 8 | back[0x16] << 16 | std::uint32_t(back[0x17]) << 24;
  test::PutU16(back, first + 2, 1);
  DocumentResult b = load(back);
  EXPECT_FALSE(b.Ok());
  EXPECT_EQ(int(b.Code()), 5002);
}

}  // namespace
}  // namespace kvn
