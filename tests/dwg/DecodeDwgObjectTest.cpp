#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dwg/objects/DecodeDwgObject.h"
#include "import/records/YxxfGroupRecord.h"
#include "tests/dwg/DwgTestSupport.h"

namespace kvn {
namespace {

using test::DwgBitWriter;

TEST(DwgColorHelpersTest, SwapAndIndexColours) {
  EXPECT_EQ(SwapRedBlue(0x123456), 0x563412u);
  EXPECT_EQ(SwapRedBlue(SwapRedBlue(0xABCDEF)), 0xABCDEFu);
  EXPECT_EQ(DwgColorToRgb(0x01000001), 0xFF0000u);  // index 1, red
  EXPECT_EQ(DwgColorToRgb(0x01000005), 0x0000FFu);  // index 5, blue
  EXPECT_EQ(DwgColorToRgb(0xFEABCDEF), 0xABCDEFu);
}

TEST(RecordBufferToGroupRecordTest, EveryTagAndTheEnds) {
  DwgRecordBuffer b;
  b.AddDouble(10, 1.5);
  b.AddInt32(90, -7);
  b.AddInt16(70, -2);
  b.AddInt8(66, 200);
  b.AddWide(1, u"w\u0161");
  b.AddHandle(5, 0x123456789ull);
  b.AddBytes(3, "\x8A");
  b.SwitchSubRecord(1);
  b.AddInt16(70, 9);
  std::vector<std::uint8_t> bytes = b.Record(28);
  // An unknown tag reads like a 32-bit integer.
  const std::uint8_t odd[] = {91, 0, 9, 4, 0, 0, 0};
  bytes.insert(bytes.end(), odd, odd + sizeof(odd));
  YxxfGroupRecord r;
  EXPECT_EQ(RecordBufferToGroupRecord(r, bytes, 1250), 28);
  EXPECT_EQ(r.CodePage(), 1250);
  EXPECT_EQ(r.SubRecord(), 0);
  EXPECT_EQ(r.GetDouble(10), 1.5);
  EXPECT_EQ(r.GetInt(90), -7);
  EXPECT_EQ(r.GetInt(70), -2);
  EXPECT_EQ(r.GetInt(66), 200);
  EXPECT_EQ(r.GetString(1), WString(u"w\u0161"));
  EXPECT_EQ(r.GetHandle(5), 0x123456789ull);
  EXPECT_EQ(r.GetString(3), WString(u"\u0160"));
  r.SetSubRecord(1);
  EXPECT_EQ(r.GetInt(70), 9);
  EXPECT_EQ(r.GetInt(91), 4);
  // Cut inside an item: the items before it stay.
  std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 2 + 11 + 3);
  EXPECT_EQ(RecordBufferToGroupRecord(r, cut, 0), 28);
  EXPECT_EQ(r.Count(), 1u);
  EXPECT_EQ(RecordBufferToGroupRecord(r, std::vector<std::uint8_t>{1}, 0), 0);
  EXPECT_EQ(r.Count(), 0u);
}

// The data of an R2000 circle as a proxy carries it: no frame, no common data.
ProxyObjectData CircleData(std::vector<std::uint8_t>& storage, const char* name = "CIRCLE") {
  DwgBitWriter w;
  w.Point3BD(5, 6, 0);
  w.BD(2);
  w.B(1);
  w.B(1);
  const std::size_t dataBits = w.BitCount();
  w.H(4, 0);     // previous entity
  w.H(4, 0x31);  // next entity
  w.H(5, 0x10);  // layer
  storage = w.Bytes();
  ProxyObjectData data;
  data.bytes = storage;
  data.dataBits = dataBits;
  data.handle = 0x30;
  data.typeName = name;
  data.version = 15;
  return data;
}

// Records kept side by side: every record reads back as the buffer's own
// finished record after thousands more were added, one of them larger than
// a chunk of the store.
TEST(DwgRecordStoreTest, RecordsStayWhereTheyWereAdded) {
  DwgRecordStore store;
  std::vector<std::span<const std::uint8_t>> kept;
  std::vector<std::vector<std::uint8_t>> expected;
  for (int i = 0; i < 20000; ++i) {
    DwgRecordBuffer b;
    b.AddHandle(5, std::uint64_t(i) + 1);
    b.AddDouble(10, i * 0.5);
    if (i % 997 == 0) b.AddBytes(1, std::string(std::size_t(i) * 40, char('a' + i % 26)));
    if (i == 5000) b.AddBytes(310, std::string(300000, 'x'));
    kept.push_back(store.Add(std::uint16_t(i % 600), b));
    expected.push_back(b.Record(std::uint16_t(i % 600)));
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    ASSERT_TRUE(std::equal(kept[i].begin(), kept[i].end(), expected[i].begin(), expected[i].end())) << i;
  }
}

TEST(DecodeDwgObjectTest, HandlerByNameOverSuppliedData) {
  std::vector<std::uint8_t> storage;
  std::unique_ptr<YxxfGroupRecord> r = DecodeDwgObject(CircleData(storage, "circle"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->GetDouble(10), 5.0);
  EXPECT_EQ(r->GetDouble(40), 2.0);
  EXPECT_EQ(r->GetHandle(8), 0x10u);
  EXPECT_EQ(r->GetHandle(kCodeNextEntity), 0x31u);
  EXPECT_FALSE(DecodeDwgObject(CircleData(storage, "NO_SUCH_TYPE")));
  EXPECT_FALSE(DecodeDwgObject(CircleData(storage, "LAYER")));  // no handler
  ProxyObjectData shortData = CircleData(storage);
  shortData.dataBits += 3;  // the data end is missed
  EXPECT_FALSE(DecodeDwgObject(shortData));
}

TEST(DecodeDwgObjectTest, ProxyEntityOfADxfFileIsDecodedOnceInstalled) {
  std::vector<std::uint8_t> storage;
  ProxyObjectData data = CircleData(storage);
  auto proxy = [&](YxxfReader& reader) {
    YxxfGroupRecord r;
    r.AddHandle64(5, 0x30);
    r.AddInt(91, 500);
    r.AddInt(95, 23);
    r.AddInt(93, std::int32_t(data.dataBits));
    r.AddString(310, std::string_view(reinterpret_cast<const char*>(storage.data()), storage.size()));
    reader.DispatchSection(r, "ACAD_PROXY_ENTITY", YxxfSection::Entities);
  };
  YxxfReader reader(WString(), 0);
  YxxfGroupRecord cls;
  cls.AddString(1, "CIRCLE");
  reader.DispatchSection(cls, "CLASS", YxxfSection::Classes);
  SetProxyObjectDecoder(nullptr);
  proxy(reader);
  EXPECT_EQ(reader.statistics.Dropped("ACAD_PROXY_ENTITY", DropReason::NotImportedYet), 1u);
  InstallDwgObjectDecoder();
  proxy(reader);
  SetProxyObjectDecoder(nullptr);
  EXPECT_EQ(reader.statistics.Dropped("ACAD_PROXY_ENTITY", DropReason::NotImportedYet), 1u);
  EXPECT_EQ(reader.statistics.Handed(ImportSpace::Model, "CIRCLE"), 1u);
}

}  // namespace
}  // namespace kvn
