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
// A budget of generated children per expansion keeps a lattice of blocks that
// place each other several times, level after level, from growing without
// end (kExpansionBudget), and a count of the nested blocks entered ends a
// lattice of blocks that hold nothing but each other (kExpansionEntries).
#pragma once

#include <cstdint>

#include "model/cInsert.h"

namespace kvn {

class BlockPath;
class cBlock;
class cDrawingData;

// Children one top-level expansion may make; far above real drawings (a
// whole drawing placed as a block has some ten thousand objects).
inline constexpr std::uint32_t kExpansionBudget = 400000;
// Nested blocks one top-level expansion may enter: a binary lattice enters
// about two blocks for every child it makes, and real drawings far fewer.
inline constexpr std::uint32_t kExpansionEntries = 4 * kExpansionBudget;

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
