// ObjectExtentIndex: where the objects of one chain lie, so that a painter
// showing a small part of a large drawing visits the objects that may meet
// its clip instead of every object of the chain.
//
// The index holds the objects in chain order with one extent each (the
// extent the painter tests: an object's full extent, an insert's the union
// of its children's), and a uniform grid of square cells over their bounds
// with about four objects a cell. Each cell lists, ascending, the chain
// positions of the objects whose extent meets it; an object is listed in
// every cell it meets. Objects that meet more than 64 cells, and objects the
// grid cannot place (an extent that is not finite, or one whose extent may
// change without an edit of the chain: a view of another sheet), are kept
// apart and handed out whenever their extent may meet the clip.
//
// A query answers the chain positions, ascending and each once, of the
// objects whose stored extent meets the clip (touching edges meet, as the
// painter's test), plus those kept apart whose extent may meet it. So a
// painter that walks these positions in order and tests each object as
// before draws exactly what a walk of the whole chain draws. When the
// answer would hold a large share of the chain, the query declines and the
// caller walks the chain: the list would cost more than it saves.
//
// The index does not follow edits: whoever changes the chain or an object's
// geometry drops it (cDrawing keeps it with its summary, dropped by
// InvalidateSummary and by every change MarkModified announces).
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/DRect.h"

namespace kvn {

class cOutObj;

class ObjectExtentIndex {
 public:
  // One object of the chain, in chain order.
  struct Entry {
    cOutObj* object = nullptr;
    DRect extent;
    // True when the extent cannot be relied on: the object is handed out
    // whatever the clip.
    bool always = false;
    // The object's type code (fixed for the object's life), so that a walk
    // can tell its kind without reading the object.
    std::uint8_t typeCode = 0;
  };

  // Fewer objects than this are not worth a grid: queries decline.
  static constexpr std::size_t kMinObjects = 256;
  // An object meeting more cells than this is kept apart from the grid.
  static constexpr std::uint64_t kMaxCellsPerObject = 64;

  ObjectExtentIndex() = default;
  explicit ObjectExtentIndex(std::vector<Entry> entries);

  std::size_t Size() const { return entries_.size(); }
  cOutObj* Object(std::uint32_t position) const { return entries_[position].object; }
  std::uint8_t TypeCode(std::uint32_t position) const { return entries_[position].typeCode; }
  // The stored extent of a position, null for an object handed out always
  // (its extent cannot be relied on).
  const DRect* KnownExtent(std::uint32_t position) const {
    return entries_[position].always ? nullptr : &entries_[position].extent;
  }
  // The chain's first object when the index was built (null when empty), so
  // that a caller can tell an index built for another chain.
  cOutObj* Head() const { return entries_.empty() ? nullptr : entries_.front().object; }
  bool HasGrid() const { return columns_ > 0; }

  // The positions of the objects that may meet `clip`, ascending, into
  // `out` (replaced). False, with `out` empty, when the caller had better
  // walk the whole chain: no grid, a clip that is not a number or that
  // holds every object, or an answer of more than a quarter of the chain.
  bool Query(const DRect& clip, std::vector<std::uint32_t>& out) const;

 private:
  // The cell range of [low, high] on one axis, limited to the grid.
  std::uint32_t CellOf(double v, double origin, std::uint32_t count) const;

  std::vector<Entry> entries_;
  // Grid: bounds of the placed extents, the cell size and count, and per
  // cell (row by row) its slice of `cellEntries_`.
  DRect bounds_;
  double cellSize_ = 0.0;
  std::uint32_t columns_ = 0;
  std::uint32_t rows_ = 0;
  std::vector<std::uint32_t> cellStart_;
  std::vector<std::uint32_t> cellEntries_;
  // Positions kept apart from the grid, ascending.
  std::vector<std::uint32_t> apart_;
};

}  // namespace kvn
