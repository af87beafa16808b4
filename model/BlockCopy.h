// Private copies of blocks: an insert that must differ from the other
// inserts of its block (old drawings' fix-ups) gets a copy of its own,
// nested blocks copied too when asked. Links among the copies are re-bound
// to the copies of their inserts.
#pragma once

#include "model/ObjectChain.h"

namespace kvn {

class cBlock;
class cDrawingData;
class cOutObj;

// Fills the empty `destination` with copies of the source block's mask,
// fields and objects; with `deep` every nested insert gets a copy of its
// block too (blocks placing each other end where they close, 64 deep at
// most). True when the source has a mask or a nested copy answered true.
bool CopyBlock(cDrawingData& data, cBlock& destination, cBlock& source, bool deep);

// Copies of the chain from `first` on, every insert replaced by the copies
// of what it places, flattened the same way (an insert of a block already
// being flattened, or 64 deep, places nothing).
ObjectChain FlattenChainCopy(cDrawingData& data, const cOutObj* first);

}  // namespace kvn
