#include "model/InsertCopyMap.h"

#include "model/ObjectTypes.h"
#include "model/cInsert.h"

namespace kvn {

void InsertCopyMap::Record(cOutObj* copy, const cOutObj* source) {
  if (!copy || !source) return;
  if (const cInsert* from = source->AsInsert()) {
    const cInsert* to = copy->AsInsert();
    sourceIds_.push_back(from->RunningId());
    copyIds_.push_back(to ? to->RunningId() : 0);
  } else if (copy->TypeCode() == kTypeLink) {
    links_.push_back(copy);
  }
}

void InsertCopyMap::Apply() {
  if (done_) return;
  done_ = true;
  for (cOutObj* link : links_) {
    std::uint32_t* end1 = link->LinkedInsertId(0);
    std::uint32_t* end2 = link->LinkedInsertId(1);
    if (!end1 || !end2) continue;
    RepointInsertIds(sourceIds_, copyIds_, *end1, *end2);
  }
}

void RepointInsertIds(const std::vector<std::uint32_t>& sourceIds, const std::vector<std::uint32_t>& copyIds,
                      std::uint32_t& end1, std::uint32_t& end2) {
  if (end1 == 0 && end2 == 0) return;
  const std::uint32_t original1 = end1;
  const std::uint32_t original2 = end2;
  bool done1 = false;
  bool done2 = false;
  const std::size_t n = sourceIds.size() < copyIds.size() ? sourceIds.size() : copyIds.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (!done1 && original1 != 0 && sourceIds[i] == original1) {
      end1 = copyIds[i];
      done1 = true;
    }
    if (!done2 && original2 != 0 && sourceIds[i] == original2) {
      end2 = copyIds[i];
      done2 = true;
    }
    if (done1 && (done2 || original2 == 0)) break;
    if (done2 && original1 == 0) break;
  }
  if (!done1) end1 = 0;
  if (!done2) end2 = 0;
}

}  // namespace kvn
