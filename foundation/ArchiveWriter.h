// ArchiveWriter: writes the bit-packed archive stream of the native format,
// into an OutFileStream or into a byte array in memory.
//
// Encodings (bit a, b means bit a first; raw integers little-endian):
//   bit, bit field (n bits, most significant first), byte (8 bits), raw bytes
//   real            bit 0 + upper 4 bytes of the double when its low 32 bits
//                   are zero, else bit 1 + all 8 bytes
//   compact double  00: 0.0 | 01 + bytes 6, 7 (low 48 bits zero) | 1 + real
//   real-or-unit    00: 0.0 | 01: 1.0 | 1 + real
//   delta value     0: equal to the previous value | 1 + real
//   points          x then y in one of the above
//   small byte      0 + 1 bit (0, 1) | 10 + 4 bits (2..15) | 11 + byte
//   optional byte   0: zero | 1 + byte
//   compact u16     00: 0 | 01 + 4 bits | 10 + byte (16..255) | 11 + 2 bytes
//   compact u32     00 + 4 bits (0..15) | 01 + byte (16..254) |
//                   10 + 2 bytes (255..65534) | 11 + 4 bytes
//   colour          00: black | 01: not set (bit 31) | 10 + 4-bit palette
//                   index | 11 + red, green, blue bytes (high byte lost)
//   string          compact u16 length, then per UTF-16 unit: below 0x80 a
//                   byte (its top bit 0 is the flag), else bit 1 + 2 bytes
//
// A memory writer with the checksum on serves as a content fingerprint.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"

namespace kvn {

class OutFileStream;
class DeflateWriter;
class WString;

class ArchiveWriter {
 public:
  explicit ArchiveWriter(OutFileStream* output);
  // A null `memory` keeps nothing: the checksum alone is wanted.
  explicit ArchiveWriter(ByteArray* memory);
  // Flushes, then finishes the deflate sub-stream if one is open.
  ~ArchiveWriter();
  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;

  // Bit 0 set: every colour other than white is written as black.
  std::uint8_t monochrome = 0;
  // While set, every emitted byte goes into the checksum.
  bool checksumOn = false;

  void WriteBit(bool b) {
    bitBuffer_ = (bitBuffer_ << 1) | unsigned(b);
    if (++pending_ == 8) {
      EmitByte(std::uint8_t(bitBuffer_));
      bitBuffer_ = 0;
      pending_ = 0;
    }
  }
  void WriteBits(std::uint32_t value, unsigned n);
  void WriteByte(std::uint8_t v);
  void Write(const void* bytes, std::uint32_t n);
  struct Block {
    const void* data;
    std::uint32_t length;
  };
  void WriteBlock(const Block* block) { Write(block->data, block->length); }
  void WriteUInt16(std::uint16_t v);
  void WriteRaw32(std::uint32_t v);
  void WriteDouble(double v);

  void WriteReal(double v);
  void WriteCompactDouble(double v);
  void WriteRealOrUnit(double v);
  void WriteDeltaValue(double v, double previous);
  void WriteCompactPoint(const DPoint& p);
  void WriteUnitPoint(const DPoint& p);
  void WriteRealPoint(const DPoint& p);
  void WriteDeltaPoint(const DPoint& p, const DPoint& previous);

  void WriteSmallByte(std::uint8_t v);
  void WriteOptionalByte(std::uint8_t v);
  void WriteCompactU16(std::uint16_t v);
  void WriteCompactU32(std::uint32_t v);
  void WriteColor(std::uint32_t v);
  // Strings longer than 65535 units are cut.
  void WriteString(const WString& s);

  // From here on every byte passes through a raw-deflate sub-stream (mode 1);
  // nothing happens for a memory writer. Call at a byte boundary.
  void BeginDeflate();
  // Pads the pending bits with zeros to a whole byte; returns the checksum.
  std::uint32_t Flush();
  // Flushes, finishes the sub-stream (which appends its CRC trailer) and
  // returns the checksum.
  std::uint32_t Finish();
  std::uint32_t Checksum() const { return checksum_; }
  // Whether the output (and sub-stream) still accept bytes.
  bool IsGood() const;

 private:
  void EmitByte(std::uint8_t b);
  void EmitBytes(const std::uint8_t* bytes, std::uint32_t n);
  bool HasSink() const { return output_ || memory_ || deflate_; }
  void HandOn(const std::uint8_t* bytes, std::uint32_t n);

  OutFileStream* output_ = nullptr;
  ByteArray* memory_ = nullptr;
  std::unique_ptr<DeflateWriter> deflate_;
  std::uint32_t checksum_ = 0;
  unsigned pending_ = 0;  // 0..7 bits waiting in the low bits of bitBuffer_
  std::uint32_t bitBuffer_ = 0;
};

}  // namespace kvn
