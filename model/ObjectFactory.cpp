// The factory of drawing objects by type code. Classes join as they are built.
#include "model/cOutObj.h"

namespace kvn {

cOutObj* cOutObj::Create(std::uint8_t typeCode, bool numbered) {
  (void)numbered;  // numbered inserts take the next running insert id
  switch (typeCode & kTypeCodeMask) {
    default: return nullptr;
  }
}

}  // namespace kvn
