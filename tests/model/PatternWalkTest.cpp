#include "model/PatternWalk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/BezierMath.h"
#include "model/cAnyLine.h"

namespace kvn {
namespace {

struct Call {
  DPoint start, end;
  double phaseIn;
};

// Records every piece; advances the phase by the piece's length.
struct Recorder {
  std::vector<Call> calls;
  std::size_t stopAfter = SIZE_MAX;
  PatternPlacer Placer() {
    return [this](const DPoint& a, const DPoint& b, double& phase) {
      calls.push_back({a, b, phase});
      phase += std::hypot(b.x - a.x, b.y - a.y);
      return calls.size() >= stopAfter;
    };
  }
};

TEST(PatternWalk, EmptyContourPlacesNothing) {
  Recorder rec;
  WalkContourForPattern(CubicArray(), 0, rec.Placer());
  EXPECT_TRUE(rec.calls.empty());
}

TEST(PatternWalk, PhaseRunsOnAcrossStraightRecords) {
  CubicArray contour;
  contour.Append64(Cubic::Straight({0, 0}, {3, 4}));
  contour.Append64(Cubic::Straight({3, 4}, {3, 10}));
  Recorder rec;
  WalkContourForPattern(contour, 0.5, rec.Placer());
  ASSERT_EQ(rec.calls.size(), 2u);
  EXPECT_EQ(rec.calls[0].phaseIn, 0.5);
  EXPECT_EQ(rec.calls[1].phaseIn, 5.5);
  EXPECT_EQ(rec.calls[1].start, (DPoint{3, 4}));
  EXPECT_EQ(rec.calls[1].end, (DPoint{3, 10}));
}

TEST(PatternWalk, CurvedRecordIsFlattened) {
  const Cubic arc{{{0, 0}, {0, 5}, {5, 10}, {10, 10}}};
  GrowArray<DPoint> pts;
  FlattenBezier(pts, arc, 0.001);
  CubicArray contour;
  contour.Append64(arc);
  Recorder rec;
  WalkContourForPattern(contour, 0, rec.Placer());
  ASSERT_EQ(rec.calls.size(), pts.Count() - 1);
  for (std::uint32_t i = 0; i < rec.calls.size(); ++i) {
    EXPECT_EQ(rec.calls[i].start, pts[i]);
    EXPECT_EQ(rec.calls[i].end, pts[i + 1]);
  }
}

TEST(PatternWalk, StopsWhenThePlacerSaysSo) {
  CubicArray contour;
  contour.Append64(Cubic{{{0, 0}, {0, 5}, {5, 10}, {10, 10}}});
  contour.Append64(Cubic::Straight({10, 10}, {20, 10}));
  Recorder rec;
  rec.stopAfter = 2;
  WalkContourForPattern(contour, 0, rec.Placer());
  EXPECT_EQ(rec.calls.size(), 2u);
}

TEST(PatternWalk, StartPhaseAndSwitch) {
  EXPECT_EQ(PatternStartPhase(0, 2, 7.5), 0.0);  // offset 0: whatever the style holds
  EXPECT_EQ(PatternStartPhase(1, 2, 7.5), 15.0);

  CubicArray contour;
  contour.Append64(Cubic::Straight({0, 0}, {1, 0}));
  Recorder rec;
  SetPatternExpansionOn(false);
  WalkContourForPattern(contour, 0, rec.Placer());
  SetPatternExpansionOn(true);
  EXPECT_TRUE(rec.calls.empty());
  WalkContourForPattern(contour, 0, rec.Placer());
  EXPECT_EQ(rec.calls.size(), 1u);
}

}  // namespace
}  // namespace kvn
