#include <algorithm>

#include "document/TitleFieldsInternal.h"
#include "model/LinkedInserts.h"
#include "model/cBlock.h"
#include "model/cConPoint.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLink.h"

namespace kvn {

namespace {

constexpr std::size_t kMaxBlockDepth = 64;

// A walk through nested inserts: every block is entered once (so the
// blocks on the current path, and any block placed by many inserts, are not
// entered again: cyclic blocks end, shared ones cost no more than a tree),
// and no deeper than 64 blocks.
struct HolderSearch {
  const cOutObj* target;
  cDrawingData& data;
  std::vector<const cBlock*> entered;

  cBlock* Search(cBlock* block, std::size_t depth) {
    if (!block || depth >= kMaxBlockDepth) return nullptr;
    if (std::find(entered.begin(), entered.end(), block) != entered.end()) return nullptr;
    entered.push_back(block);
    for (cOutObj* o = block->FirstObject(); o; o = o->next) {
      if (o == target) return block;
    }
    for (cOutObj* o = block->FirstObject(); o; o = o->next) {
      if (cInsert* insert = o->AsInsert()) {
        if (cBlock* found = Search(PlacedBlock(*insert, data), depth + 1)) return found;
      }
    }
    return nullptr;
  }
};

}  // namespace

cBlock* PlacedBlock(const cInsert& insert, cDrawingData& data) {
  return insert.blockIndex < data.BlockCount() ? data.GetBlock(insert.blockIndex) : nullptr;
}

namespace {

cInsert* InsertWithRunningId(cBlock* block, std::uint32_t id) {
  if (!block || id == 0) return nullptr;
  for (cOutObj* o = block->FirstObject(); o; o = o->next) {
    if (cInsert* insert = o->AsInsert(); insert && insert->RunningId() == id) return insert;
  }
  return nullptr;
}

}  // namespace

cBlock* FindHolderBlock(cBlock* top, const cOutObj* object, cDrawingData& data) {
  if (!object) return nullptr;
  HolderSearch search{object, data, {}};
  return search.Search(top, 0);
}

cInsert* FirstInsertOf(std::span<cOutObj* const> context) {
  for (cOutObj* o : context) {
    if (cInsert* insert = o ? o->AsInsert() : nullptr) return insert;
  }
  return nullptr;
}

cInsert* FieldInsert(FieldCall& call, int* end) {
  if (end) *end = -1;
  if (cInsert* insert = FirstInsertOf(call.context)) return insert;
  FieldScratch& s = call.scratch;
  if (!s.link || s.row < 0 || s.row >= kFieldRowCount) return nullptr;
  if (!s.endsLookedUp) {
    s.endsLookedUp = true;
    cBlock* holder = FindHolderBlock(s.topBlock, s.link, call.data);
    s.endInserts[0] = InsertWithRunningId(holder, s.link->end1Number);
    s.endInserts[1] = InsertWithRunningId(holder, s.link->end2Number);
  }
  if (!s.endInserts[0] && !s.endInserts[1]) return nullptr;
  const int which = s.uses[std::size_t(s.row)]++ & 1;
  if (end) *end = which;
  return s.endInserts[which];
}

cInsert* FindLinkedInsert(cInsert& insert, cBlock* top, cDrawingData& data, std::uint64_t number) {
  if (insert.linkId == 0) return nullptr;
  cBlock* holder = FindHolderBlock(top, &insert, data);
  if (!holder) return nullptr;
  std::vector<cInsert*> set;
  CollectLinkedInserts(set, &insert, holder);
  for (cInsert* other : set) {
    if (number == 0 ? other != &insert : other->linkNumber == number) return other;
  }
  return nullptr;
}

void ListReferences(FieldCall& call) {
  call.list.emplace();
  cInsert* insert = FirstInsertOf(call.context);
  if (!insert || insert->linkId == 0) return;
  cBlock* holder = FindHolderBlock(call.scratch.topBlock, insert, call.data);
  if (!holder) return;
  std::vector<cInsert*> set;
  CollectLinkedInserts(set, insert, holder);
  for (cInsert* other : set) {
    if (other != insert) call.list->push_back({other, nullptr, nullptr});
  }
}

void ListInputs(FieldCall& call) {
  call.list.emplace();
  cInsert* insert = FirstInsertOf(call.context);
  if (!insert || insert->RunningId() == 0) return;
  cBlock* holder = FindHolderBlock(call.scratch.topBlock, insert, call.data);
  cBlock* own = PlacedBlock(*insert, call.data);
  if (!holder || !own) return;
  const std::uint32_t id = insert->RunningId();
  std::uint32_t k = 0;
  for (cOutObj* point = own->FirstObject(); point; point = point->next) {
    if (!point->AsConPoint()) continue;
    for (cOutObj* o = holder->FirstObject(); o; o = o->next) {
      cLink* link = o->AsLink();
      if (!link) continue;
      std::uint32_t other = 0;
      if (link->end1Number == id && link->end1Index == k) {
        other = link->end2Number;
      } else if (link->end2Number == id && link->end2Index == k) {
        other = link->end1Number;
      } else {
        continue;
      }
      call.list->push_back({point, link, InsertWithRunningId(holder, other)});
    }
    ++k;
  }
}

const cOutObj* NthConPoint(cBlock* block, std::uint32_t index) {
  if (!block) return nullptr;
  std::uint32_t k = 0;
  for (cOutObj* o = block->FirstObject(); o; o = o->next) {
    if (o->AsConPoint() && k++ == index) return o;
  }
  return nullptr;
}

}  // namespace kvn
