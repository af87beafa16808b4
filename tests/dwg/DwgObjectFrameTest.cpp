#include <gtest/gtest.h>

#include <map>

#include "import/records/YxxfGroupRecord.h"
#include "tests/dwg/DwgTestSupport.h"

namespace kvn {
namespace {

using test::BitReader;
using test::DwgEntityCommon;
using test::DwgObjectWriter;

std::vector<std::uint8_t> LineObject(int release, const DwgEntityCommon& c, bool extraBit = false) {
  DwgObjectWriter w(release, 19, 0x2A);
  w.CommonEntity(c);
  if (release <= 14) {
    w.data.Point3BD(1.25, 2, 0);
    w.data.Point3BD(3, 4, 0);
    w.data.BD(0);
    w.data.Point3BD(0, 0, 1);
  } else {
    w.data.B(1);
    w.data.RD(1.25);
    w.data.DD(3, 1.25);
    w.data.RD(2);
    w.data.DD(4, 2);
    w.data.B(1);
    w.data.B(1);
  }
  if (extraBit) w.data.B(1);
  w.EntityHandles(c);
  return w.Finish();
}

TEST(DwgObjectFrameTest, CheckWordAcceptsTheObjectAndEveryChangedByteFails) {
  std::vector<std::uint8_t> bytes = LineObject(15, DwgEntityCommon{});
  {
    BitReader r(bytes);
    ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
    EXPECT_EQ(r.reader.ObjectHandle(), 0x2Au);
    EXPECT_EQ(r.reader.EntityCode(), 2);
  }
  int byCheckWord = 0;
  for (std::size_t i = 2; i + 2 < bytes.size(); ++i) {
    std::vector<std::uint8_t> changed = bytes;
    changed[i] ^= 0x01;
    BitReader r(changed);
    EXPECT_FALSE(r.reader.ReadDwgObject(std::uint32_t(changed.size()))) << "byte " << i;
    byCheckWord += int(r.reader.objectStatistics.Skipped("LINE", DwgSkipReason::CrcMismatch));
  }
  // Bytes of the coordinates change no structure: only the check word tells.
  EXPECT_GT(byCheckWord, 0);
}

TEST(DwgObjectFrameTest, ObjectLongerThanTheSpaceFails) {
  std::vector<std::uint8_t> bytes = LineObject(15, DwgEntityCommon{});
  BitReader r(bytes);
  EXPECT_FALSE(r.reader.ReadDwgObject(std::uint32_t(bytes.size() - 1)));
  // A size of 0 fails too.
  BitReader z(std::vector<std::uint8_t>{0, 0, 0, 0});
  EXPECT_FALSE(z.reader.ReadDwgObject(4));
}

TEST(DwgObjectFrameTest, DataEndMustBeMetExactlyBeforeR2007) {
  std::vector<std::uint8_t> bytes = LineObject(15, DwgEntityCommon{}, true);
  BitReader r(bytes);
  // The line's own fields are not taken; the entity stays for the links of
  // its handle data, which the chains of R13 to R2000 need.
  EXPECT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_EQ(r.reader.EntityCode(), 0);
  const auto codes = test::CodesOf(r.reader.TakeRecord());
  EXPECT_EQ(test::IndexOf(codes, 10), -1);
  EXPECT_NE(test::IndexOf(codes, 8), -1);
  EXPECT_EQ(r.reader.objectStatistics.Skipped("LINE", DwgSkipReason::DataEndMissed), 1u);
  EXPECT_EQ(r.reader.objectStatistics.Read("LINE"), 0u);
  // Counted as damage, which the open tells.
  EXPECT_EQ(r.reader.objectStatistics.TotalDamaged(), 1u);
}

TEST(DwgObjectFrameTest, R2010TypeForms) {
  // Type code 01 with 0x02 is 0x1F2, the proxy entity.
  DwgObjectWriter w(24, 0x1F2, 0x50);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes, 24);
  // The proxy handler then finds no entity data: only the type is asked.
  r.reader.ReadDwgObject(std::uint32_t(bytes.size()));
  EXPECT_EQ(r.reader.TypeName(), "ACAD_PROXY_ENTITY");
  // Code 10 reads an RS: a class number.
  DwgObjectWriter c(24, 0x2F3, 0x51);
  bytes = c.Finish();
  BitReader s(bytes, 24);
  ASSERT_TRUE(s.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_EQ(s.reader.TypeName(), "TYPE_755");
  EXPECT_EQ(s.reader.objectStatistics.Skipped("TYPE_755", DwgSkipReason::UnknownClass), 1u);
}

TEST(DwgObjectFrameTest, ClassMapByNameAndReplacement) {
  DwgReader r(WString(), 15);
  r.AddDwgClass(500, "lwpolyline", true);
  r.AddDwgClass(501, "OLE2FRAME", true);
  r.AddDwgClass(502, "DICTIONARYVAR", false);
  r.AddDwgClass(503, "ACDBNOTHING", false);
  EXPECT_EQ(r.FindClassMapping(500), 77);
  EXPECT_EQ(r.FindClassMapping(501), 74);
  EXPECT_EQ(r.FindClassMapping(502), 0x8000);
  EXPECT_EQ(r.FindClassMapping(503), kDwgNoClass);
  r.AddClassMapping(500, 0x8001);
  EXPECT_EQ(r.FindClassMapping(500), 0x8001);
  EXPECT_EQ(DwgObjectTypeIndexOfName("acad_table"), 85);
  EXPECT_EQ(DwgObjectTypeIndexOfName(""), -1);
  EXPECT_STREQ(DwgObjectTypeAt(25)->name, "DIMENSION ORD");
  EXPECT_EQ(DwgObjectTypeAt(99), nullptr);
}

TEST(DwgObjectFrameTest, EntityModeOwnerAndPaperSpace) {
  DwgEntityCommon c;
  c.mode = 1;
  std::vector<std::uint8_t> bytes = LineObject(15, c);
  BitReader r(bytes);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetInt(67), 1);
  EXPECT_EQ(rec->FindIndex(kCodeOwnerHandle), -1);
  DwgEntityCommon owned;
  bytes = LineObject(15, owned);
  BitReader s(bytes);
  ASSERT_TRUE(s.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec2 = test::RecordOf(s.reader);
  EXPECT_EQ(rec2->GetHandle(kCodeOwnerHandle), 0x1Fu);
  EXPECT_EQ(rec2->FindIndex(67), -1);
  EXPECT_EQ(rec2->GetHandle(8), 0x10u);
}

TEST(DwgObjectFrameTest, LineTypeByFlagsAndLinks) {
  for (int flags : {0, 1, 2, 3}) {
    DwgEntityCommon c;
    c.lineTypeFlags = flags;
    std::vector<std::uint8_t> bytes = LineObject(15, c);
    BitReader r(bytes);
    r.reader.byLayerLineType = 0x14;
    r.reader.byBlockLineType = 0x15;
    r.reader.continuousLineType = 0x16;
    ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size()))) << flags;
    auto rec = test::RecordOf(r.reader);
    const std::uint64_t expected[] = {0x14, 0x15, 0x16, c.lineType};
    EXPECT_EQ(rec->GetHandle(6), expected[flags]) << flags;
    // R2000 with no links: the next entity is the following handle.
    EXPECT_EQ(rec->GetHandle(kCodeNextEntity), 0x2Bu);
  }
  DwgEntityCommon linked;
  linked.noLinks = false;
  linked.previous = 0x20;
  linked.next = 0x77;
  linked.lineTypeByLayer = false;
  std::vector<std::uint8_t> bytes = LineObject(14, linked);
  BitReader r(bytes, 14);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetHandle(kCodeNextEntity), 0x77u);
  EXPECT_EQ(rec->GetHandle(6), linked.lineType);
  DwgEntityCommon r14;
  bytes = LineObject(14, r14);
  BitReader s(bytes, 14);
  s.reader.byLayerLineType = 0x14;
  ASSERT_TRUE(s.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec2 = test::RecordOf(s.reader);
  EXPECT_EQ(rec2->GetHandle(kCodeNextEntity), 0x2Bu);
  EXPECT_EQ(rec2->GetHandle(6), 0x14u);
}

