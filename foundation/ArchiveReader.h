// ArchiveReader: reads the bit-packed archive stream of the native format.
//
// Bits are taken from each byte most significant first; multi-byte fields are
// little-endian and may straddle bytes when they start mid-byte. Numbers,
// points, colours and strings use the short codes of the archive encoding
// (see ArchiveWriter.h for the table). From a chosen byte boundary on, the
// bytes may come through a raw-deflate sub-stream, and a rotate-XOR checksum
// can be kept over every byte fetched.
//
// Failure protocol: the error flag is sticky. Once set, every read yields
// zeros (numbers), nothing (bytes) or the empty string; a number that the
// end of the input cuts through reads as zero too, not as the bytes before
// the cut. Single bits read past the end of the input are zeros without
// setting the flag; byte reads (ReadByte too), strings and size checks set it. Record readers test AtEnd() where it matters; only the
// container and body readers turn the flag into a result code.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/ArchiveCommon.h"
#include "foundation/DPoint.h"

namespace kvn {

class InFileStream;
class InflateReader;
class WString;

// 5-byte legacy real (40-bit little-endian: sign bit 39, exponent bits 38..34,
// fraction bits 33..0) to double.
double LegacyRealToDouble(const std::uint8_t bytes[5]);

class ArchiveReader {
 public:
  explicit ArchiveReader(InFileStream* input);
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // 1 = current reals (IEEE double based), 0 = legacy 40-bit reals. Set by the
  // drawing body reader from a bit of the stream.
  std::uint8_t realFormat = 1;
  // While set, every fetched byte goes into the checksum.
  bool checksumOn = false;

  bool AtEnd() const;
  bool HasError() const { return error_; }
  void SetError();
  // Whether count x size bytes can still come. Without a sub-stream the file's
  // remaining size decides; with one, the most that the remaining compressed
  // bytes can inflate to, so that a corrupt count is refused before anything
  // is sized by it. False sets the error flag.
  bool CanRead(std::uint64_t count, std::uint64_t size);
  // Seeks the input to the reader's start offset + offset; refused while a
  // sub-stream is active. Drops pending bits.
  bool SeekFromStart(std::uint64_t offset);

  bool ReadBit() {
    if (pending_ == 0) {
      bitBuffer_ = FetchByte();
      pending_ = 8;
    }
    --pending_;
    return (bitBuffer_ >> pending_) & 1;
  }
  // n 1..32 bits, most significant first.
  std::uint32_t ReadBits(unsigned n) {
    std::uint32_t v = 0;
    while (n > 0) {
      if (pending_ == 0) {
        bitBuffer_ = FetchByte();
        pending_ = 8;
      }
      unsigned take = n < pending_ ? n : pending_;
      pending_ -= take;
      v = (v << take) | ((bitBuffer_ >> pending_) & ((1u << take) - 1));
      n -= take;
    }
    return v;
  }
  std::uint8_t ReadByte() {
    // Eight bits that the input no longer holds: a field cut short.
    if (winPos_ == winLen_ && !Refill()) {
      error_ = true;
      pending_ = 0;
      bitBuffer_ = 0;
      return 0;
    }
    std::uint8_t old = bitBuffer_;
    std::uint8_t b = FetchByte();
    bitBuffer_ = b;
    if (pending_ == 0) return b;
    return std::uint8_t((old << (8 - pending_)) | (b >> pending_));
  }
  void ReadByteTo(std::uint8_t* out) { *out = ReadByte(); }
  // Raw bytes; returns the count delivered. On failure the error flag is set
  // and the part of the buffer not delivered is zero-filled.
  std::uint32_t Read(void* buffer, std::uint32_t n);
  void SkipBytes(std::uint64_t n);

  std::int16_t ReadInt16();
  std::uint16_t ReadUInt16();
  void ReadWordTo(std::uint16_t* out) { *out = ReadUInt16(); }
  void ReadWordTo2(std::uint16_t* out) { *out = ReadUInt16(); }
  std::int32_t ReadInt32();
  std::uint32_t ReadRaw32();
  double ReadFloat();
  double ReadDouble();
  DPoint ReadFloatPoint();

  double ReadReal();
  double ReadCompactDouble();
  double ReadRealOrUnit();
  double ReadDeltaValue(double previous);
  DPoint ReadCompactPoint();
  DPoint ReadUnitPoint();
  DPoint ReadRealPoint();
  DPoint ReadDeltaPoint(const DPoint& previous);

  std::uint8_t ReadSmallByte();
  std::uint8_t ReadOptionalByte();
  std::uint16_t ReadCompactU16();
  std::uint32_t ReadCompactU32();
  std::uint32_t ReadColor();
  // Short form: compact 16-bit length (files from 3073 on); long form: compact
  // 32-bit length. Any failure gives the empty string.
  bool ReadString(WString& out, bool longForm);

  // Sub-stream: only mode 1 (raw deflate + CRC trailer) works.
  void BeginInflate(int mode);
  bool HasSubStream() const { return static_cast<bool>(inflate_); }
  // Ends a checksummed compressed body: drops pending bits, ends the
  // sub-stream, turns the checksum off and reads the 32-bit word that follows
  // the sub-stream's trailer in the file.
  std::uint32_t EndSubStreamAndReadWord();
  std::uint32_t TakeChecksum();
  std::uint32_t Checksum() const { return checksum_; }

  // A new n-byte buffer (one spare byte) filled from the stream, or null.
  // Reads in chunks that double from 1,000,000 bytes, so a corrupt length
  // costs at most about twice the data really present.
  std::unique_ptr<std::uint8_t[]> ReadAlloc(std::uint64_t n);
  // The same into a vector; emptied and false on failure.
  bool ReadIntoVector(std::vector<std::uint8_t>& out, std::uint64_t n);

 private:
  // Bytes come through a window: without a sub-stream the unread part of the
  // input's current block, taken directly and reported to the stream only when
  // someone else is about to use it (SyncInput); with one, a buffer of inflated
  // bytes. Fetching a byte is then an index increment, not a call.
  bool Exhausted() const;
  bool Refill() const;
  void SyncInput() const;
  void DropWindow() const;
  std::uint8_t FetchByte() {
    if (error_) return 0;
    if (winPos_ == winLen_ && !Refill()) return 0;
    std::uint8_t b = win_[winPos_++];
    if (checksumOn) checksum_ = archive::ChecksumStep(checksum_, b);
    return b;
  }
  void Count(const std::uint8_t* bytes, std::uint32_t n);
  std::uint32_t Fail(void* buffer, std::uint32_t delivered, std::uint32_t n);
  // The bytes of one number: all of them, or zeros when the input ends
  // inside it (never half a value).
  void ReadNumberBytes(std::uint8_t* bytes, std::uint32_t n);

  InFileStream* input_;
  std::unique_ptr<InflateReader> inflate_;
  std::unique_ptr<std::uint8_t[]> inflated_;  // window buffer while a sub-stream is active
  mutable const std::uint8_t* win_ = nullptr;
  mutable std::uint32_t winLen_ = 0;
  mutable std::uint32_t winPos_ = 0;
  mutable bool error_ = false;
  std::uint32_t checksum_ = 0;
  unsigned pending_ = 0;  // unconsumed bits of bitBuffer_, 0..8
  std::uint8_t bitBuffer_ = 0;
  std::uint64_t startOffset_;
};

}  // namespace kvn
