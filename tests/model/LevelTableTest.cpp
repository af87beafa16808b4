#include "model/LevelTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;

struct LevelFixture {
  std::u16string name;
  std::uint8_t flags = 0x07;  // first, visible, printable
  std::uint32_t color = 0x80000000;
  double value = 0;
};

// A level record in the form of `version`.
void WriteLevel(ArchiveWriter& w, int version, const LevelFixture& l) {
  if (version < 3073) {
    for (char16_t c : l.name) w.WriteUInt16(c);
    w.WriteUInt16(0);
  } else {
    w.WriteString(WString(std::u16string_view(l.name)));
  }
  w.WriteByte(l.flags);
  w.WriteRaw32(l.color);
  if (version >= 3066) w.WriteCompactDouble(l.value);
}

// The table in the form from 3095 on.
void WriteTable(ArchiveWriter& w, int version, const LevelFixture& beyond, const std::vector<LevelFixture>& levels,
                std::uint32_t count, std::uint8_t sortMode, std::uint16_t unlevelled) {
  w.WriteBit(true);
  WriteLevel(w, version, beyond);
  w.WriteCompactU16(std::uint16_t(count));
  for (const auto& l : levels) WriteLevel(w, version, l);
  w.WriteByte(sortMode);
  if (sortMode == 0 && version >= 3103) w.WriteCompactU16(unlevelled);
}

// The byte-continued list of files before 3095.
void WriteOldTable(ArchiveWriter& w, int version, const std::vector<LevelFixture>& levels, std::uint8_t sortMode) {
  w.WriteByte(1);
  for (std::size_t i = 0; i < levels.size(); ++i) {
    WriteLevel(w, version, levels[i]);
    w.WriteByte(i + 1 < levels.size() ? 1 : 0);
  }
  if (version >= 3066) w.WriteByte(sortMode);
}

std::u16string Name(const LevelRecord* r) { return std::u16string(r->name.View()); }

std::vector<std::uint16_t> Order(const LevelTable& t) {
  auto order = t.MakeDisplayOrder();
  if (!order) return {};
  return {order->begin(), order->end()};
}

TEST(LevelTable, UnusedTableAnswersTheNoLevelsRecord) {
  LevelTable t;
  EXPECT_FALSE(t.InUse());
  EXPECT_EQ(t.SortMode(), 1);
  LevelRecord* none = t.GetLevel(0);
  EXPECT_EQ(t.GetLevel(7), none);
  EXPECT_EQ(t.GetLevel(65535), none);
  EXPECT_NE(none, &t.BeyondRangeRecord());
  EXPECT_EQ(t.FindLevel(0), nullptr);
  EXPECT_EQ(t.GetCurrentIndex(), 65535);
  t.SetCurrentIndex(0);
  EXPECT_EQ(t.GetCurrentIndex(), 65535);
  EXPECT_EQ(t.MakeDisplayOrder(), nullptr);
  LevelIterator it(t);
  EXPECT_EQ(it.Next(nullptr), nullptr);

  // The defaults of a record.
  EXPECT_EQ(none->firstFlag, 1);
  EXPECT_EQ(none->visible, 1);
  EXPECT_EQ(none->printable, 1);
  EXPECT_EQ(none->color, 0x80000000u);
  EXPECT_EQ(none->value, 0.0);
  EXPECT_EQ(none->word, 65534);
}

TEST(LevelTable, InsertPlacesAndMakesCurrent) {
  LevelTable t;
  std::uint16_t index = 0;
  LevelRecord* a = t.InsertLevel(u"A", &index, 100);  // beyond the end: appended
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(t.InUse());
  LevelRecord* c = t.InsertLevel(u"C", &index, 1);
  EXPECT_EQ(index, 1);
  LevelRecord* b = t.InsertLevel(u"B", &index, 1);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(t.GetCurrentIndex(), 1);
  EXPECT_EQ(t.GetLevel(0), a);
  EXPECT_EQ(t.GetLevel(1), b);
  EXPECT_EQ(t.GetLevel(2), c);
  EXPECT_EQ(t.IndexOf(c), 2);
  EXPECT_EQ(t.IndexOf(&t.BeyondRangeRecord()), 65535);
  EXPECT_EQ(t.GetLevel(3), &t.BeyondRangeRecord());
  EXPECT_EQ(t.FindLevel(3), &t.BeyondRangeRecord());
  t.SetCurrentIndex(3);
  EXPECT_EQ(t.GetCurrentIndex(), 65535);
  t.SetCurrentIndex(2);
  EXPECT_EQ(t.GetCurrentIndex(), 2);
}

