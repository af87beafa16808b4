#include "document/DocumentCost.h"

#include <algorithm>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/BlockPath.h"
#include "model/InsertExpansionSize.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cSection.h"
#include "model/cText.h"

namespace kvn {

namespace {

class SheetWalk {
 public:
  explicit SheetWalk(cDrawingData& data) : data_(data) {}

  // What one placement of the block walks: its objects, a nested insert
  // once as the expansion enters it and then by its block, its labels and
  // blank-out rectangle. A block on its own path, or deeper than a path may
  // go, expands to nothing there; each block is counted once.
  std::uint64_t OfBlock(std::uint32_t index, int depth) {
    if (index >= data_.BlockCount() || depth >= BlockPath::kMaxDepth) return 0;
    if (walked_.size() < data_.BlockCount()) walked_.resize(data_.BlockCount(), kNotYet);
    if (walked_[index] == kCounting) return 0;
    if (walked_[index] != kNotYet) return walked_[index];
    walked_[index] = kCounting;
    std::uint64_t total = 0;
    if (const cBlock* block = data_.GetBlock(index)) {
      for (const cOutObj* o = block->FirstObject(); o && total <= kWalkCeiling; o = o->next) {
        std::uint64_t walked = OfObject(*o, depth);
        if (const cInsert* nested = o->AsInsert()) walked += 1 + nested->LabelSlotCount() + (nested->blankOut & 1);
        total = SaturatedPlus(total, walked, kWalkCeiling);
      }
    }
    walked_[index] = total;
    return total;
  }

  std::uint64_t OfObject(const cOutObj& object, int depth) {
    if (const cInsert* insert = object.AsInsert()) return OfBlock(insert->blockIndex, depth + 1);
    if (const cText* text = object.AsText()) return TextWalk(text->GetText().View().size());
    return 1;
  }

 private:
  static constexpr std::uint64_t kNotYet = ~std::uint64_t(0), kCounting = kNotYet - 1;
  cDrawingData& data_;
  std::vector<std::uint64_t> walked_;
};

}  // namespace

DocumentCost ForecastDocumentCost(cDrawingDoc& document) {
  DocumentCost result;
  const std::uint32_t sheets = document.SheetCount();
  // What each sheet shows without its views (a view shows no other view),
  // then the views on top of that.
  std::vector<std::uint64_t> own(sheets, 0), views(sheets, 0);
  std::uint64_t largest = 0, topObjects = 0;
  for (std::uint32_t s = 0; s < sheets; ++s) {
    cSheet* sheet = document.GetSheet(s);
    if (!sheet || !sheet->Data()) continue;
    SheetWalk walk(*sheet->Data());
    InsertExpansionSize size(*sheet->Data());
    for (const cOutObj* o = sheet->TopBlock().FirstObject(); o; o = o->next) {
      ++topObjects;
      if (o->AsSection()) continue;
      const std::uint64_t walked = walk.OfObject(*o, 0);
      own[s] = SaturatedPlus(own[s], walked, kWalkCeiling);
      if (const cInsert* insert = o->AsInsert()) {
        largest = std::max(largest, size.Of(*insert));
        if (size.Cut(*insert)) ++result.insertsCut;
      }
    }
  }
  for (std::uint32_t s = 0; s < sheets; ++s) {
    cSheet* sheet = document.GetSheet(s);
    if (!sheet) continue;
    for (const cOutObj* o = sheet->TopBlock().FirstObject(); o; o = o->next) {
      const cSection* view = o->AsSection();
      if (!view) continue;
      // A view of its own sheet shows nothing.
      const std::uint64_t shown = view->sheetIndex < sheets && view->sheetIndex != s ? own[view->sheetIndex] : 0;
      views[s] = SaturatedPlus(views[s], std::max<std::uint64_t>(shown, 1), kWalkCeiling);
    }
    result.cost.walked = std::max(result.cost.walked, SaturatedPlus(own[s], views[s], kWalkCeiling));
  }
  // The objects are read already; what the open adds is what the first
  // paint keeps of each top object and the largest placement's expansion.
  result.cost.bytes =
      OpenBytes(SaturatedTimes(topObjects, kBytesPerIndexEntry, kMemoryCeiling), PaintBytesOfPlacement(largest));
  return result;
}

}  // namespace kvn
