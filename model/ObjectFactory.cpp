// The factory of drawing objects by type code. Classes join as they are built.
#include "model/cLine.h"
#include "model/cOutObj.h"
#include "model/cRectangle.h"
#include "model/cText.h"

namespace kvn {

cOutObj* cOutObj::Create(std::uint8_t typeCode, bool numbered) {
  (void)numbered;  // numbered inserts take the next running insert id
  switch (typeCode & kTypeCodeMask) {
    case kTypeLine: return new cLine();
    case kTypeRectangle: return new cRectangle();
    case kTypeText: return new cText();
    default: return nullptr;
  }
}

}  // namespace kvn