TEST(LevelTable, IteratorEndsWithTheBeyondRangeRecordOnce) {
  LevelTable t;
  for (const char16_t* n : {u"0", u"1", u"2"}) t.InsertLevel(n, nullptr, 65535);
  LevelIterator it(t);
  std::vector<std::uint16_t> seen;
  std::uint16_t index = 0;
  while (LevelRecord* r = it.Next(&index)) {
    seen.push_back(index);
    if (index == 65535) {
      EXPECT_EQ(r, &t.BeyondRangeRecord());
    }
  }
  EXPECT_EQ(seen, (std::vector<std::uint16_t>{0, 1, 2, 65535}));
  EXPECT_EQ(it.Next(&index), nullptr);
}

TEST(LevelTable, InsertRefusesBeyond65534Levels) {
  LevelTable t;
  for (std::uint32_t i = 0; i < kMaxLevels; ++i) ASSERT_NE(t.InsertLevel(WString(), nullptr, 65535), nullptr);
  std::uint16_t index = 7;
  t.SetCurrentIndex(5);
  EXPECT_EQ(t.InsertLevel(u"x", &index, 0), nullptr);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(t.Count(), kMaxLevels);
  EXPECT_EQ(t.GetCurrentIndex(), 5);
  EXPECT_TRUE(t.GetLevel(0)->name.IsEmpty());
}

TEST(LevelTable, DisplayNameOfAnUnnamedLevel) {
  LevelRecord r;
  WString shown;
  r.GetDisplayName(shown);
  EXPECT_EQ(shown, LoadLangString(kStrLevelByBlock));
  r.name = u"Walls";
  r.GetDisplayName(shown);
  EXPECT_EQ(shown, u"Walls");
}

// Four levels whose keys order differently for every sort key.
class DisplayOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    Add(u"beta", 1, 0, 1, 0x80000000, 2.5);
    Add(u"Alpha", 0, 1, 0, 0x000010, -1);
    Add(u"gamma", 1, 1, 0, 0x000005, 10);
    Add(u"Delta", 0, 0, 1, 0x800000FF, 0);
  }
  void Add(const char16_t* name, std::uint8_t visible, std::uint8_t first, std::uint8_t printable, std::uint32_t color,
           double value) {
    LevelRecord* r = t.InsertLevel(name, nullptr, 65535);
    r->visible = visible;
    r->firstFlag = first;
    r->printable = printable;
    r->color = color;
    r->value = value;
  }
  LevelTable t;
};

TEST_F(DisplayOrder, EverySortMode) {
  using V = std::vector<std::uint16_t>;
  const V expected[14] = {
      {0, 1, 65535, 2, 3},  // 0: unsorted, "by block" at position 2
      {65535, 1, 0, 3, 2},  // 1: name
      {65535, 2, 3, 0, 1},  // 2: name, descending
      {65535, 1, 3, 0, 2},  // 3: visible (0 first)
      {65535, 0, 2, 1, 3},  // 4
      {65535, 1, 2, 0, 3},  // 5: first flag (set first)
      {65535, 0, 3, 1, 2},  // 6
      {65535, 1, 2, 0, 3},  // 7: printable (0 first)
      {65535, 0, 3, 1, 2},  // 8
      {65535, 0, 3, 2, 1},  // 9: colour (not set first, then low 24 bits)
      {65535, 1, 2, 0, 3},  // 10
      {65535, 1, 3, 0, 2},  // 11: value
      {65535, 2, 0, 3, 1},  // 12
      {65535, 0, 1, 2, 3},  // 13: no key, everything equal
  };
  t.SetUnlevelledPosition(2);
  for (std::uint8_t mode = 0; mode < 14; ++mode) {
    t.SetSortMode(mode);
    EXPECT_EQ(Order(t), expected[mode]) << "sort mode " << int(mode);
  }
}

TEST_F(DisplayOrder, UnsortedAppendsPastTheEndAndNanValuesSortLast) {
  t.SetSortMode(0);
  t.SetUnlevelledPosition(9);
  EXPECT_EQ(Order(t), (std::vector<std::uint16_t>{0, 1, 2, 3, 65535}));

  t.GetLevel(0)->value = std::nan("");
  t.SetSortMode(11);
  EXPECT_EQ(Order(t), (std::vector<std::uint16_t>{65535, 1, 3, 2, 0}));
}