TEST(DwgObjectFrameTest, R2004TrueAndIndexedEntityColours) {
  DwgEntityCommon c;
  c.color = 5;
  c.colorValue = 0xC2123456;
  std::vector<std::uint8_t> bytes = LineObject(18, c);
  BitReader r(bytes, 18);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetInt(420), 0x123456);
  c.colorValue = 0xC3000009;
  bytes = LineObject(18, c);
  BitReader s(bytes, 18);
  ASSERT_TRUE(s.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec2 = test::RecordOf(s.reader);
  EXPECT_EQ(rec2->GetInt(62), 9);
  EXPECT_EQ(rec2->FindIndex(420), -1);
}

TEST(DwgObjectFrameTest, HugeReactorCountFailsAtOnce) {
  DwgEntityCommon c;
  std::vector<std::uint8_t> bytes;
  {
    DwgObjectWriter w(15, 19, 0x2A);
    w.data.B(0);
    w.data.BB(0);
    w.data.BL(0xFFFFFFFFu);
    w.data.Bits(0, 64);
    bytes = w.Finish();
  }
  BitReader r(bytes);
  EXPECT_FALSE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_TRUE(r.reader.Overrun());
  EXPECT_EQ(r.reader.objectStatistics.Skipped("LINE", DwgSkipReason::Overrun), 1u);
}

