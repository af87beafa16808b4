#include "print/PaperTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/Resources.h"

namespace kvn {
namespace {

std::vector<PaperTableEntry> Parse(const std::string& text) {
  return ParsePaperTable({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(PaperTable, EmbeddedTableHasEveryLineOfTheResource) {
  const std::vector<PaperTableEntry>& table = PaperTable();
  ASSERT_EQ(table.size(), 116u);
  EXPECT_EQ(table.front().id, 70);
  EXPECT_EQ(table.front().name, u"A6");
  EXPECT_EQ(table.back().id, 118);
  EXPECT_EQ(table.back().name, u"PRC Envelope #10 Rotated");
  // Code page 1252: the multiplication sign of the sheet sizes.
  WString name, label;
  int id = 0;
  PaperSizeMm size;
  bool found = false;
  for (int i = 0; GetPaperTableEntry(name, label, id, i, &size); ++i) {
    if (id != 24) continue;
    found = true;
    EXPECT_EQ(name, u"C size sheet 17\"\u00D7 22\"");
    EXPECT_EQ(label, u"C size sheet 17\"\u00D7 22\" (431.8 x 558.8 mm)");
  }
  EXPECT_TRUE(found);
  // Two spaces inside a name are kept.
  EXPECT_TRUE(std::any_of(table.begin(), table.end(), [](const PaperTableEntry& e) { return e.name == u"US  9\" x 11\""; }));
}

TEST(PaperTable, SizesByIdWithBuiltInsAndUnknownIds) {
  PaperSizeMm size;
  GetPaperSizeMm(size, 9);
  EXPECT_DOUBLE_EQ(size.width, 210);
  EXPECT_DOUBLE_EQ(size.height, 297);
  GetPaperSizeMm(size, 1);
  EXPECT_NEAR(size.width, 215.9, 1e-9);
  EXPECT_NEAR(size.height, 279.4, 1e-9);
  size = {5, 5};
  GetPaperSizeMm(size, 48);
  EXPECT_EQ(size.width, 0);
  EXPECT_EQ(size.height, 0);
  GetPaperSizeMm(size, 71);  // listed with 0 x 0
  EXPECT_EQ(size.width, 0);
  EXPECT_EQ(size.height, 0);
  GetPaperSizeMm(size, 10007);
  EXPECT_EQ(size.width, 125);
  EXPECT_EQ(size.height, 176);
}

TEST(PaperTable, BuiltInsNeedNoTableAndAMissingResourceIsTriedAgain) {
  ClearPaperTable();
  {
    ScopedResourceOverride missing(ResourceType::PaperTable, 1, std::span<const std::uint8_t>());
    PaperSizeMm size;
    GetPaperSizeMm(size, 10000);
    EXPECT_EQ(size.width, 841);
    EXPECT_EQ(size.height, 1189);
    GetPaperSizeMm(size, 9);
    EXPECT_EQ(size.width, 0);
    EXPECT_TRUE(PaperTable().empty());
  }
  PaperSizeMm size;
  GetPaperSizeMm(size, 9);
  EXPECT_EQ(size.width, 210);
  EXPECT_EQ(PaperTable().size(), 116u);
}

TEST(PaperTable, EntryLabelsAndTheEndOfTheTable) {
  WString name, label;
  int id = -5;
  PaperSizeMm size;
  bool sawKaku = false;
  int count = 0;
  while (GetPaperTableEntry(name, label, id, count, &size)) {
    if (name == u"Japanese Envelope Kaku #2") {
      sawKaku = true;
      EXPECT_EQ(id, 71);
      EXPECT_EQ(label, name);  // no size suffix for 0 x 0
      EXPECT_EQ(size.width, 0);
    }
    if (id == 9) {
      EXPECT_EQ(label, u"A4 (210 x 297 mm)");
    }
    ++count;
  }
  EXPECT_TRUE(sawKaku);
  EXPECT_EQ(count, 116);
  // Past the end and below 0: false with cleared outputs.
  size = {1, 1};
  EXPECT_FALSE(GetPaperTableEntry(name, label, id, 116, &size));
  EXPECT_EQ(id, 0);
  EXPECT_TRUE(name.IsEmpty());
  EXPECT_TRUE(label.IsEmpty());
  EXPECT_EQ(size.width, 0);
  EXPECT_FALSE(GetPaperTableEntry(name, label, id, -1, nullptr));
}

TEST(PaperTable, ParserRulesForDamagedLines) {
  std::vector<PaperTableEntry> entries = Parse(
      "5,100,200,a,b,c\r\n"    // commas after the third stay in the name
      "257,1,1,too big\r\n"    // ids above 256 are skipped
      "0,1,1,zero\r\n"         // and below 1
      "256,1,1,last id\r\n"
      "7,10,two commas\r\n"    // fewer than three commas
      "\r\n"
      "8,x,-3,bad sizes\r\n"   // sizes read as atoi does
      " 9 ,99999999999999,5,big\r\n"
      "10,1,1,no line feed");  // not parsed
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].id, 5);
  EXPECT_EQ(entries[0].name, u"a,b,c");
  EXPECT_DOUBLE_EQ(entries[0].size.width, 10);
  EXPECT_DOUBLE_EQ(entries[0].size.height, 20);
  EXPECT_EQ(entries[1].id, 256);
  EXPECT_EQ(entries[2].id, 8);
  EXPECT_EQ(entries[2].size.width, 0);
  EXPECT_NEAR(entries[2].size.height, -0.3, 1e-12);
  EXPECT_EQ(entries[3].id, 9);
  EXPECT_GT(entries[3].size.width, 0);  // saturates, never overflows
  // A NUL byte ends the text.
  std::string withNul("1,1,1,a\n", 8);
  withNul += std::string("\0" "2,1,1,b\n", 9);
  EXPECT_EQ(Parse(withNul).size(), 1u);
}

}  // namespace
}  // namespace kvn
