#include "model/AttributeList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectTypes.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

AttributeItem Item(const char16_t* name, const char16_t* value, std::uint8_t kind = 0, std::uint8_t flag = 1,
                   const char16_t* third = u"") {
  AttributeItem i;
  i.name = WString(name);
  i.value = WString(value);
  i.third = WString(third);
  i.kind = kind;
  i.flag = flag;
  return i;
}

void ExpectSame(const AttributeList& a, const AttributeList& b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (std::uint32_t i = 0; i < a.Count(); ++i) {
    EXPECT_TRUE(a.Get(i)->name.Equals(b.Get(i)->name));
    EXPECT_TRUE(a.Get(i)->value.Equals(b.Get(i)->value));
    EXPECT_TRUE(a.Get(i)->third.Equals(b.Get(i)->third));
    EXPECT_EQ(a.Get(i)->kind, b.Get(i)->kind);
    EXPECT_EQ(a.Get(i)->flag, b.Get(i)->flag);
  }
}

TEST(AttributeList, RoundTripAndAssign) {
  AttributeList a;
  a.Add(Item(u"Typ", u"Stykač Ø 10", 1, 0, u"poznámka"));
  a.Add(Item(u"Value", u"230 V", 2, 1));
  a.Add(Item(u"", u"", 3, 0));
  test::MemoryArchive m([&](ArchiveWriter& w) { a.Write(w); });
  AttributeList b;
  EXPECT_TRUE(b.Read(m.Reader(), kCurrentFileVersion, false));
  ExpectSame(a, b);

  AttributeList c;
  c.Add(Item(u"old", u"gone"));
  c.Assign(a);
  ExpectSame(a, c);
}

TEST(AttributeList, Version3074StoresKindAsByteAndFlagOne) {
  test::MemoryArchive m([](ArchiveWriter& w) {
    w.WriteCompactU32(2);
    for (int i = 0; i < 2; ++i) {
      w.WriteByte(std::uint8_t(i + 1));
      // Before 3073 strings carry a compact 32-bit length (the long form).
      for (const char* text : {"N", "V", ""}) {
        w.WriteCompactU32(std::uint32_t(std::strlen(text)));
        for (const char* p = text; *p; ++p) w.WriteByte(std::uint8_t(*p));
      }
    }
  });
  AttributeList l;
  EXPECT_TRUE(l.Read(m.Reader(), 3072, false));
  ASSERT_EQ(l.Count(), 2u);
  EXPECT_EQ(l.Get(0)->kind, 1);
  EXPECT_EQ(l.Get(1)->kind, 2);
  EXPECT_EQ(l.Get(1)->flag, 1);
  EXPECT_TRUE(l.Get(1)->value.Equals(WString(u"V")));
}

TEST(AttributeList, StreamEndingInsideTheThirdItemKeepsTwo) {
  AttributeList a;
  for (const char16_t* n : {u"one", u"two", u"three"}) a.Add(Item(n, u"a long enough value to be cut"));
  auto bytes = test::Archive([&](ArchiveWriter& w) { a.Write(w); });
  bytes.resize(bytes.size() - 12);
  test::MemoryArchive m(bytes);
  AttributeList b;
  EXPECT_FALSE(b.Read(m.Reader(), kCurrentFileVersion, false));
  EXPECT_EQ(b.Count(), 2u);
}

TEST(AttributeList, HugeCountOnShortDataStopsAtTheEnd) {
  test::MemoryArchive m([](ArchiveWriter& w) { w.WriteCompactU32(0xFFFFFFF0); });
  AttributeList l;
  EXPECT_FALSE(l.Read(m.Reader(), kCurrentFileVersion, false));
  EXPECT_EQ(l.Count(), 0u);
}

TEST(AttributeList, PackedFormsStayWithinTheirBytes) {
  // key 1 "Typ" "A\x8A" (0x8A is Š in code page 1250), key 6 (kind 2) "X" "", end
  const std::uint8_t packed[] = {1, 'T', 'y', 'p', 0, 'A', 0x8A, 0, 6, 'X', 0, 0, 0};
  AttributeList l;
  l.ReadPacked8(packed, sizeof packed);
  ASSERT_EQ(l.Count(), 2u);
  EXPECT_TRUE(l.Get(0)->value.Equals(WString(u"AŠ")));
  EXPECT_EQ(l.Get(1)->kind, 2);
  EXPECT_EQ(l.Get(1)->flag, 1);

  // No terminator anywhere: the texts end with the bytes given.
  const std::uint8_t cut[] = {1, 'a', 'b'};
  l.ReadPacked8(cut, sizeof cut);
  ASSERT_EQ(l.Count(), 1u);
  EXPECT_TRUE(l.Get(0)->name.Equals(WString(u"ab")));
  EXPECT_TRUE(l.Get(0)->value.IsEmpty());

  l.ReadPacked8(nullptr, 10);
  EXPECT_EQ(l.Count(), 0u);

  const char16_t wide[] = {2, u'n', 0, u'v', u'ý', 0, 0};
  l.ReadPackedWide(wide, 7);
  ASSERT_EQ(l.Count(), 1u);
  EXPECT_TRUE(l.Get(0)->value.Equals(WString(u"vý")));
}

