// Line-pattern expansion: symbols laid along the outline of a stroked object
// (cAnyLine::ExpandPattern, which the stroked classes run in Recalc).
//
// Per contour the placement walk (model/PatternWalk.h) cuts the outline into
// straight pieces and hands each to PlacePatternOnSegment with the running
// phase. The segment placer puts one symbol at the distances phase,
// phase + step, ... along the piece (a step of 0 or below: one symbol, then
// the walk stops) and carries what is left of the step into the next piece.
// ExpandLineType makes one symbol through the renderer
// (GeometryServices::ExpandSymbolInstance) and moves its objects into the
// pattern-piece list, marked generated, widening the list's bounds.
//
// Budget: generated objects per stroked object are capped by the memory the
// process holds (PatternPieceCap); once the list holds more than the cap, or
// more placements have been tried than the cap allows, placement ends for
// that object. A tiny step on a long line therefore ends after at most the
// cap's number of tries instead of stepping on without placing anything.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "model/Cubic.h"

namespace kvn {

class cAnyLine;
class cDrawingData;
class cStyleLine;
struct PatternPieceList;

// Objects a stroked object may generate while the process holds
// `allocatedBytes` (each bound inclusive):
//   up to 500,000,000: 40,000;  1,000,000,000: 20,000;  1,200,000,000: 10,000;
//   1,300,000,000: 4,000;  1,400,000,000: 2,000;  1,450,000,000: 500;  above: 0.
std::uint32_t PatternPieceCap(std::uint64_t allocatedBytes);

// What every placement of one contour shares.
struct PatternPlacement {
  cDrawingData* data = nullptr;
  PatternPieceList* list = nullptr;
  const cStyleLine* style = nullptr;
  double step = 0.0;      // distance between symbols (the contour's offset)
  std::uint16_t level = 0;
  cAnyLine* object = nullptr;
  double scale = 1.0;     // pattern scale handed to each symbol
  // Placements tried for this object, across its contours.
  std::uint64_t* tries = nullptr;
};

// Places one symbol at `position`, turned to `angle` degrees. False when the
// cap refused it (placement must end).
bool ExpandLineType(PatternPlacement& placement, const DPoint& position, double angle);

// Places symbols along start-end from the distance `phase` on; true when the
// walk must stop (a step of 0 or below placed its one symbol, or the cap was
// reached). A segment of length 0 places nothing and keeps the phase.
bool PlacePatternOnSegment(const DPoint& start, const DPoint& end, PatternPlacement& placement, double& phase);

// One contour: the phase starts at the style's repeat length times the scale
// when the step is not 0, else at 0.
void WalkOutlineForPattern(PatternPlacement& placement, const CubicArray& contour);

}  // namespace kvn
