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

// What one placement walks, and the bytes its expansion holds.
struct Walk {
  std::uint64_t walked = 0;
  std::uint64_t bytes = 0;

  void Add(const Walk& other) {
    walked = SaturatedPlus(walked, other.walked, kWalkCeiling);
    bytes = SaturatedPlus(bytes, other.bytes, kMemoryCeiling);
  }
};

class SheetWalk {
 public:
  explicit SheetWalk(cDrawingData& data) : data_(data) {}

  // What one placement of the block walks: its objects, a nested insert
  // once as the expansion enters it and then by its block, its labels and
  // blank-out rectangle; and what its children take, a text at its size.
  // A block on its own path, or deeper than a path may go, expands to
  // nothing there; each block is counted once.
  Walk OfBlock(std::uint32_t index, int depth) {
    if (index >= data_.BlockCount() || depth >= BlockPath::kMaxDepth) return {};
    if (state_.size() < data_.BlockCount()) {
      state_.resize(data_.BlockCount(), kNotYet);
      walks_.resize(data_.BlockCount());
    }
    if (state_[index] == kCounting) return {};
    if (state_[index] == kCounted) return walks_[index];
    state_[index] = kCounting;
    Walk total;
    if (const cBlock* block = data_.GetBlock(index)) {
      for (const cOutObj* o = block->FirstObject(); o && total.walked <= kWalkCeiling; o = o->next) {
        total.Add(OfObject(*o, depth));
        if (const cInsert* nested = o->AsInsert()) total.Add(Extras(*nested));
      }
    }
    state_[index] = kCounted;
    walks_[index] = total;
    return total;
  }

  Walk OfObject(const cOutObj& object, int depth) {
    if (const cInsert* insert = object.AsInsert()) return OfBlock(insert->blockIndex, depth + 1);
    if (const cText* text = object.AsText()) {
      const std::size_t characters = text->GetText().View().size();
      return Walk{TextWalk(characters), kBytesPerText + characters * kBytesPerCharacter};
    }
    return Walk{1, kBytesPerChild};
  }

  // An insert's own additions to the expansion it is part of: the entry
  // into it, its labels and its blank-out rectangle.
  static Walk Extras(const cInsert& insert) {
    const std::uint64_t labels = std::uint64_t(insert.LabelSlotCount());
    const std::uint64_t blankOut = insert.blankOut & 1;
    return Walk{1 + labels + blankOut, labels * kBytesPerText + blankOut * kBytesPerChild};
  }

 private:
  static constexpr std::uint8_t kNotYet = 0, kCounting = 1, kCounted = 2;
  cDrawingData& data_;
  std::vector<std::uint8_t> state_;
  std::vector<Walk> walks_;
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
      const Walk placed = walk.OfObject(*o, 0);
      own[s] = SaturatedPlus(own[s], placed.walked, kWalkCeiling);
      if (const cInsert* insert = o->AsInsert()) {
        // Its labels are children of its expansion too.
        const std::uint64_t labels = std::uint64_t(insert->LabelSlotCount()) * kBytesPerText;
        largest = std::max(largest, SaturatedPlus(placed.bytes, labels, kMemoryCeiling));
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
  result.cost.bytes = OpenBytes(SaturatedTimes(topObjects, kBytesPerIndexEntry, kMemoryCeiling), largest);
  return result;
}

}  // namespace kvn
