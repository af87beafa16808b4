#include <gtest/gtest.h>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectList.h"
#include "model/cLine.h"
#include "model/cOutObj.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::HeaderFixture;
using test::MemoryArchive;

// Built by a function: GCC 12 misreads designated initializers of structs
// holding a vector as uninitialised.
HeaderFixture Fix(std::uint16_t level, std::uint16_t pageId, std::vector<std::uint16_t> pages = {},
                  bool stored = false, bool hidden = false, bool forceList = false) {
  HeaderFixture h;
  h.level = level;
  h.pageId = pageId;
  h.pages = std::move(pages);
  h.stored = stored;
  h.hidden = hidden;
  h.forceList = forceList;
  return h;
}

// A minimal object: the header plus one value, and a Recalc that counts.
class Probe : public cOutObj {
 public:
  Probe() : cOutObj(kTypeLine) {}
  double value = 0;
  int recalcs = 0;
  bool dirtyAgainInRecalc = false;

  void Write(cDrawingData*, ArchiveWriter& w) const override {
    WriteHeader(w);
    w.WriteReal(value);
  }
  ObjectChain Read(ReadContext*, cDrawingData*, ArchiveReader& r, int version) override {
    ReadHeader(r, version);
    value = r.ReadReal();
    return {};
  }
  DRect& GetExtent(DRect& out) override {
    out = DRect{value, value, value, value};
    return out;
  }
  void Recalc(cDrawingData*) override {
    ++recalcs;
    if (dirtyAgainInRecalc) MarkDirty();
  }
};

TEST(ObjectBase, NewObjectDefaults) {
  Probe p;
  EXPECT_EQ(p.Flags(), kFlagDirty);
  EXPECT_EQ(p.Level(), 0);
  EXPECT_EQ(p.PageId(), 0);
  EXPECT_EQ(p.PageList(), nullptr);
  EXPECT_EQ(p.TypeCode(), kTypeLine);
}

TEST(ObjectBase, AssignCopiesPagesIndependently) {
  auto a = std::make_unique<Probe>();
  PageMask mask;
  mask.bits[0] = 0x60;  // pages 1 and 2
  a->SetPagesFromMask(mask);
  a->SetLevel(7);
  a->SetFlag(kFlagHidden | kFlagGenerated | kFlagStored | kFlagRecoloured | kFlagResolved |
             kFlagInsertGenerated | kFlagSymbolFollows);
  Probe b;
  b.SetFlag(kFlagDirty, false);
  b.Assign(*a);
  EXPECT_EQ(b.Level(), 7);
  EXPECT_EQ(b.Flags(), 0xFF);  // every bit but dirty copied, dirty set
  ASSERT_NE(b.PageList(), nullptr);
  EXPECT_NE(b.PageList(), a->PageList());
  a.reset();
  ASSERT_EQ(b.PageList()->Count(), 2u);
  EXPECT_EQ(b.GetPageId(1), 2);
}

TEST(ObjectBase, PagesFromMask) {
  Probe p;
  PageMask one;
  one.bits[4095 / 8] = 0x01;  // page 4095 only: bit 7 - 4095 % 8 = 0
  one.bits[0] = 0;
  PageMask single;
  single.bits[1] = 0x20;  // page 10
  p.SetPagesFromMask(single);
  EXPECT_EQ(p.PageId(), 10);
  EXPECT_EQ(p.PageList(), nullptr);

  PageMask all;
  all.allPages = true;
  p.SetPagesFromMask(all);
  EXPECT_EQ(p.PageId(), kAllPages);
  EXPECT_TRUE(p.IsOnPage(3000));

  PageMask none;
  p.SetPagesFromMask(none);  // no page: no change
  EXPECT_EQ(p.PageId(), kAllPages);
}

