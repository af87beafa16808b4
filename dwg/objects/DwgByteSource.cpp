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

namespace {

constexpr std::uint32_t kReadAheadBytes = 64 * 1024;

}  // namespace

bool DwgStreamSource::NextByte(std::uint8_t& out) {
  if (windowLeft_ != 0) {
    out = *window_++;
    --windowLeft_;
    return true;
  }
  if (stream_.Position() >= stream_.Size()) {
    out = 0;
    return false;
  }
  if (!readAhead_) {
    out = stream_.ReadByte();
    return true;
  }
  chunk_.resize(kReadAheadBytes);
  const std::uint32_t got = stream_.Read(chunk_.data(), kReadAheadBytes);
  if (got == 0) {
    out = 0;
    return false;
  }
  out = chunk_[0];
  window_ = chunk_.data() + 1;
  windowLeft_ = got - 1;
  return true;
}

std::uint64_t DwgStreamSource::Position() const { return stream_.Position() - windowLeft_; }

bool DwgStreamSource::Seek(std::uint64_t position) {
  windowLeft_ = 0;
  return position <= stream_.Size() && stream_.Seek(position);
}

}  // namespace kvn
