#include "model/cSeparator.h"

#include "foundation/ArchiveReader.h"
#include "model/VersionedString.h"

namespace kvn {

cSeparator::cSeparator() : cOutObj(kTypeSeparator) {}

cSeparator::~cSeparator() = default;

DRect& cSeparator::GetExtent(DRect& out) {
  out = DRect{};
  return out;
}

void cSeparator::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  if (const cSeparator* separator = source.AsSeparator()) {
    name = separator->name;
    separatorFlags = separator->separatorFlags;
  }
}

ObjectChain cSeparator::Read(ReadContext*, cDrawingData*, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  const bool set = r.ReadByte() != 0;
  separatorFlags = std::uint8_t(set ? separatorFlags | kSeparatorFlag : separatorFlags & ~kSeparatorFlag);
  // Always a zero-terminated form: bytes before 3052, 16-bit units after.
  if (VersionBelow(version, 3052)) {
    ReadVersionedString(name, r, version);
  } else {
    name = ReadArchiveWString(r);
  }
  return {};
}

}  // namespace kvn