TEST(AttributeList, SetByKindAndLookup) {
  AttributeList l;
  l.Add(Item(u"a", u"1", 2));
  l.Add(Item(u"b", u"2", 2, 0));
  l.SetByKind(WString(), 2);  // removes only the first of that kind
  ASSERT_EQ(l.Count(), 1u);
  EXPECT_TRUE(l.Get(0)->name.Equals(WString(u"b")));
  l.SetByKind(WString(u"desc"), 1);  // appended
  ASSERT_EQ(l.Count(), 2u);
  EXPECT_EQ(l.Get(1)->kind, 1);
  EXPECT_TRUE(l.Get(1)->name.IsEmpty());

  WString value;
  int index = 0;
  std::uint8_t flag = 9;
  EXPECT_TRUE(l.Lookup(nullptr, &index, value, &flag, WString(u"b")));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(flag, 0);
  EXPECT_TRUE(value.Equals(WString(u"2")));

  AttributeList defs;
  defs.Add(Item(u"only-defined", u"", 0, 1));
  defs.Add(Item(u"b", u"", 0, 1));
  EXPECT_TRUE(l.Lookup(&defs, &index, value, &flag, WString(u"only-defined")));
  EXPECT_EQ(index, -1);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(flag, 1);
  EXPECT_TRUE(l.Lookup(&defs, &index, value, &flag, WString(u"b")));
  EXPECT_EQ(flag, 1);  // the definition's flag wins
  EXPECT_FALSE(l.Lookup(&defs, &index, value, &flag, WString()));
}

TEST(AttributeList, OldFileNameFieldsUpgradedOnRequest) {
  AttributeList a;
  a.Add(Item(u"Title", u"Sheet [/<file:name>\\]"));
  auto bytes = test::Archive([&](ArchiveWriter& w) { a.Write(w); });
  AttributeList converted, kept, current;
  test::MemoryArchive m1(bytes), m2(bytes), m3(bytes);
  ASSERT_TRUE(converted.Read(m1.Reader(), 3108, true));
  ASSERT_TRUE(kept.Read(m2.Reader(), 3108, false));
  ASSERT_TRUE(current.Read(m3.Reader(), 3109, true));
  EXPECT_TRUE(converted.Get(0)->value.Equals(WString(u"Sheet [/<file:name>\\].kvn")));
  EXPECT_TRUE(kept.Get(0)->value.Equals(WString(u"Sheet [/<file:name>\\]")));
  EXPECT_TRUE(current.Get(0)->value.Equals(WString(u"Sheet [/<file:name>\\]")));
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

// The first item of the name by a plain scan: what a look-up must find.
int FirstByScan(const AttributeList& l, const WString& name) {
  for (std::uint32_t i = 0; i < l.Count(); ++i) {
    if (l.Get(i)->name.Equals(name)) return int(i);
  }
  return -1;
}

WString Numbered(const char* stem, int i) { return WString::FromUtf8(stem + std::to_string(i)); }

// Every name of a list of n looked up, n taken once and four times over: a
// scan per name does sixteen times the work for the longer list, an index
// four. Names repeat (the first wins), items are removed and renamed
// between look-ups, and each answer is the scan's.
TEST(AttributeList, LookUpsGrowWithTheListAndFindTheFirstOfEachName) {
  std::uint64_t work[2] = {};
  for (int round = 0; round < 2; ++round) {
    const int n = round == 0 ? 500 : 2000;
    AttributeList l, defs;
    for (int i = 0; i < n; ++i) {
      AttributeItem item;
      item.name = Numbered("tag", i % (n / 2));  // each name twice
      item.value = Numbered("v", i);
      item.kind = std::uint8_t(i == 3 ? 1 : 0);
      item.flag = std::uint8_t(i % 3 != 0);
      l.Add(std::move(item));
      AttributeItem def;
      def.name = Numbered("tag", i);
      def.flag = std::uint8_t(i % 2);
      defs.Add(std::move(def));
    }
    // Read through a constant view: a renamable item taken out of the list
    // has its names indexed again.
    const AttributeList& items = l;
    const std::uint64_t before = tag_index_testing::NameComparisons();
    WString value;
    int index = 0;
    std::uint8_t flag = 0;
    for (int i = 0; i < n; ++i) {
      const WString name = Numbered("tag", i);
      const int first = FirstByScan(l, name);
      // Names past n / 2 are only defined.
      ASSERT_EQ(l.Lookup(&defs, &index, value, &flag, name), true) << i;
      ASSERT_EQ(index, first) << i;
      ASSERT_EQ(flag, i % 2) << i;
      if (first >= 0) {
        ASSERT_TRUE(value.Equals(items.Get(std::uint32_t(first))->value)) << i;
      }
      ASSERT_EQ(l.Lookup(nullptr, &index, value, &flag, name), first >= 0) << i;
      if (first >= 0) {
        ASSERT_EQ(flag, items.Get(std::uint32_t(first))->flag) << i;
      }
    }
    work[round] = tag_index_testing::NameComparisons() - before;
    // The scans of the check compare names without the counter; removing an
    // item moves the rest, and a renamed item is found by its new name.
    l.SetByKind(WString(), 1);
    EXPECT_EQ(l.Lookup(nullptr, &index, value, nullptr, Numbered("tag", 3)), true);
    EXPECT_EQ(index, FirstByScan(l, Numbered("tag", 3)));
    EXPECT_EQ(l.Lookup(nullptr, &index, value, nullptr, Numbered("tag", 5)), true);
    EXPECT_EQ(index, 4);
    l.Get(0)->name = WString(u"renamed");
    EXPECT_EQ(l.Lookup(nullptr, &index, value, nullptr, WString(u"renamed")), true);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(l.Lookup(nullptr, &index, value, nullptr, Numbered("tag", 0)), true);
    EXPECT_EQ(index, FirstByScan(l, Numbered("tag", 0)));
    l.Add(Item(u"added", u"late"));
    EXPECT_EQ(l.Lookup(nullptr, &index, value, nullptr, WString(u"added")), true);
    EXPECT_EQ(index, int(l.Count()) - 1);
  }
  EXPECT_GT(work[0], 0u);
  EXPECT_LT(work[1], 6 * work[0]) << work[0] << " then " << work[1];
}

}  // namespace
}  // namespace kvn