TEST(LevelTable, MakeNamesUniqueTrimsAndNumbers) {
  LevelTable t;
  for (const char16_t* n : {u"  a ", u"A", u"", u"b", u"a", u" "}) t.InsertLevel(n, nullptr, 65535);
  t.MakeNamesUnique();
  std::vector<std::u16string> names;
  for (std::uint16_t i = 0; i < t.Count(); ++i) names.push_back(Name(t.GetLevel(i)));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"A1", u"_", u"b", u"a2", u"_1"}));
}

// The rule as written: for each level i, every later level named like it
// (CompareNoCaseN) gets 1, 2, ... appended.
std::vector<std::u16string> UniqueByTheRule(std::vector<std::u16string> names) {
  for (auto& n : names) {
    WString w(std::u16string_view{n});
    w.Trim(WString::TrimMode::Both, u' ');
    n = w.IsEmpty() ? u"_" : std::u16string(w.View());
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    int k = 0;
    for (std::size_t j = i + 1; j < names.size(); ++j) {
      const WString a(std::u16string_view{names[i]}), b(std::u16string_view{names[j]});
      if (b.CompareNoCaseN(a.CStr(), -1) == 0) names[j] += std::u16string(IntToWString(++k).View());
    }
  }
  return names;
}

TEST(LevelTable, MakeNamesUniqueFollowsTheRuleOnManyNames) {
  // Names built to collide, also after numbering ("a" + "1" meets "a1").
  const char16_t* parts[] = {u"a", u"A", u"1", u" ", u"é", u"É", u"b"};
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  std::vector<std::u16string> names;
  for (int i = 0; i < 400; ++i) {
    std::u16string n;
    for (std::uint32_t k = next() % 4; k > 0; --k) n += parts[next() % 7];
    names.push_back(n);
  }
  LevelTable t;
  for (const auto& n : names) t.InsertLevel(WString(std::u16string_view{n}), nullptr, 65535);
  t.MakeNamesUnique();
  const auto expected = UniqueByTheRule(names);
  for (std::uint16_t i = 0; i < t.Count(); ++i) EXPECT_EQ(Name(t.GetLevel(i)), expected[i]) << "level " << i;
}

// ---- stream forms ----

TEST(LevelTableRead, CurrentFormRoundsTrip) {
  LevelFixture beyond{u"", 0x02, 0x000000FF, 0};
  std::vector<LevelFixture> levels = {{u"Walls", 0x07, 0x7F123456, 1.5}, {u"Štítky", 0x02, 0xFF000001, -2}};
  MemoryArchive a([&](ArchiveWriter& w) { WriteTable(w, 3111, beyond, levels, 2, 0, 1); });
  LevelTable t;
  t.InsertLevel(u"old", nullptr, 0);
  ASSERT_TRUE(t.Read(3111, a.Reader()));
  EXPECT_FALSE(a.Reader().HasError());
  EXPECT_TRUE(t.InUse());
  ASSERT_EQ(t.Count(), 2u);
  EXPECT_EQ(t.SortMode(), 0);
  EXPECT_EQ(t.UnlevelledPosition(), 1);
  const LevelRecord* w = t.GetLevel(0);
  EXPECT_EQ(Name(w), u"Walls");
  EXPECT_EQ(w->firstFlag, 1);
  EXPECT_EQ(w->visible, 1);
  EXPECT_EQ(w->printable, 1);
  EXPECT_EQ(w->color, 0x00123456u);  // bits 24-30 are not part of a colour
  EXPECT_EQ(w->value, 1.5);
  const LevelRecord* s = t.GetLevel(1);
  EXPECT_EQ(Name(s), u"Štítky");
  EXPECT_EQ(s->firstFlag, 0);
  EXPECT_EQ(s->visible, 1);
  EXPECT_EQ(s->printable, 0);
  EXPECT_EQ(s->color, 0x80000001u);
  EXPECT_EQ(s->value, -2.0);
  EXPECT_EQ(t.BeyondRangeRecord().color, 0x000000FFu);
  EXPECT_EQ(t.BeyondRangeRecord().firstFlag, 0);
}

