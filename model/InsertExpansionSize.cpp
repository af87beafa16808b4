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

InsertExpansionSize::InsertExpansionSize(cDrawingData& data) : data_(data), budget_(ExpansionBudget()) {}

std::uint64_t InsertExpansionSize::Of(const cInsert& insert) {
  return OfBlock(insert.blockIndex, 0).children + Extras(insert);
}

bool InsertExpansionSize::Cut(const cInsert& insert) { return OfBlock(insert.blockIndex, 0).spent > budget_; }

InsertExpansionSize::Count InsertExpansionSize::OfBlock(std::uint32_t index, int depth) {
  // The expansion enters no block twice on one path and none deeper than
  // the path allows; a missing block expands to nothing.
  if (index >= data_.BlockCount() || depth >= BlockPath::kMaxDepth) return {};
  if (counted_.size() < data_.BlockCount()) {
    counted_.resize(data_.BlockCount());
    state_.resize(data_.BlockCount(), 0);
  }
  if (state_[index] == 2) return counted_[index];
  if (state_[index] == 1) return {};
  state_[index] = 1;
  // The budget pays for the copies of block objects; the labels and
  // blank-out rectangles of nested inserts come on top of it.
  Count total;
  if (const cBlock* block = data_.GetBlock(index)) {
    for (const cOutObj* o = block->FirstObject();
         o && (total.children < budget_ || total.spent <= budget_); o = o->next) {
      if (const cInsert* nested = o->AsInsert()) {
        const Count inner = OfBlock(nested->blockIndex, depth + 1);
        total.children += inner.children + Extras(*nested);
        total.spent += inner.spent;
      } else {
        ++total.children;
        ++total.spent;
      }
    }
  }
  total.children = std::min<std::uint64_t>(total.children, budget_);
  total.spent = std::min<std::uint64_t>(total.spent, std::uint64_t(budget_) + 1);
  counted_[index] = total;
  state_[index] = 2;
  return total;
}

}  // namespace kvn
