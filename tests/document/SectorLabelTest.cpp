#include <gtest/gtest.h>

#include "document/SectorLabel.h"

namespace kvn {
namespace {

std::u16string Label(const SectorSettings& s, double coordinate, double first = 100.0, double second = 300.0,
                     double origin = 0.0) {
  return std::u16string(GetSectorLabel(s, first, second, coordinate, origin).View());
}

SectorSettings Absolute(std::int32_t count, double begin, double step) {
  SectorSettings s;
  s.mode = 2;
  s.count = count;
  s.begin = begin;
  s.step = step;
  return s;
}

TEST(SectorLabel, LettersRunToZZAndStop) {
  SectorSettings s = Absolute(1000, 0.0, 1.0);
  EXPECT_EQ(Label(s, 0.5), u"A");
  EXPECT_EQ(Label(s, 25.5), u"Z");
  EXPECT_EQ(Label(s, 26.5), u"AA");
  EXPECT_EQ(Label(s, 27.5), u"AB");
  EXPECT_EQ(Label(s, 701.5), u"ZZ");
  EXPECT_EQ(Label(s, 702.5), u"");
  // A first letter of 26 or more gives small letters, counted from its place.
  s.firstLetter = 28;
  EXPECT_EQ(Label(s, 0.5), u"c");
  EXPECT_EQ(Label(s, 24.5), u"aa");
}

TEST(SectorLabel, AbsoluteModeAtBeginAndBefore) {
  SectorSettings s = Absolute(4, 10.0, 5.0);
  s.numeric = 1;
  s.firstNumber = 1;
  EXPECT_EQ(Label(s, 10.0), u"1");
  EXPECT_EQ(Label(s, 5.0), u"");
  EXPECT_EQ(Label(s, 29.9), u"4");
  EXPECT_EQ(Label(s, 30.0), u"");
  // Negative numbers are no labels.
  s.firstNumber = -2;
  EXPECT_EQ(Label(s, 10.0), u"");
  EXPECT_EQ(Label(s, 20.0), u"0");
  // A step of 0 labels nothing.
  s.step = 0.0;
  EXPECT_EQ(Label(s, 10.0), u"");
}

TEST(SectorLabel, ReverseWithTenSectors) {
  SectorSettings s = Absolute(10, 0.0, 1.0);
  s.numeric = 1;
  s.firstNumber = 0;
  s.reverse = 1;
  EXPECT_EQ(Label(s, 0.5), u"9");
  EXPECT_EQ(Label(s, 9.5), u"0");
}

TEST(SectorLabel, RepeatedModesComeBackOnEveryLength) {
  SectorSettings s;
  s.numeric = 1;
  s.mode = 1;
  s.count = 4;
  s.begin = 10.0;
  s.step = 20.0;
  // First length 100 (one tile): the same label at the same offset of every tile.
  for (double tile : {0.0, 100.0, 200.0, -100.0}) {
    EXPECT_EQ(Label(s, tile + 35.0, 100.0, 300.0, 0.0), u"2") << tile;
    EXPECT_EQ(Label(s, tile + 5.0, 100.0, 300.0, 0.0), u"") << tile;  // before begin
  }
  // Beyond count x step: nothing; exactly at the end: the last sector.
  EXPECT_EQ(Label(s, 95.0), u"");
  EXPECT_EQ(Label(s, 90.0), u"4");
  // Other modes repeat per the second length, measured from the origin.
  s.mode = 0;
  EXPECT_EQ(Label(s, 1000.0 + 335.0, 100.0, 300.0, 1000.0), u"2");
  // A negative step counts down from begin.
  s.begin = 90.0;
  s.step = -20.0;
  EXPECT_EQ(Label(s, 85.0, 100.0, 300.0, 0.0), u"1");
  EXPECT_EQ(Label(s, 95.0, 100.0, 300.0, 0.0), u"");
  // No length, no sectors.
  EXPECT_EQ(Label(s, 85.0, 100.0, 0.0, 0.0), u"");
  s.count = 0;
  EXPECT_EQ(Label(s, 85.0), u"");
}

TEST(SectorLabel, NonFiniteInputsGiveNoLabel) {
  SectorSettings s = Absolute(10, 0.0, 1.0);
  EXPECT_EQ(Label(s, std::numeric_limits<double>::quiet_NaN()), u"");
  EXPECT_EQ(Label(s, 1e300), u"");
  s.mode = 1;
  EXPECT_EQ(Label(s, std::numeric_limits<double>::infinity()), u"");
}

}  // namespace
}  // namespace kvn
