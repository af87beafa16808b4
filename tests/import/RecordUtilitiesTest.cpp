// Record utilities: item values, handle texts, context blocks, draw order,
// record splits, unique names and viewport levels.
#include "import/records/RecordUtilities.h"

#include <gtest/gtest.h>

#include <vector>

#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/import/ScriptedRecords.h"

namespace kvn {
namespace {

TEST(RecordUtilitiesTest, ItemValuesAndHandles) {
  YxxfGroupRecord r;
  Fill(r, {{1, " 12.5"}, {1, "abc"}, {70, 7}, {40, 1.5}, {5, H{3}}});
  EXPECT_EQ(GetItemDouble(r.Item(0)), 12.5);
  EXPECT_EQ(GetItemDouble(r.Item(1)), 0.0);
  EXPECT_EQ(GetItemDouble(r.Item(2)), 0.0);
  EXPECT_EQ(GetItemDouble(r.Item(3)), 1.5);
  EXPECT_EQ(GetItemInt(r.Item(2)), 7);
  EXPECT_EQ(GetItemInt(r.Item(0)), 12);
  EXPECT_EQ(GetItemInt(r.Item(4)), 0);
  EXPECT_EQ(GetItemInt(nullptr), 0);
  EXPECT_EQ(ParseHexHandle("  1aF"), 0x1AFu);
  EXPECT_EQ(ParseHexHandle("12G4"), 0x12u);
  EXPECT_EQ(ParseHexHandle(nullptr), 0u);
  EXPECT_EQ(ParseHexHandle(AString("FFFFFFFFFFFFFFFF")), 0xFFFFFFFFFFFFFFFFull);
}

TEST(RecordUtilitiesTest, ContextBlocksNeedTheirClosing) {
  YxxfGroupRecord r;
  Fill(r, {{300, "CONTEXT_DATA{"}, {40, 1.0}, {302, "LEADER{"}, {304, "leader_line{"}, {10, 1.0}, {305, "}"},
           {303, "}"}, {301, "}"}, {300, "CONTEXT_DATA{"}});
  GrowArray<ItemRange> context, leaders, lines;
  FindContextBlocks(r, context, "CONTEXT_DATA{", 300);
  FindContextBlocks(r, leaders, "LEADER{", 302);
  FindContextBlocks(r, lines, "LEADER_LINE{", 304);
  ASSERT_EQ(context.Count(), 1u);
  EXPECT_EQ(context[0].open, 0u);
  EXPECT_EQ(context[0].close, 7u);
  ASSERT_EQ(lines.Count(), 1u);
  EXPECT_EQ(lines[0].open, 3u);
  EXPECT_EQ(lines[0].close, 5u);
  EXPECT_FALSE(IsOutsideRanges(4, context, leaders, lines));
  EXPECT_TRUE(IsOutsideRanges(8, context, leaders, lines));

  YxxfGroupRecord open;
  Fill(open, {{300, "CONTEXT_DATA{"}, {40, 1.0}});
  FindContextBlocks(open, context, "CONTEXT_DATA{", 300);
  EXPECT_EQ(context.Count(), 0u);
}

std::vector<std::uint64_t> Handles(const OwnedArray<cOneObjRec>& list) {
  std::vector<std::uint64_t> out;
  for (const cOneObjRec* r : list) out.push_back(r->handle);
  return out;
}

void AddRecords(OwnedArray<cOneObjRec>& list, std::initializer_list<std::uint64_t> handles) {
  for (std::uint64_t h : handles) {
    auto* r = new cOneObjRec();
    r->handle = h;
    list.Add(r);
  }
}

TEST(RecordUtilitiesTest, SortByDrawOrder) {
  OwnedArray<cOneObjRec> list;
  AddRecords(list, {0x30, 0x10, 0x20});
  GrowArray<std::uint64_t> table;
  // 0x30 draws where 0x10 stood; 0x10 moved out with no key of its own: last.
  for (std::uint64_t h : {0x30, 0x10}) table.Add(h);
  SortByDrawOrder(list, table);
  EXPECT_EQ(Handles(list), (std::vector<std::uint64_t>{0x30, 0x20, 0x10}));

  // Sort handles that name no record add placeholders; real records stay in
  // handle order.
  OwnedArray<cOneObjRec> other;
  AddRecords(other, {0x3, 0x1, 0x2});
  GrowArray<std::uint64_t> absent;
  for (std::uint64_t h : {0x100, 0x200, 0x101, 0x201}) absent.Add(h);
  SortByDrawOrder(other, absent);
  EXPECT_EQ(Handles(other), (std::vector<std::uint64_t>{0x1, 0x2, 0x3, 0x200, 0x201}));
  EXPECT_EQ(other[4]->Kind(), RecordKind::Placeholder);

  // Fewer than two handles: nothing happens.
  OwnedArray<cOneObjRec> kept;
  AddRecords(kept, {0x9, 0x8});
  GrowArray<std::uint64_t> one;
  one.Add(0x8);
  SortByDrawOrder(kept, one);
  EXPECT_EQ(Handles(kept), (std::vector<std::uint64_t>{0x9, 0x8}));
}

// The attributes that follow an insert move with it, whichever of the two
// the table names, and stay on its side of a split whatever their own flag.
TEST(RecordUtilitiesTest, AnInsertMovesWithItsAttributes) {
  auto make = [](OwnedArray<cOneObjRec>& list) {
    AddRecords(list, {0x30, 0x31, 0x32, 0x10});
    list[0]->entityCode = entity::kInsert;
    list[1]->entityCode = entity::kAttrib;
    list[2]->entityCode = entity::kAttrib;
    list[3]->entityCode = entity::kLine;
  };
  for (std::uint64_t named : {0x30, 0x31, 0x32}) {
    OwnedArray<cOneObjRec> list;
    make(list);
    GrowArray<std::uint64_t> table;
    // The two swap places.
    for (std::uint64_t h : {named, std::uint64_t(0x10), std::uint64_t(0x10), named}) table.Add(h);
    SortByDrawOrder(list, table);
    EXPECT_EQ(Handles(list), (std::vector<std::uint64_t>{0x30, 0x31, 0x32, 0x10})) << named;
  }
  OwnedArray<cOneObjRec> source, model, paper;
  make(source);
  source[0]->paperSpace = 1;
  SplitRecordList(model, paper, source, false);
  EXPECT_EQ(Handles(paper), (std::vector<std::uint64_t>{0x30, 0x31, 0x32}));
  EXPECT_EQ(Handles(model), (std::vector<std::uint64_t>{0x10}));
}

TEST(RecordUtilitiesTest, SplitByPaperSpace) {
  OwnedArray<cOneObjRec> source, model, paper;
  AddRecords(source, {1, 2, 3});
  source[1]->paperSpace = 1;
  SplitRecordList(model, paper, source, false);
  EXPECT_EQ(Handles(model), (std::vector<std::uint64_t>{1, 3}));
  EXPECT_EQ(Handles(paper), (std::vector<std::uint64_t>{2}));
  EXPECT_EQ(source.Count(), 0u);
  OwnedArray<cOneObjRec> a, b;
  SplitRecordList(a, b, model, true);
  EXPECT_EQ(b.Count(), 2u);
}

std::vector<WString> Unique(std::initializer_list<const char16_t*> in) {
  std::vector<WString> names;
  for (const char16_t* n : in) names.emplace_back(n);
  std::vector<WString*> refs;
  for (WString& n : names) refs.push_back(&n);
  MakeNamesUnique(refs);
  return names;
}

TEST(RecordUtilitiesTest, MakeNamesUnique) {
  EXPECT_EQ(Unique({u"Standard", u"STANDARD", u"standard"}),
            (std::vector<WString>{WString(u"Standard"), WString(u"STANDARD_1"), WString(u"standard_2")}));
  // Generated names already taken are skipped.
  EXPECT_EQ(Unique({u"A", u"a", u"a_1"}),
            (std::vector<WString>{WString(u"A"), WString(u"a_2"), WString(u"a_1")}));
  EXPECT_EQ(Unique({u"x"}), (std::vector<WString>{WString(u"x")}));
  std::vector<WString> many = Unique({u"b", u"B", u"b_1", u"B_2", u"b"});
  for (std::size_t i = 0; i < many.size(); ++i) {
    for (std::size_t j = i + 1; j < many.size(); ++j) {
      WString a = many[i], b = many[j];
      a.MakeUpper();
      b.MakeUpper();
      EXPECT_NE(a, b) << i << " " << j;
    }
  }
}

TEST(RecordUtilitiesTest, ViewportVisibleLevels) {
  YxxfReader reader(WString(), 1);
  reader.layers.Add(new YxxfLayerRec(WString(u"0"), 7, -1, WString(), 0, 0, 0, 0x10, 0, 0, 0));
  reader.layers.Add(new YxxfLayerRec(WString(u"A"), 7, -1, WString(), 0, 0, 0, 0x11, 0, 0, 0));
  reader.layers.Add(new YxxfLayerRec(WString(u"B"), 7, -1, WString(), 0, 0, 0, 0x12, 0, 0, 0));
  GrowArray<std::uint16_t> levels;
  bool filter = true;
  SetViewportVisibleLevels(levels, filter, reader);
  EXPECT_EQ(levels.Count(), 0u);
  EXPECT_FALSE(filter);

  levels.Add(1);
  SetViewportVisibleLevels(levels, filter, reader);
  ASSERT_EQ(levels.Count(), 3u);
  EXPECT_EQ(levels[0], 0);
  EXPECT_EQ(levels[1], 2);
  EXPECT_EQ(levels[2], kNoLayer);
  EXPECT_TRUE(filter);

  levels.Clear();
  levels.Add(0);
  levels.Add(2);
  SetViewportVisibleLevels(levels, filter, reader);
  ASSERT_EQ(levels.Count(), 1u);
  EXPECT_EQ(levels[0], 1);
  EXPECT_TRUE(ShowsUserViewItems(10));
  EXPECT_FALSE(ShowsUserViewItems(3));
}

}  // namespace
}  // namespace kvn
