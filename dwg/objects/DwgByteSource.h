// Where the DWG bit stream takes its bytes: one interface for the plain file
// (R13 to R2000), the sections of the R2004 and R2007 containers and the
// in-memory data of proxy objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kvn {

class InFileStream;

class DwgByteSource {
 public:
  virtual ~DwgByteSource() = default;
  // False at the end of the data (out is then 0).
  virtual bool NextByte(std::uint8_t& out) = 0;
  // Byte offset of the next byte.
  virtual std::uint64_t Position() const = 0;
  // NextByte without a call while the source lends a run of bytes: the bit
  // reader takes every byte of a drawing one at a time.
  bool Take(std::uint8_t& out) {
    if (windowLeft_ != 0) {
      out = *window_++;
      --windowLeft_;
      return true;
    }
    return NextByte(out);
  }

 protected:
  // The bytes lent from the current position on (a source that lends them
  // takes them first in NextByte and counts them in Position).
  const std::uint8_t* window_ = nullptr;
  std::size_t windowLeft_ = 0;
};

// Bytes held by the caller, who keeps them alive.
class DwgMemorySource final : public DwgByteSource {
 public:
  explicit DwgMemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool NextByte(std::uint8_t& out) override;
  std::uint64_t Position() const override { return at_; }
  void Seek(std::size_t at) { at_ = at < bytes_.size() ? at : bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// An input file stream positioned by its owner. A source made with
// `readAhead` reads the stream in chunks and lends them to Take; its owner
// then positions it only through Seek, never the stream itself.
class DwgStreamSource final : public DwgByteSource {
 public:
  explicit DwgStreamSource(InFileStream& stream, bool readAhead = false) : stream_(stream), readAhead_(readAhead) {}
  bool NextByte(std::uint8_t& out) override;
  std::uint64_t Position() const override;
  // Drops the bytes read ahead and positions the stream; false past its end.
  bool Seek(std::uint64_t position);

 private:
  InFileStream& stream_;
  bool readAhead_ = false;
  std::vector<std::uint8_t> chunk_;
};

}  // namespace kvn
