#include "model/cBitmap.h"
#include "model/cBlock.h"

namespace kvn {

void cBlock::RemoveBitmaps() {
  if (flags & kBlockChainNotOwned) return;
  cOutObj** link = &first_;
  while (*link) {
    cOutObj* object = *link;
    if (object->AsBitmap()) {
      *link = object->next;
      object->next = nullptr;
      delete object;
    } else {
      link = &object->next;
    }
  }
  InvalidateChecksum();
}

}  // namespace kvn
