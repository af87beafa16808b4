#include "dwg/objects/DwgByteSource.h"

#include "foundation/InFileStream.h"

namespace kvn {

bool DwgMemorySource::NextByte(std::uint8_t& out) {
  if (at_ >= bytes_.size()) {
    out = 0;
    return false;
  }
  out = bytes_[at_++];
  return true;
}

bool DwgStreamSource::NextByte(std::uint8_t& out) {
  if (stream_.Position() >= stream_.Size()) {
    out = 0;
    return false;
  }
  out = stream_.ReadByte();
  return true;
}

std::uint64_t DwgStreamSource::Position() const { return stream_.Position(); }

}  // namespace kvn
