// Hand-over: the text a label slot of an insert shows, composed from the
// slot's item list. The composition of object labels (names, descriptions
// and attributes of inserts and links) comes with the link classes; until
// then the default keeps a literal item list as it is and gives the item
// codes of old records (one unit 1 to 4) the insert's own values.
#pragma once

#include "foundation/WString.h"

namespace kvn {

class cDrawingData;
class cInsert;

WString BuildInsertLabelText(const cInsert& insert, const WString& items, cDrawingData* data);

}  // namespace kvn
