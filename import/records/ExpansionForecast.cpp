// The forecast of what a sheet will show, taken from the import records
// before anything is converted: a drawing whose blocks multiply past the
// budget is refused at once, not after its conversion has spent the budget
// (and the heap it fills) step by step.
#include <algorithm>
#include <unordered_map>

#include "import/records/InsertRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

struct Forecast {
  YxxfReader& reader;
  std::uint64_t limit;
  // Per block: what one placement shows; kCounting while being counted
  // (a block on its own path shows nothing there, as the conversion skips it).
  std::unordered_map<const YxxfBlockRec*, std::uint64_t> shown;
  static constexpr std::uint64_t kCounting = ~std::uint64_t(0);

  // The objects one record shows, `depth` inserts down.
  std::uint64_t OfRecord(const cOneObjRec& record, std::uint32_t depth) {
    const YxxfEntInsert* insert = const_cast<cOneObjRec&>(record).AsInsert();
    if (!insert) return 1;
    YxxfBlockRec* target = reader.FindBlock(insert->handle, insert->blockName, insert->blockHandle);
    if (!target) return 0;
    if ((target->flags & 4) && !target->xrefPath.IsEmpty()) return 1;
    if (depth + 1 > reader.maxInsertDepth) return 0;
    const std::uint64_t cells =
        std::min<std::uint64_t>(std::uint64_t(insert->columns) * insert->rows, reader.maxArrayCells);
    const std::uint64_t each = OfBlock(*target, depth + 1);
    // Saturates just past the limit: the answer only has to tell that.
    return each == 0 ? 0 : std::min<std::uint64_t>(cells, limit / each + 1) * each;
  }

  std::uint64_t OfBlock(const YxxfBlockRec& block, std::uint32_t depth) {
    auto [at, fresh] = shown.try_emplace(&block, kCounting);
    if (!fresh) return at->second == kCounting ? 0 : at->second;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < block.entities.Count() && total <= limit; ++i) {
      const cOneObjRec& record = *block.entities[i];
      if (record.invisible || record.entityCode == entity::kAttrib || record.entityCode == entity::kAttDef) continue;
      total += OfRecord(record, depth);
    }
    total = std::min(total, limit + 1);
    // The map may have grown since `at` was taken.
    shown[&block] = total;
    return total;
  }
};

}  // namespace

bool YxxfReader::ForeseeExpansions(YxxfBlockRec& block, int mode) {
  const std::uint64_t left = objectBudget > objectsMade ? objectBudget - objectsMade : 0;
  Forecast forecast{*this, left, {}};
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < block.entities.Count() && total <= left; ++i) {
    const cOneObjRec& record = *block.entities[i];
    if ((mode == 1 && record.paperSpace) || (mode == 2 && !record.paperSpace)) continue;
    if (record.invisible || record.entityCode == entity::kAttrib) continue;
    total += forecast.OfRecord(record, 0);
  }
  if (total <= left) return true;
  // Spent as the conversion would spend it, so that the refusal says the same.
  return Spend(left + 1);
}

}  // namespace kvn
