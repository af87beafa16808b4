// EmfBuilder: collects EMF records in memory, in the counting heap.
//
// Records come either from libuemf's writers (malloc'd, handed over with
// Take) or are laid out here (Add, AddWithDib) where libuemf's writers do
// not fit: records with a packed DIB (libuemf sizes the BITMAPINFO by its own
// rules, which miss V4/V5 headers and bit-field masks) and text without a
// spacing array (libuemf's writer requires one).
//
// A budget caps the output; going past it, or a writer that returns null,
// makes the build fail for good (Ok() false, later records dropped).
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

// The parts of a packed DIB as they go into a record: header with masks and
// palette, then the bits.
struct DibParts {
  const std::uint8_t* bmi = nullptr;
  std::uint32_t bmiSize = 0;
  const std::uint8_t* bits = nullptr;
  std::uint32_t bitsSize = 0;
};

class EmfBuilder {
 public:
  explicit EmfBuilder(std::uint64_t budget) : budget_(budget) {}

  bool Ok() const { return !failed_; }
  std::uint32_t Records() const { return records_; }

  // Appends a libuemf record and frees it; null fails the build.
  void Take(char* record);
  // A zeroed record of `size` bytes (rounded up to 4) with type and size
  // set; null when the build has failed or the budget is spent. The pointer
  // lasts until the next record is added.
  std::uint8_t* Add(std::uint32_t type, std::uint64_t size);
  // A record whose fixed part of `fixedSize` bytes is followed by the DIB's
  // BITMAPINFO and bits (each padded to 4); the four u32 fields at
  // `offsetsAt` (offBmi, cbBmi, offBits, cbBits) are filled in.
  std::uint8_t* AddWithDib(std::uint32_t type, std::uint32_t fixedSize, const DibParts& dib, std::uint32_t offsetsAt);

  // Appends EMR_EOF and writes nBytes, nRecords and nHandles into the
  // header record (which must be the first record). Returns Ok().
  bool Finish(std::uint16_t handles);

  ByteArray& Bytes() { return bytes_; }

 private:
  ByteArray bytes_;
  std::uint32_t records_ = 0;
  std::uint64_t budget_;
  bool failed_ = false;
};

}  // namespace kvn
