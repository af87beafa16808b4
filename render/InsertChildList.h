// The painter's view of a block insert: the child-list interface the insert
// class implements (model/InsertChildList.h), reached from any object by a
// cross-cast, so the painter does not depend on the insert class.
#pragma once

#include "model/InsertChildList.h"

namespace kvn {

class cDrawingData;

// The child list of a block insert; null for every other object.
const InsertChildList* AsInsertChildList(const cOutObj& object);
InsertChildList* AsInsertChildList(cOutObj& object);

// Brings the object's extents up to date. An insert expanded for it lets its
// children go again: a walk that only needs extents holds no copy of a block
// per placement.
void UpdateExtents(cOutObj& object, cDrawingData* data);

}  // namespace kvn
