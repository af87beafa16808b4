// The three-string records and the scale-turn-move point transform.
#include <gtest/gtest.h>

#include "model/PointTransform.h"
#include "model/StringTripleArray.h"

namespace kvn {
namespace {

TEST(StringTripleArray, RemoveAtClosesTheGapAndIgnoresIndicesBeyondTheEnd) {
  StringTripleArray a;
  for (const char* n : {"a", "b", "c"}) a.Add({WString::FromUtf8(n), WString::FromUtf8("1"), WString::FromUtf8("2")});
  a.RemoveAt(1);
  ASSERT_EQ(a.Count(), 2u);
  EXPECT_EQ(a.Get(0)->first.ToUtf8(), "a");
  EXPECT_EQ(a.Get(1)->first.ToUtf8(), "c");
  a.RemoveAt(5);
  EXPECT_EQ(a.Count(), 2u);
  a.RemoveAt(1);
  a.RemoveAt(0);
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.Get(0), nullptr);
}

TEST(TransformPointScaleRotate, ScalesThenTurnsAboutTheOriginThenMoves) {
  DPoint p{1, 2};
  TransformPointScaleRotate(p, 2, 3, 90, DPoint{10, 20});
  // (2, 6) turned by 90 degrees is (-6, 2).
  EXPECT_NEAR(p.x, 4, 1e-12);
  EXPECT_NEAR(p.y, 22, 1e-12);
  DPoint q{1, 0};
  TransformPointScaleRotate(q, 1, 1, 0, DPoint{});
  EXPECT_EQ(q, (DPoint{1, 0}));
}

}  // namespace
}  // namespace kvn
