#include "model/cDrawingData.h"

#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"

namespace kvn {

cDrawingData::cDrawingData() = default;

cDrawingData::~cDrawingData() {
  // The blocks go first, each emptied before it is deleted; the level table
  // and the six style tables follow as members, in the reverse of their
  // declaration.
  while (blocks_.Count() > 0) {
    cBlock* block = blocks_.DetachAt(blocks_.Count() - 1);
    block->Clear();
    delete block;
  }
}

void cDrawingData::Release() {
  if (refCount_ > 0) --refCount_;
  if (refCount_ == 0) delete this;
}

std::uint32_t cDrawingData::AddBlock(cBlock* block) {
  blocks_.Add(block);
  return blocks_.Count() - 1;
}

void cDrawingData::ResetStyleCaches(cBlock& block) {
  for (cStyleLine* style : lineStyles_)
    if (style) style->FreePatternCache();
  for (cOutObj* o = block.FirstObject(); o; o = o->next) o->MarkDirty();
  block.InvalidateChecksum();
}

cDrawing* cDrawingData::GetDrawing() const {
  if (parent_ && parent_->owner_) return parent_->owner_;
  return owner_;
}

}  // namespace kvn