TEST(LevelTableRead, VersionBands) {
  std::vector<LevelFixture> levels = {{u"A", 0x03, 0x000010, 4.0}, {u"B", 0x01, 0x000020, 5.0}};
  {  // 3100: sort mode 0 without the unlevelled position
    MemoryArchive a([&](ArchiveWriter& w) {
      WriteTable(w, 3100, {}, levels, 2, 0, 0);
      w.WriteByte(0xAB);
    });
    LevelTable t;
    ASSERT_TRUE(t.Read(3100, a.Reader()));
    EXPECT_EQ(t.SortMode(), 0);
    EXPECT_EQ(a.Reader().ReadByte(), 0xAB);  // nothing more was taken
  }
  {  // 3070: the old list with wide names, values and a sort byte
    MemoryArchive a([&](ArchiveWriter& w) { WriteOldTable(w, 3070, levels, 5); });
    LevelTable t;
    ASSERT_TRUE(t.Read(3070, a.Reader()));
    ASSERT_EQ(t.Count(), 2u);
    EXPECT_EQ(Name(t.GetLevel(1)), u"B");
    EXPECT_EQ(t.GetLevel(0)->value, 4.0);
    EXPECT_EQ(t.GetLevel(0)->printable, 0);
    EXPECT_EQ(t.SortMode(), 5);
  }
  {  // 3058: no value, no sort byte, every level printable
    MemoryArchive a([&](ArchiveWriter& w) {
      WriteOldTable(w, 3058, levels, 0);
      w.WriteByte(0xCD);
    });
    LevelTable t;
    ASSERT_TRUE(t.Read(3058, a.Reader()));
    ASSERT_EQ(t.Count(), 2u);
    EXPECT_EQ(t.GetLevel(0)->printable, 1);
    EXPECT_EQ(t.GetLevel(0)->value, 0.0);
    EXPECT_EQ(t.SortMode(), 0);
    EXPECT_EQ(a.Reader().ReadByte(), 0xCD);
  }
}

TEST(LevelTableRead, NoTableInEitherForm) {
  for (int version : {3111, 3060}) {
    MemoryArchive a([&](ArchiveWriter& w) {
      if (version >= 3095) {
        w.WriteBit(false);
      } else {
        w.WriteByte(0);
      }
    });
    LevelTable t;
    t.InsertLevel(u"x", nullptr, 0);
    t.SetSortMode(7);
    EXPECT_FALSE(t.Read(version, a.Reader()));
    EXPECT_FALSE(t.InUse());
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.SortMode(), 1);
  }
}

TEST(LevelTableRead, DataEndingBeforeAnAnnouncedRecord) {
  std::vector<LevelFixture> levels = {{u"A"}, {u"B"}};
  MemoryArchive a([&](ArchiveWriter& w) { WriteTable(w, 3111, {}, levels, 40000, 1, 0); });
  LevelTable t;
  EXPECT_FALSE(t.Read(3111, a.Reader()));
  EXPECT_TRUE(a.Reader().HasError());
  // The two whole records; the sort byte behind them is too short for a
  // third and is no level.
  ASSERT_EQ(t.Count(), 2u);
  EXPECT_EQ(Name(t.GetLevel(0)), u"A");
  EXPECT_EQ(Name(t.GetLevel(1)), u"B");
}

TEST(LevelTableRead, ReadersStopAppendingAt65534Levels) {
  std::vector<LevelFixture> levels(65535, LevelFixture{u"", 0x07, 0, 0});
  levels.back().name = u"last";
  {
    MemoryArchive a([&](ArchiveWriter& w) { WriteTable(w, 3111, {}, levels, 65535, 3, 0); });
    LevelTable t;
    ASSERT_TRUE(t.Read(3111, a.Reader()));
    EXPECT_EQ(t.Count(), kMaxLevels);
    EXPECT_EQ(t.SortMode(), 3);  // the stream stayed in step
    EXPECT_TRUE(t.GetLevel(65533)->name.IsEmpty());
    EXPECT_EQ(t.GetLevel(65534), &t.BeyondRangeRecord());
  }
  {
    MemoryArchive a([&](ArchiveWriter& w) { WriteOldTable(w, 3090, levels, 4); });
    LevelTable t;
    ASSERT_TRUE(t.Read(3090, a.Reader()));
    EXPECT_EQ(t.Count(), kMaxLevels);
    EXPECT_EQ(t.SortMode(), 4);
  }
}

}  // namespace
}  // namespace kvn