TEST(DwgObjectFrameTest, ObjectsWithoutDataAndTypesWithoutHandler) {
  // A VIEW: its data is not read; the record holds its handle only.
  DwgObjectWriter w(15, 61, 0x60);
  w.CommonObject();
  w.data.Bits(0x5A5A, 16);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_EQ(r.reader.EntityCode(), 0);
  EXPECT_EQ(test::CodesOf(r.reader.TakeRecord()), std::vector<int>{5});
  EXPECT_EQ(r.reader.objectStatistics.Read("VIEW"), 1u);
  // A type without a handler is read past and counted.
  DwgObjectWriter l(15, 79, 0x61);
  l.data.Bits(0x1234, 16);
  bytes = l.Finish();
  BitReader s(bytes);
  ASSERT_TRUE(s.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_EQ(s.reader.objectStatistics.Skipped("TYPE_79", DwgSkipReason::NoHandler), 1u);
}

TEST(DwgObjectFrameTest, EntityClassWithoutEntryKeepsItsCommonData) {
  DwgEntityCommon c;
  DwgObjectWriter w(15, 510, 0x70);
  w.CommonEntity(c);
  w.data.Bits(0xABCDEF, 24);  // the class's own fields
  w.EntityHandles(c);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes);
  r.reader.AddDwgClass(510, "ACDBWIDGET", true);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetHandle(8), 0x10u);
  EXPECT_EQ(r.reader.EntityCode(), 0);
  EXPECT_EQ(r.reader.objectStatistics.Skipped("ACDBWIDGET", DwgSkipReason::NoHandler), 1u);
}

TEST(DwgObjectFrameTest, ExtendedDataInTheFrame) {
  DwgEntityCommon c;
  DwgObjectWriter w(15, 19, 0x2A);
  w.SetExtendedData(0x12, {70, 9, 0});
  w.CommonEntity(c);
  w.data.B(1);
  w.data.RD(0);
  w.data.DD(0, 0);
  w.data.RD(0);
  w.data.DD(0, 0);
  w.data.B(1);
  w.data.B(1);
  w.EntityHandles(c);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetInt(1070), 9);
  // The application handle is not emitted.
  EXPECT_EQ(rec->GetHandle(5), 0x2Au);
}

// ---- entity walk ----

struct Drawing {
  DwgRecordStore store;
  std::map<std::uint64_t, DwgKeptObject> objects;
  void Add(std::uint64_t handle, std::uint16_t code, std::uint8_t kind,
           std::vector<std::pair<std::uint16_t, std::uint64_t>> links) {
    DwgRecordBuffer b;
    b.AddHandle(5, handle);
    b.AddBytes(8, "0");
    for (auto [c, h] : links) b.AddHandle(c, h);
    objects[handle] = DwgKeptObject{store.Add(code, b), kind};
  }
  DwgObjectLookup Lookup() {
    return [this](std::uint64_t h) -> const DwgKeptObject* {
      auto it = objects.find(h);
      return it == objects.end() ? nullptr : &it->second;
    };
  }
};

