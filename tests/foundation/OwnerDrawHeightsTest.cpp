// The owner-draw heights from what the measuring combos report.
#include "foundation/OwnerDrawHeights.h"

#include <gtest/gtest.h>

namespace kvn {
namespace {

TEST(OwnerDrawHeights, OwnerDrawnFieldMatchesThePlainCombo) {
  OwnerDrawHeights h;
  OwnerDrawMeasurement m;
  m.plainFieldHeight = 18;
  m.plainHeight = 34;
  m.askedFieldHeight = 17;
  m.ownerDrawnHeight = 29;
  ApplyOwnerDrawMeasurement(h, m);
  EXPECT_EQ(h.itemHeight, 18);
  EXPECT_EQ(h.fieldHeight, 22);  // 17 + 34 - 29
  EXPECT_EQ(h.comboHeight, 34);
}

TEST(OwnerDrawHeights, FloorsAndStartValues) {
  OwnerDrawHeights h;
  OwnerDrawMeasurement m;
  m.plainFieldHeight = 9;
  m.plainHeight = 12;
  m.askedFieldHeight = 3;
  m.ownerDrawnHeight = 40;
  ApplyOwnerDrawMeasurement(h, m);
  EXPECT_EQ(h.itemHeight, 16);
  EXPECT_EQ(h.fieldHeight, 10);
  EXPECT_EQ(h.comboHeight, 15);
  // No field height asked: the start value stays.
  m.askedFieldHeight = -1;
  ApplyOwnerDrawMeasurement(h, m);
  EXPECT_EQ(h.fieldHeight, 15);
  SetOwnerDrawStartHeights(h);
  EXPECT_EQ(h.fieldHeight, 15);
  EXPECT_EQ(h.itemHeight, 16);
  EXPECT_EQ(h.comboHeight, 21);
}

TEST(OwnerDrawHeights, FieldItemOfAComboGetsTheFieldHeight) {
  const OwnerDrawHeights h{20, 17, 30};
  EXPECT_EQ(OwnerDrawItemHeight(h, true, kOwnerDrawFieldItem), 20);
  EXPECT_EQ(OwnerDrawItemHeight(h, true, 0), 17);
  EXPECT_EQ(OwnerDrawItemHeight(h, false, kOwnerDrawFieldItem), 17);
}

}  // namespace
}  // namespace kvn
