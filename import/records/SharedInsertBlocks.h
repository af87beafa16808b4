// The generated blocks of top-level inserts that later inserts may place
// again: an insert of the same block, with the same styling and a linear
// transform equal to one remembered (each of the nine elements within the
// single-precision epsilon) places the block made for the first such insert.
//
// The search is expected constant time per insert. Entries are filed by the
// exact fields and by a grid cell of the first two linear elements; the
// cell (2^-20 wide) is wider than the epsilon, so an equal transform lies in
// the same cell or a neighbouring one, and only those nine cells are walked.
// Without the cells a drawing of 400,000 inserts of one block, each with its
// own rotation, spent half its open comparing each with every earlier one.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

struct InsertChainLink;
struct YxxfBlockRec;

struct SharedInsertBlock {
  const YxxfBlockRec* block = nullptr;
  const InsertChainLink* parent = nullptr;
  // What the styling of the children takes from the insert.
  std::uint32_t color = 0;
  std::uint16_t level = 0;
  std::uint64_t lineTypeHandle = 0;
  std::uint8_t lineTypeByHandle = 0;
  WString lineTypeName;
  double linear[9] = {};
  std::uint32_t blockIndex = 0;
};

class SharedInsertBlocks {
 public:
  // The first remembered entry (in the order remembered) that an insert
  // described by `wanted` may share (its blockIndex is not looked at), or null.
  const SharedInsertBlock* Find(const SharedInsertBlock& wanted) const;
  void Remember(SharedInsertBlock shared);
  void Clear();
  std::size_t Count() const { return entries_.size(); }

  // Elements this far apart count as equal (the single-precision epsilon).
  static constexpr double kEqual = 1.1920928955078125e-7;

 private:
  struct Cell {
    std::uint32_t first = 0, last = 0;
  };
  static bool Shares(const SharedInsertBlock& shared, const SharedInsertBlock& wanted);

  std::vector<SharedInsertBlock> entries_;
  // The next entry of the same cell and exact fields, in the order remembered.
  std::vector<std::uint32_t> nextInCell_;
  std::unordered_map<std::uint64_t, Cell> cells_;
};

}  // namespace kvn