TEST(DwgEntityWalkTest, FirstLastChainInDxfOrderAndCycleEnds) {
  Drawing d;
  d.Add(0x40, entity::kPolyline, kLinkFirstLast,
        {{kCodeOwnerHandle, 0}, {kCodeFirstEntity, 0x41}, {kCodeLastEntity, 0x43}, {kCodeClosingEntity, 0x44},
         {kCodeNextEntity, 0x50}});
  d.Add(0x41, entity::kVertex, kLinkSubEntity, {{kCodeNextEntity, 0x42}});
  // The second vertex points back to the first: the chain must end.
  d.Add(0x42, entity::kVertex, kLinkSubEntity, {{kCodeNextEntity, 0x41}});
  d.Add(0x43, entity::kVertex, kLinkSubEntity, {{kCodeNextEntity, 0x44}});
  d.Add(0x44, entity::kSeqEnd, kLinkSubEntity, {{kCodeNextEntity, 0x45}});
  DwgReader r(WString(), 15);
  EXPECT_EQ(r.WalkEntity(0x40, d.Lookup()), 0x45u);  // 0x50 is not in the drawing
  EXPECT_EQ(r.EntitiesDispatched(), 4u);              // polyline, two vertices, SEQEND
  // Walked again, nothing is handed over twice.
  EXPECT_EQ(r.WalkEntity(0x40, d.Lookup()), 0u);
  EXPECT_EQ(r.EntitiesDispatched(), 4u);
}

TEST(DwgEntityWalkTest, OwnedListsAndNextChainsVisitEachObjectOnce) {
  Drawing d;
  d.Add(0x10, entity::kInsert, kLinkOwnedList,
        {{kCodeOwnedEntry, 0x11}, {kCodeOwnedEntry, 0x11}, {kCodeOwnedEntry, 0x10}, {kCodeClosingEntity, 0x12}});
  d.Add(0x11, entity::kAttrib, kLinkSubEntity, {});
  d.Add(0x12, entity::kSeqEnd, kLinkSubEntity, {});
  d.Add(0x20, entity::kLine, 0, {{kCodeNextEntity, 0x21}});
  d.Add(0x21, entity::kLine, 0, {{kCodeNextEntity, 0x20}});
  DwgReader r(WString(), 18);
  EXPECT_EQ(r.WalkEntity(0x10, d.Lookup()), 0u);
  EXPECT_EQ(r.EntitiesDispatched(), 3u);
  // A next-entity chain that comes back to its start stops there.
  std::uint64_t at = 0x20;
  int steps = 0;
  while (at != 0 && steps < 10) {
    at = r.WalkEntity(at, d.Lookup());
    ++steps;
  }
  EXPECT_EQ(at, 0u);
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(r.EntitiesDispatched(), 5u);
}

TEST(DwgEntityWalkTest, OwnerIsWrittenIntoTheRecord) {
  DwgRecordBuffer b;
  b.AddHandle(5, 1);
  b.SwitchSubRecord(1);
  b.AddHandle(8, 2);
  std::vector<std::uint8_t> record = b.Record(2);
  SetRecordHandle(record, kCodeOwnerHandle, 0x99);
  YxxfGroupRecord g;
  EXPECT_EQ(RecordBufferToGroupRecord(g, record, 0), 2);
  EXPECT_EQ(g.GetHandle(kCodeOwnerHandle), 0x99u);
  SetRecordHandle(record, kCodeOwnerHandle, 0x98);
  RecordBufferToGroupRecord(g, record, 0);
  EXPECT_EQ(g.GetHandle(kCodeOwnerHandle), 0x98u);
  EXPECT_EQ(RecordHandleItems(record).size(), 3u);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

// R2007 and later: the texts and handles of an object may come from a second
// source that the container supplies.
TEST(DwgObjectFrameTest, StringAndHandleDataFromASecondSource) {
  test::DwgEntityCommon c;
  test::DwgObjectWriter w(21, 1, 0x2C);  // a TEXT whose text and handles are elsewhere
  w.CommonEntity(c);
  w.data.RC(0xFF);
  w.data.Point2RD(1, 2);
  w.data.B(1);
  w.data.B(1);
  w.data.RD(2.5);
  std::vector<std::uint8_t> bytes = w.Finish();
  test::DwgBitWriter second;
  second.TU(u"elsewhere");
  const std::size_t textBits = second.BitCount();
  second.H(4, 0x1F);  // owner
  second.H(5, 0x10);  // layer
  second.H(5, 0x11);  // style
  std::vector<std::uint8_t> secondBytes = second.Bytes();
  DwgMemorySource strings(secondBytes);
  test::BitReader r(bytes, 21);
  r.reader.SetStringSource(&strings, textBits, std::uint32_t(secondBytes.size()));
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetString(1), WString(u"elsewhere"));
  EXPECT_EQ(rec->GetHandle(7), 0x11u);
  EXPECT_EQ(rec->GetHandle(kCodeOwnerHandle), 0x1Fu);
}

