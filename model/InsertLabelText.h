// The text a label slot of an insert shows: the slot's item list composed
// (ObjectLabelText.h) from the insert's display name (or its block's
// description), its description, its first value and its attributes.
#pragma once

#include "foundation/WString.h"

namespace kvn {

class cDrawingData;
class cInsert;

WString BuildInsertLabelText(const cInsert& insert, const WString& items, cDrawingData* data);

}  // namespace kvn
