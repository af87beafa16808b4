#include "model/InsertExpansionSize.h"

#include <algorithm>

#include "model/BlockPath.h"
#include "model/InsertExpansion.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"

namespace kvn {

namespace {

// A nested insert's own additions to its parent's expansion.
std::uint64_t Extras(const cInsert& insert) {
  return std::uint64_t(insert.LabelSlotCount()) + (insert.blankOut & 1);
}

}  // namespace

std::uint64_t InsertExpansionSize::Of(const cInsert& insert) {
  return std::min<std::uint64_t>(OfBlock(insert.blockIndex, 0), kExpansionBudget) + Extras(insert);
}

std::uint64_t InsertExpansionSize::OfBlock(std::uint32_t index, int depth) {
  // The expansion enters no block twice on one path and none deeper than
  // the path allows; a missing block expands to nothing.
  if (index >= data_.BlockCount() || depth >= BlockPath::kMaxDepth) return 0;
  if (counted_.size() < data_.BlockCount()) {
    counted_.resize(data_.BlockCount(), 0);
    state_.resize(data_.BlockCount(), 0);
  }
  if (state_[index] == 2) return counted_[index];
  if (state_[index] == 1) return 0;
  state_[index] = 1;
  std::uint64_t total = 0;
  if (const cBlock* block = data_.GetBlock(index)) {
    for (const cOutObj* o = block->FirstObject(); o && total < kExpansionBudget; o = o->next) {
      if (const cInsert* nested = o->AsInsert()) {
        total += OfBlock(nested->blockIndex, depth + 1) + Extras(*nested);
      } else {
        ++total;
      }
    }
  }
  total = std::min<std::uint64_t>(total, kExpansionBudget);
  counted_[index] = total;
  state_[index] = 2;
  return total;
}

}  // namespace kvn
