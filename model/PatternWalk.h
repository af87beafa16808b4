// The walk that lays a line pattern (dashes, symbols) along a contour.
//
// The contour's cubic records are cut into straight pieces, in order: a
// straight record is one piece, any other record is flattened with relative
// tolerance 0.001 and each pair of consecutive points is a piece. Each piece
// goes to the placer with the running pattern phase, which the placer advances
// in place, so the pattern runs on across corners instead of restarting. The
// walk ends as soon as the placer answers true. While pattern expansion is
// switched off for the process (IsPatternExpansionOn), it places nothing.
//
// The drawing-side entry (drawing data, pattern-piece list, line style, level,
// object, scale) wraps this core: it computes the start phase with
// PatternStartPhase and hands everything but the contour to the renderer's
// segment placer through the callback.
#pragma once

#include <functional>

#include "foundation/DPoint.h"
#include "model/Cubic.h"

namespace kvn {

// (start, end, phase in/out) -> true when the walk must stop.
using PatternPlacer = std::function<bool(const DPoint& start, const DPoint& end, double& phase)>;

// The phase the first piece starts with: 0 for an offset of 0, else the
// pattern value that the line style keeps before its start offset, times the
// scale.
double PatternStartPhase(double offset, double scale, double stylePatternValue);

void WalkContourForPattern(const CubicArray& contour, double phase, const PatternPlacer& place);

}  // namespace kvn
