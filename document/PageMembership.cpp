#include "document/PageMembership.h"

#include <vector>

#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

std::vector<std::uint16_t> PageIdsOf(const cOutObj& object) {
  std::vector<std::uint16_t> ids;
  if (const GrowArray<std::uint16_t>* list = object.PageList()) {
    ids.assign(list->begin(), list->end());
  } else {
    ids.push_back(object.PageId());
  }
  return ids;
}

// Stores the ids back: one id as the single page id, more as a list. An
// empty result leaves the object unchanged and answers false.
bool StorePageIds(cOutObj& object, const std::vector<std::uint16_t>& ids) {
  if (ids.empty()) return false;
  if (ids.size() == 1) {
    object.SetPage(ids[0]);
  } else {
    PageMask mask;
    for (std::uint16_t id : ids) {
      if (id == kAllPages) {
        mask.allPages = true;
      } else if (id < 4096) {
        mask.bits[id / 8] |= std::uint8_t(0x80 >> (id % 8));
      }
    }
    object.SetPagesFromMask(mask);
  }
  object.MarkDirty();
  return true;
}

// Answers false when the object named pages and names none now.
bool RemovePage(cOutObj& object, std::uint16_t removed) {
  std::vector<std::uint16_t> ids = PageIdsOf(object);
  const bool hadList = object.PageList() != nullptr;
  if (!hadList && ids[0] == kAllPages) return true;
  std::vector<std::uint16_t> kept;
  for (std::uint16_t id : ids) {
    if (id == removed) continue;
    kept.push_back(id != kAllPages && id > removed ? std::uint16_t(id - 1) : id);
  }
  if (kept.empty()) return !hadList ? false : ids.empty();
  StorePageIds(object, kept);
  return true;
}

}  // namespace

void RemovePageFromChain(cBlock& block, std::uint16_t removed) {
  const bool owned = !(block.flags & kBlockChainNotOwned);
  if (!owned) {
    for (cOutObj* o = block.FirstObject(); o; o = o->next) RemovePage(*o, removed);
    return;
  }
  cOutObj* head = block.FirstObject();
  block.InitObjectList();
  ObjectChain kept;
  while (head) {
    cOutObj* next = head->next;
    if (RemovePage(*head, removed)) {
      kept.Append(head);
    } else {
      delete head;
    }
    head = next;
  }
  block.AppendChain(std::move(kept));
}

void SwapPagesInChain(cBlock& block, std::uint16_t a, std::uint16_t b) {
  if (a == b) return;
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    std::vector<std::uint16_t> ids = PageIdsOf(*o);
    bool changed = false;
    for (std::uint16_t& id : ids) {
      if (id == a) {
        id = b;
        changed = true;
      } else if (id == b) {
        id = a;
        changed = true;
      }
    }
    if (changed) StorePageIds(*o, ids);
  }
  block.InvalidateChecksum();
}

}  // namespace kvn
