#include "print/PaperChoice.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvn {
namespace {

TEST(PaperChoice, BuiltInsFirstThenTablePapersWithoutRepeatedSizes) {
  const std::vector<PaperChoiceEntry>& list = PaperChoiceList();
  ASSERT_EQ(list.size(), 8u + 65u);
  const int builtIns[] = {10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(list[i].id, builtIns[i]);
  EXPECT_EQ(list[0].longName, u"A0 (841 x 1189 mm)");
  EXPECT_EQ(list[0].shortName, u"A0");
  EXPECT_EQ(list[7].longName, u"B6 (125 x 176 mm)");
  // Table order, with A6 Rotated, A5 Transverse, A4 Small... left out as repeats.
  const int table[] = {70, 11, 9, 8, 66, 64, 12, 13, 42, 60};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(list[8 + i].id, table[i]) << i;
  EXPECT_EQ(list[10].longName, u"A4 (210 x 297 mm)");
  EXPECT_EQ(list[10].shortName, u"A4");
  for (const PaperChoiceEntry& e : list) EXPECT_NE(e.id, 71) << "a paper without size is not offered";
}

TEST(PaperChoice, RepeatsAreTestedAmongTablePapersOnly) {
  std::vector<PaperTableEntry> table(4);
  table[0] = {1, WString(u"P"), {100, 200}};
  table[1] = {2, WString(u"P turned"), {200, 100}};
  table[2] = {3, WString(u"like A0"), {841, 1189}};
  table[3] = {4, WString(u"none"), {0, 50}};
  std::vector<PaperChoiceEntry> list = MakePaperChoices(table);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[8].id, 1);
  EXPECT_EQ(list[8].longName, u"P (100 x 200 mm)");
  EXPECT_EQ(list[9].id, 3);
}

TEST(PaperChoice, FindPaperBySizeWithinHalfAMillimetre) {
  int orientation = 7;
  WString name, shortName;
  EXPECT_EQ(FindPaperBySize(orientation, name, shortName, {210.4, 296.6}), 9);
  EXPECT_EQ(orientation, 0);
  EXPECT_EQ(name, u"A4 (210 x 297 mm)");
  EXPECT_EQ(shortName, u"A4");
  EXPECT_EQ(FindPaperBySize(orientation, name, shortName, {297, 210}), 9);
  EXPECT_EQ(orientation, 1);
  EXPECT_EQ(FindPaperBySize(orientation, name, shortName, {210.5, 297}), -1);
  EXPECT_EQ(orientation, -1);
  EXPECT_EQ(FindPaperBySize(orientation, name, shortName, {1189, 841}), 10000);
  EXPECT_EQ(orientation, 1);
  EXPECT_EQ(FindPaperBySize(orientation, name, shortName, {0, 0}), -1);
}

TEST(PaperChoice, SnapFormatOriginSteps) {
  const double rect[4] = {3, 7, 153, 107};
  DPoint p = SnapFormatOrigin(rect, 0);  // step 15 -> 10
  EXPECT_EQ(p, (DPoint{0, 0}));
  p = SnapFormatOrigin(rect, 40);  // step 50
  EXPECT_EQ(p, (DPoint{0, 0}));
  const double moved[4] = {260, 7, 410, 107};
  p = SnapFormatOrigin(moved, 40);
  EXPECT_EQ(p, (DPoint{250, 0}));
  p = SnapFormatOrigin(moved, 0);  // step 10
  EXPECT_EQ(p, (DPoint{260, 0}));
  const double nine[4] = {-13, -27, 77, 0};  // extent 90: step 9 -> 10
  p = SnapFormatOrigin(nine, 0);
  EXPECT_EQ(p, (DPoint{-20, -30}));
  const double point[4] = {5, 5, 5, 5};
  EXPECT_EQ(SnapFormatOrigin(point, 3), (DPoint{0, 0}));
  const double nan[4] = {0, 0, std::nan(""), 1};
  DPoint n = SnapFormatOrigin(nan, 0);
  EXPECT_EQ(n, (DPoint{0, 0}));
}

}  // namespace
}  // namespace kvn
