// Insert expansion: the children that stand for a block at an insert's place.
//
// ExpandInsert copies (or explodes) each object of the block, expands nested
// inserts recursively, fills attribute placeholders from the insert's
// attribute values, moves the children to the insertion point, scales them
// (an object that cannot take the scale or the turn becomes a polygon of its
// outline when it is stroked), recolours and re-widens them, turns them by
// the negated insert angle, adds the label texts and, with the insert's
// blank-out flag, a white cInvRect after the labels that covers the stroke
// extents of the block's children. The line-pattern expansion lays symbol
// blocks with it too (a temporary un-numbered insert).
//
// Nested blocks are entered through a BlockPath (model/BlockPath.h): a block
// already on the path, or a path 64 deep, expands to nothing where it closes.
// Two counts per top-level expansion hold what no forecast has weighed (the
// symbol blocks of line types): the children made (ExpansionBudget) and the
// nested blocks entered (ExpansionEntries), which ends a lattice of blocks
// that hold nothing but each other. Both sit at the forecast's ceilings
// (model/DrawingCost.h), so a placement of a drawing that the forecast lets
// open always expands whole.
#pragma once

#include <cstdint>

#include "model/DrawingCost.h"
#include "model/cInsert.h"

namespace kvn {

class BlockPath;
class cBlock;
class cDrawingData;

// Children one top-level expansion may make: as many as the heap's ceiling
// holds. The forecast counts each placement's expansion at its full size
// against that ceiling, so a drawing it lets open is never cut here.
inline constexpr std::uint32_t kExpansionBudget = std::uint32_t(kMemoryCeiling / kBytesPerChild);
// Nested blocks one top-level expansion may enter: as many as a paint may
// walk, where the forecast counts every nested placement once.
inline constexpr std::uint32_t kExpansionEntries = std::uint32_t(kWalkCeiling);

// The two counts in force: kExpansionBudget and kExpansionEntries, unless a
// test lowered them to reach them with small drawings.
std::uint32_t ExpansionBudget();
std::uint32_t ExpansionEntries();

namespace expansion_testing {
// Lowers both counts while it lives.
class ScopedCuts {
 public:
  ScopedCuts(std::uint32_t children, std::uint32_t entries);
  ~ScopedCuts();
  ScopedCuts(const ScopedCuts&) = delete;
  ScopedCuts& operator=(const ScopedCuts&) = delete;

 private:
  std::uint32_t children_, entries_;
};
}  // namespace expansion_testing

struct ExpandInsertArgs {
  // Where the insert's block and its overrides are looked up; null (line
  // patterns) means the insert's own values.
  cDrawingData* blockData = nullptr;
  cInsert* insert = nullptr;
  cBlock* block = nullptr;  // whose chain is expanded
  std::uint8_t* labelBits = nullptr;
  const std::uint32_t* colorOverride = nullptr;
  const std::uint32_t* gapColorOverride = nullptr;
  double fixedWidth = kNoFixedWidth;
  ObjectEntryArray* out = nullptr;  // entries are appended
  // For explosion, style look-ups, nested blocks and text fields; without it
  // nested inserts, links and connection points contribute nothing.
  cDrawingData* data = nullptr;
  bool keepConPoints = false;
  bool labelsOff = false;
  bool resolvePass = false;
  double widthFactor = 1.0;  // for ScaleLineWidths when no fixed width
  cInsert* topInsert = nullptr;  // the context of title-block fields
  std::uint16_t level = 0xFFFF;  // given to children on level 65535
  // The blocks being expanded; null starts a new path.
  BlockPath* path = nullptr;
  // Children still allowed; null starts a new budget.
  std::uint32_t* budget = nullptr;
  // Nested blocks still allowed to be entered; null starts a new count.
  // Blocks that only place each other make no children, so the children's
  // budget alone would let a lattice of them walk all of its paths.
  std::uint32_t* entries = nullptr;
};

void ExpandInsert(const ExpandInsertArgs& args);

// The insert's colour and width rule on one child (also used by Explode):
// with a colour, filled parts, texts, strokes and nested inserts take it
// (`mark` becomes their own-colour bytes); a fixed width replaces pen widths,
// else with `scaleWidths` they are multiplied by the width value.
void ApplyInsertOverrides(cDrawingData* blockData, cDrawingData* data, cOutObj& object, const cInsert& insert,
                          bool scaleWidths, bool mark);

}  // namespace kvn