TEST(ObjectBase, IsOnPageAndHasSamePages) {
  Probe a, b;
  PageMask two;
  two.bits[0] = 0x30;  // pages 2, 3
  a.SetPagesFromMask(two);
  EXPECT_TRUE(a.IsOnPage(3));
  EXPECT_FALSE(a.IsOnPage(1));
  b.SetPage(2);
  EXPECT_FALSE(a.HasSamePages(b));
  b.SetPagesFromMask(two);
  EXPECT_TRUE(a.HasSamePages(b));

  // An empty list is on no page and equals another empty list.
  MemoryArchive empty([](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3111, Fix(0, 0, {}, false, false, true));
    w.WriteReal(0);
  });
  Probe e;
  e.Read(nullptr, nullptr, empty.Reader(), 3111);
  ASSERT_NE(e.PageList(), nullptr);
  EXPECT_FALSE(e.IsOnPage(0));
  EXPECT_FALSE(e.IsOnPage(4095));
  Probe single;
  single.SetPage(5);
  Probe listOfOne;
  PageMask five;
  five.bits[0] = 0x04;
  listOfOne.SetPagesFromMask(five);  // stored as a single id
  EXPECT_TRUE(single.HasSamePages(listOfOne));
}

TEST(ObjectBase, DirtyProtocolRecalcsOnceAndDoesNotLoop) {
  Probe p;
  DRect r;
  p.GetExtentUpdated(nullptr, r);
  EXPECT_EQ(p.recalcs, 1);
  EXPECT_FALSE(p.HasFlag(kFlagDirty));
  p.GetExtentUpdated(nullptr, r);
  EXPECT_EQ(p.recalcs, 1);  // clean: no Recalc
  p.dirtyAgainInRecalc = true;
  p.MarkDirty();
  p.GetFullExtent(nullptr, r);
  p.GetStrokeExtent(nullptr, r);
  EXPECT_EQ(p.recalcs, 3);  // once per call, never recursively
}

TEST(ObjectBase, IsSameRecordComparesBytes) {
  Probe a, b;
  a.value = b.value = 2.5;
  ByteArray s1, s2;
  EXPECT_TRUE(a.IsSameRecord(b, s1, s2));
  b.SetPage(3);
  EXPECT_FALSE(a.IsSameRecord(b, s1, s2));
}

struct HeaderCase {
  int version;
  HeaderFixture written;
  std::uint16_t level;
  std::uint16_t pageId;
  std::vector<std::uint16_t> list;  // expected list (when hasList)
  bool hasList;
  std::uint8_t flags;  // 0x01 and 0x02 as read
};

class HeaderBands : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderBands, ReadsEveryVersionBand) {
  const HeaderCase& c = GetParam();
  MemoryArchive a([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, c.version, c.written);
    w.WriteReal(42.0);
  });
  Probe p;
  p.SetFlag(kFlagSymbolFollows);
  p.Read(nullptr, nullptr, a.Reader(), c.version);
  EXPECT_EQ(p.Level(), c.level);
  EXPECT_EQ(p.PageId(), c.pageId);
  ASSERT_EQ(p.PageList() != nullptr, c.hasList);
  if (c.hasList) {
    std::vector<std::uint16_t> got(p.PageList()->begin(), p.PageList()->end());
    EXPECT_EQ(got, c.list);
  }
  EXPECT_EQ(p.Flags() & (kFlagStored | kFlagHidden), c.flags);
  EXPECT_FALSE(p.HasFlag(kFlagSymbolFollows));  // always cleared by the header
  EXPECT_EQ(p.value, 42.0);  // the record stays in step
  EXPECT_FALSE(a.Reader().HasError());
}

INSTANTIATE_TEST_SUITE_P(
    Versions, HeaderBands,
    ::testing::Values(
        // Below 3059 only the level byte; 255 stays 255.
        HeaderCase{3058, Fix(255, 9), 255, 0, {}, false, 0},
        HeaderCase{3059, Fix(3, 4095), 3, 4095, {}, false, 0},
        HeaderCase{3060, Fix(3, 7), 3, 7, {}, false, 0},
        HeaderCase{3061, Fix(14, 4095), 14, 4095, {}, false, 0},
        HeaderCase{3072, Fix(200, 2), 200, 2, {}, false, 0},
        HeaderCase{3073, Fix(1000, 12), 1000, 12, {}, false, 0},
        HeaderCase{3080, Fix(1, 1, {}, true), 1, 1, {}, false, kFlagStored},
        HeaderCase{3081, Fix(1, 1, {}, true, true), 1, 1, {}, false,
                   kFlagStored | kFlagHidden},
        HeaderCase{3082, Fix(65535, 4095), 65535, 4095, {}, false, 0},
        HeaderCase{3093, Fix(5, 0, {3, 9, 200}), 5, 0, {3, 9, 200}, true, 0},
        HeaderCase{3094, Fix(65535, 0, {}, false, true), 65535, 0, {}, false, kFlagHidden},
        // Count 1 below 3102: one more small byte, no list.
        HeaderCase{3101, Fix(2, 0, {255}), 2, 4095, {}, false, 0},
        HeaderCase{3101, Fix(2, 255), 2, 4095, {}, false, 0},
        // From 3102 ids are compact and 255 stays 255.
        HeaderCase{3102, Fix(2, 255), 2, 255, {}, false, 0},
        HeaderCase{3111, Fix(300, 0, {1, 4000}, true), 300, 0, {1, 4000}, true,
                   kFlagStored},
        HeaderCase{3111, Fix(0, 0, {}, false, false, true), 0, 0, {}, true, 0}));

