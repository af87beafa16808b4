#include "model/LinkedInserts.h"

#include <algorithm>

#include "model/cBlock.h"
#include "model/cInsert.h"

namespace kvn {

namespace {

template <class Insert>
void Collect(std::vector<Insert*>& out, const cInsert* insert, const cBlock* block) {
  if (!insert || !block || insert->linkId == 0) return;
  for (cOutObj* o = block->FirstObject(); o; o = o->next) {
    Insert* candidate = o->AsInsert();
    if (!candidate || candidate->linkId != insert->linkId) continue;
    if (std::find(out.begin(), out.end(), candidate) == out.end()) out.push_back(candidate);
  }
}

}  // namespace

void CollectLinkedInserts(std::vector<cInsert*>& out, const cInsert* insert, const cBlock* block) {
  Collect(out, insert, block);
}

void CollectLinkedInsertsAlt(std::vector<const cInsert*>& out, const cInsert* insert, const cBlock* block) {
  Collect(out, insert, block);
}

}  // namespace kvn
