#include "model/PatternWalk.h"

#include "foundation/GrowArray.h"
#include "model/BezierMath.h"
#include "model/cAnyLine.h"

namespace kvn {

namespace {

// Relative to the record's box: 1/1000 of its half perimeter.
constexpr double kFlattenTolerance = 0.001;

}  // namespace

double PatternStartPhase(double offset, double scale, double stylePatternValue) {
  return offset != 0 ? scale * stylePatternValue : 0.0;
}

void WalkContourForPattern(const CubicArray& contour, double phase, const PatternPlacer& place) {
  if (!IsPatternExpansionOn() || !place) return;
  GrowArray<DPoint> points(64);
  for (const Cubic& c : contour) {
    if (c.IsStraight()) {
      if (place(c.p[0], c.p[3], phase)) return;
      continue;
    }
    points.Clear();
    FlattenBezier(points, c, kFlattenTolerance);
    for (std::uint32_t i = 0; i + 1 < points.Count(); ++i) {
      if (place(points[i], points[i + 1], phase)) return;
    }
  }
}

}  // namespace kvn