TEST(ObjectHeader, WrittenFormReadsBackAsCurrent) {
  Probe a;
  a.SetLevel(65535);
  PageMask mask;
  mask.bits[0] = 0x0C;  // pages 4 and 5
  a.SetPagesFromMask(mask);
  a.SetFlag(kFlagHidden);
  a.value = -1.25;
  MemoryArchive m([&](ArchiveWriter& w) { a.Write(nullptr, w); });
  EXPECT_EQ(m.Reader().ReadByte(), kTypeLine);  // the type byte comes first
  Probe b;
  b.Read(nullptr, nullptr, m.Reader(), kCurrentFileVersion);
  ByteArray s1, s2;
  EXPECT_TRUE(a.IsSameRecord(b, s1, s2));

  // A list of one page is written as a list and read back as a single id.
  MemoryArchive one([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3111, Fix(0, 0, {6}));
  });
  Probe c;
  c.ReadHeader(one.Reader(), 3111);
  EXPECT_EQ(c.PageId(), 6);
  EXPECT_EQ(c.PageList(), nullptr);
}

TEST(ObjectHeader, ImpossiblePageCountIsADamagedRecord) {
  MemoryArchive m([](ArchiveWriter& w) {
    w.WriteBit(false);    // no level
    w.WriteBits(3, 2);    // a list
    w.WriteCompactU16(60000);
  });
  Probe p;
  p.ReadHeader(m.Reader(), 3111);
  EXPECT_TRUE(m.Reader().HasError());
  ASSERT_NE(p.PageList(), nullptr);
  EXPECT_EQ(p.PageList()->Count(), 0u);
}

TEST(ObjectList, EndByteAndUnknownCodes) {
  {
    MemoryArchive m(std::vector<std::uint8_t>{255, 0});
    ObjectChain chain;
    EXPECT_TRUE(ReadObjectList(m.Reader(), nullptr, 3111, chain));
    EXPECT_TRUE(chain.Empty());
  }
  {
    MemoryArchive m(std::vector<std::uint8_t>{11, 0, 0});
    ObjectChain chain;
    EXPECT_FALSE(ReadObjectList(m.Reader(), nullptr, 3111, chain));
  }
  {
    MemoryArchive m(std::vector<std::uint8_t>{});
    ObjectChain chain;
    EXPECT_FALSE(ReadObjectList(m.Reader(), nullptr, 3111, chain));  // no end byte
  }
  {
    // The end byte as the very last byte of the data still ends the list.
    MemoryArchive m(std::vector<std::uint8_t>{255});
    ObjectChain chain;
    EXPECT_TRUE(ReadObjectList(m.Reader(), nullptr, 3111, chain));
  }
}

TEST(ObjectChain, LongChainsAreDeletedWithoutRecursion) {
  ObjectChain chain;
  for (int i = 0; i < 200000; ++i) chain.Append(new Probe);
  EXPECT_EQ(chain.Count(), 200000u);
  ObjectChain other;
  other.Append(new Probe);
  chain.AppendChain(std::move(other));
  EXPECT_EQ(chain.Count(), 200001u);
  EXPECT_TRUE(other.Empty());  // NOLINT(bugprone-use-after-move)
}

TEST(ObjectFactory, CloneCopiesThroughAssign) {
  cLine line;
  line.start = {1, 2};
  line.end = {3, 4};
  line.SetLevel(9);
  std::unique_ptr<cOutObj> copy(cOutObj::Clone(line));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->TypeCode(), kTypeLine);
  ByteArray a, b;
  EXPECT_TRUE(line.IsSameRecord(*copy, a, b));
}

}  // namespace
}  // namespace kvn