// The owner set during the conversion gives the group record that setting
// it in a copy of the record and converting the copy gives: found first,
// found after a sub-record switch, found twice (the first taken), absent
// (added under sub-record 0 after all items).
TEST(DwgEntityWalkTest, OwnerSetWhileConvertingAsInACopy) {
  const std::vector<std::vector<std::pair<std::uint16_t, std::uint8_t>>> cases = {
      {{kCodeOwnerHandle, 0}, {8, 0}},
      {{5, 0}, {8, 1}, {kCodeOwnerHandle, 1}, {10, 2}},
      {{kCodeOwnerHandle, 2}, {kCodeOwnerHandle, 0}, {11, 0}},
      {{5, 0}, {8, 3}},
      {},
  };
  for (std::size_t c = 0; c < cases.size(); ++c) {
    DwgRecordBuffer b;
    std::uint64_t h = 0x10;
    for (const auto& [code, sub] : cases[c]) {
      if (sub != b.SubRecord()) b.SwitchSubRecord(sub);
      b.AddHandle(code, ++h);
      b.AddDouble(code == 10 ? 20 : 40, double(h));
      b.AddWide(1, u"text");
    }
    auto same = [c](const YxxfGroupRecord& got, const YxxfGroupRecord& expected) {
      ASSERT_EQ(got.Count(), expected.Count()) << "case " << c;
      EXPECT_EQ(got.SubRecord(), expected.SubRecord());
      for (std::uint32_t i = 0; i < got.Count(); ++i) {
        const YxxfItem& a = *got.Item(i);
        const YxxfItem& e = *expected.Item(i);
        EXPECT_EQ(a.code, e.code) << "case " << c << " item " << i;
        EXPECT_EQ(a.subRecord, e.subRecord) << "case " << c << " item " << i;
        EXPECT_EQ(a.type, e.type) << "case " << c << " item " << i;
        if (a.type != ItemType::Wide && a.type != ItemType::Narrow) {
          EXPECT_EQ(a.value.h, e.value.h) << "case " << c << " item " << i;
        }
      }
      EXPECT_EQ(got.GetHandle(kCodeOwnerHandle), expected.GetHandle(kCodeOwnerHandle)) << "case " << c;
    };
    DwgRecordStore store;
    const std::span<const std::uint8_t> kept = store.Add(19, b);
    std::vector<std::uint8_t> copy = b.Record(19);
    SetRecordHandle(copy, kCodeOwnerHandle, 0x77);
    YxxfGroupRecord expected, got;
    EXPECT_EQ(RecordBufferToGroupRecord(expected, copy, 1252), 19);
    EXPECT_EQ(RecordBufferToGroupRecord(got, kept, 1252, kCodeOwnerHandle, 0x77), 19);
    same(got, expected);
    // The entity's own owner kept (0 added when it has none), the handle
    // items listed in the same pass as RecordHandleItems lists them.
    const auto items = RecordHandleItems(kept);
    std::uint64_t owner = 0;
    for (const auto& [code, handle] : items) {
      if (code == kCodeOwnerHandle) {
        owner = handle;
        break;
      }
    }
    copy = b.Record(19);
    SetRecordHandle(copy, kCodeOwnerHandle, owner);
    RecordBufferToGroupRecord(expected, copy, 1252);
    std::vector<std::pair<std::uint16_t, std::uint64_t>> listed{{1, 2}};
    DwgRecordConversion conversion;
    conversion.setHandle = true;
    conversion.keepFoundHandle = true;
    conversion.handleCode = kCodeOwnerHandle;
    conversion.handleItems = &listed;
    EXPECT_EQ(RecordBufferToGroupRecord(got, kept, 1252, conversion), 19);
    same(got, expected);
    EXPECT_EQ(listed, items) << "case " << c;
  }
}

}  // namespace
}  // namespace kvn
