// How many children an insert's expansion holds, counted from the blocks
// without expanding anything, and whether the expansion stops at its cap
// with objects still to make: the opens tell the inserts shown only in part.
#pragma once

#include <cstdint>
#include <vector>

namespace kvn {

class cDrawingData;
class cInsert;

class InsertExpansionSize {
 public:
  explicit InsertExpansionSize(cDrawingData& data);

  // The block's objects (a nested insert counted by its own block, its
  // labels and blank-out rectangle) up to the expansion's budget, then the
  // insert's labels and blank-out rectangle.
  std::uint64_t Of(const cInsert& insert);

  // Whether the expansion stops at its budget with objects of the blocks
  // still to make: the insert shows only part of its block.
  bool Cut(const cInsert& insert);

 private:
  // Of one block: what it expands to (up to the budget), and how much of the
  // budget it would spend, counted just past the budget.
  struct Count {
    std::uint64_t children = 0;
    std::uint64_t spent = 0;
  };
  // Blocks are counted once and remembered.
  Count OfBlock(std::uint32_t index, int depth);

  cDrawingData& data_;
  std::uint64_t budget_;  // the expansion's count of children in force
  std::vector<Count> counted_;
  std::vector<std::uint8_t> state_;  // 0 not yet, 1 being counted, 2 counted
};

}  // namespace kvn
