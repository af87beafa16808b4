#include "model/ObjectList.h"

#include <memory>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/cOutObj.h"

namespace kvn {

bool ReadObjectList(ArchiveReader& r, cDrawingData* data, int version, ObjectChain& chain) {
  while (true) {
    // A type byte always needs a byte fetched: when the data is used up before
    // it, the list was cut short.
    const bool endedBefore = r.AtEnd();
    std::uint8_t type = kEndOfObjectList;
    r.ReadByteTo(&type);
    if (endedBefore) return false;
    if (type == kEndOfObjectList) return true;
    std::unique_ptr<cOutObj> object(cOutObj::Create(type & kTypeCodeMask, true));
    if (!object) return false;
    object->SetTypeByteSourceBits(type);
    ObjectChain replacement = object->Read(nullptr, data, r, version);
    if (!replacement) {
      chain.Append(object.release());
      continue;
    }
    object.reset();
    for (cOutObj* o = replacement.Release(); o;) {
      cOutObj* next = o->next;
      chain.Append(o);
      o = next;
    }
  }
}

void WriteObjectList(ArchiveWriter& w, cDrawingData* data, const cOutObj* head) {
  for (const cOutObj* o = head; o; o = o->next) o->Write(data, w);
  w.WriteByte(kEndOfObjectList);
}

}  // namespace kvn
