#include "foundation/ArchiveWriter.h"

#include <bit>
#include <cstring>

#include "foundation/ArchiveCommon.h"
#include "foundation/DeflateWriter.h"
#include "foundation/OutFileStream.h"
#include "foundation/WString.h"

namespace kvn {

namespace {
void StoreLE(std::uint8_t* b, std::uint64_t v, unsigned n) {
  for (unsigned i = 0; i < n; ++i) b[i] = std::uint8_t(v >> (8 * i));
}
}  // namespace

ArchiveWriter::ArchiveWriter(OutFileStream* output) : output_(output) {}
ArchiveWriter::ArchiveWriter(ByteArray* memory) : memory_(memory) {}

ArchiveWriter::~ArchiveWriter() { Finish(); }

bool ArchiveWriter::IsGood() const {
  if (deflate_ && !deflate_->IsGood()) return false;
  return !output_ || output_->IsGood();
}

void ArchiveWriter::HandOn(const std::uint8_t* bytes, std::uint32_t n) {
  if (deflate_) {
    deflate_->Write(bytes, n);
  } else if (output_) {
    output_->Write(bytes, n);
  }
  if (memory_) memory_->AppendBytes(bytes, n);
}

void ArchiveWriter::EmitByte(std::uint8_t b) {
  if (checksumOn) checksum_ = archive::ChecksumStep(checksum_, b);
  if (HasSink()) HandOn(&b, 1);
}

void ArchiveWriter::WriteBits(std::uint32_t value, unsigned n) {
  if (n > 24) {
    for (unsigned i = n; i-- > 0;) WriteBit((value >> i) & 1);
    return;
  }
  // The n bits at once, as WriteBit would add them one by one.
  std::uint32_t buffer = (bitBuffer_ << n) | (value & ((1u << n) - 1));
  unsigned pending = pending_ + n;
  while (pending >= 8) {
    pending -= 8;
    EmitByte(std::uint8_t(buffer >> pending));
  }
  bitBuffer_ = buffer & ((1u << pending) - 1);
  pending_ = pending;
}

void ArchiveWriter::WriteByte(std::uint8_t v) {
  if (pending_ == 0) {
    EmitByte(v);
    return;
  }
  const unsigned k = pending_;
  EmitByte(std::uint8_t(((v >> k) & (0xFF >> k)) | (bitBuffer_ << (8 - k))));
  bitBuffer_ = v & ((1u << k) - 1);
}

void ArchiveWriter::EmitBytes(const std::uint8_t* bytes, std::uint32_t n) {
  if (checksumOn) {
    std::uint32_t c = checksum_;
    for (std::uint32_t i = 0; i < n; ++i) c = archive::ChecksumStep(c, bytes[i]);
    checksum_ = c;
  }
  if (HasSink()) HandOn(bytes, n);
}

void ArchiveWriter::Write(const void* bytes, std::uint32_t n) {
  const auto* b = static_cast<const std::uint8_t*>(bytes);
  if (pending_ == 0) {
    EmitBytes(b, n);
    return;
  }
  // Off a byte boundary each byte is shifted across two output bytes, as
  // WriteByte does; the shifted bytes are handed on a run at a time. The
  // carried bits and the checksum stay in locals: the bytes may alias any
  // member, which would otherwise be stored and loaded again for each byte.
  const unsigned k = pending_;
  const std::uint32_t low = (1u << k) - 1;
  std::uint32_t carry = bitBuffer_;
  if (!HasSink()) {
    // Only the checksum is kept: no bytes to hand on.
    if (checksumOn) {
      std::uint32_t c = checksum_;
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint8_t v = b[i];
        c = archive::ChecksumStep(c, std::uint8_t((v >> k) | (carry << (8 - k))));
        carry = v & low;
      }
      checksum_ = c;
    } else if (n != 0) {
      carry = b[n - 1] & low;
    }
    bitBuffer_ = carry;
    return;
  }
  std::uint8_t shifted[64];
  while (n > 0) {
    const std::uint32_t m = n < sizeof shifted ? n : std::uint32_t(sizeof shifted);
    for (std::uint32_t i = 0; i < m; ++i) {
      const std::uint8_t v = b[i];
      shifted[i] = std::uint8_t((v >> k) | (carry << (8 - k)));
      carry = v & low;
    }
    bitBuffer_ = carry;
    EmitBytes(shifted, m);
    b += m;
    n -= m;
  }
}

void ArchiveWriter::WriteUInt16(std::uint16_t v) {
  std::uint8_t b[2];
  StoreLE(b, v, 2);
  Write(b, 2);
}

void ArchiveWriter::WriteRaw32(std::uint32_t v) {
  std::uint8_t b[4];
  StoreLE(b, v, 4);
  Write(b, 4);
}

void ArchiveWriter::WriteDouble(double v) {
  std::uint8_t b[8];
  StoreLE(b, std::bit_cast<std::uint64_t>(v), 8);
  Write(b, 8);
}

void ArchiveWriter::WriteReal(double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  std::uint8_t b[8];
  StoreLE(b, bits, 8);
  if ((bits & 0xFFFFFFFFu) == 0) {
    WriteBit(false);
    Write(b + 4, 4);
  } else {
    WriteBit(true);
    Write(b, 8);
  }
}

void ArchiveWriter::WriteCompactDouble(double v) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  if (v == 0.0) {  // negative zero too
    WriteBits(0, 2);
  } else if ((bits & 0xFFFFFFFFFFFFull) == 0) {
    WriteBits(1, 2);
    std::uint8_t b[8];
    StoreLE(b, bits, 8);
    Write(b + 6, 2);
  } else {
    WriteBit(true);
    WriteReal(v);
  }
}

void ArchiveWriter::WriteRealOrUnit(double v) {
  if (v == 0.0) {
    WriteBits(0, 2);
  } else if (v == 1.0) {
    WriteBits(1, 2);
  } else {
    WriteBit(true);
    WriteReal(v);
  }
}

void ArchiveWriter::WriteDeltaValue(double v, double previous) {
  if (v == previous) {
    WriteBit(false);
  } else {
    WriteBit(true);
    WriteReal(v);
  }
}

void ArchiveWriter::WriteCompactPoint(const DPoint& p) {
  WriteCompactDouble(p.x);
  WriteCompactDouble(p.y);
}

void ArchiveWriter::WriteUnitPoint(const DPoint& p) {
  WriteRealOrUnit(p.x);
  WriteRealOrUnit(p.y);
}

void ArchiveWriter::WriteRealPoint(const DPoint& p) {
  WriteReal(p.x);
  WriteReal(p.y);
}

void ArchiveWriter::WriteDeltaPoint(const DPoint& p, const DPoint& previous) {
  WriteDeltaValue(p.x, previous.x);
  WriteDeltaValue(p.y, previous.y);
}

void ArchiveWriter::WriteSmallByte(std::uint8_t v) {
  if (v <= 1) {
    WriteBit(false);
    WriteBit(v != 0);
  } else if (v <= 15) {
    WriteBits(2, 2);
    WriteBits(v, 4);
  } else {
    WriteBits(3, 2);
    WriteByte(v);
  }
}

void ArchiveWriter::WriteOptionalByte(std::uint8_t v) {
  if (v == 0) {
    WriteBit(false);
  } else {
    WriteBit(true);
    WriteByte(v);
  }
}

void ArchiveWriter::WriteCompactU16(std::uint16_t v) {
  if (v == 0) {
    WriteBits(0, 2);
  } else if (v <= 15) {
    WriteBits(1, 2);
    WriteBits(v, 4);
  } else if (v <= 255) {
    WriteBits(2, 2);
    WriteByte(std::uint8_t(v));
  } else {
    WriteBits(3, 2);
    WriteUInt16(v);
  }
}

void ArchiveWriter::WriteCompactU32(std::uint32_t v) {
  if (v <= 15) {
    WriteBits(0, 2);
    WriteBits(v, 4);
  } else if (v <= 254) {
    WriteBits(1, 2);
    WriteByte(std::uint8_t(v));
  } else if (v <= 65534) {
    WriteBits(2, 2);
    WriteUInt16(std::uint16_t(v));
  } else {
    WriteBits(3, 2);
    WriteRaw32(v);
  }
}

void ArchiveWriter::WriteColor(std::uint32_t v) {
  if (v == 0) {
    WriteBits(0, 2);
    return;
  }
  if (v & archive::kColorNotSet) {
    WriteBits(1, 2);
    return;
  }
  if ((monochrome & 1) && v != 0xFFFFFF) v = 0;
  WriteBit(true);
  for (unsigned i = 0; i < archive::kPalette.size(); ++i) {
    if (archive::kPalette[i] == v) {
      WriteBit(false);
      WriteBits(i, 4);
      return;
    }
  }
  WriteBit(true);
  std::uint8_t rgb[3];
  StoreLE(rgb, v, 3);
  Write(rgb, 3);
}

void ArchiveWriter::WriteString(const WString& s) {
  std::uint32_t n = s.Length() > 65535 ? 65535 : std::uint32_t(s.Length());
  WriteCompactU16(std::uint16_t(n));
  const char16_t* units = s.CStr();
  for (std::uint32_t i = 0; i < n; ++i) {
    char16_t u = units[i];
    if (u < 0x80) {
      WriteByte(std::uint8_t(u));
    } else {
      WriteBit(true);
      WriteUInt16(std::uint16_t(u));
    }
  }
}

void ArchiveWriter::BeginDeflate() {
  if (!output_) return;
  deflate_.reset();
  deflate_ = std::make_unique<DeflateWriter>(output_, 1);
}

std::uint32_t ArchiveWriter::Flush() {
  if (pending_ != 0) {
    EmitByte(std::uint8_t(bitBuffer_ << (8 - pending_)));
    bitBuffer_ = 0;
    pending_ = 0;
  }
  return checksum_;
}

std::uint32_t ArchiveWriter::Finish() {
  Flush();
  if (deflate_) {
    deflate_->Finish();
    deflate_.reset();
  }
  return checksum_;
}

}  // namespace kvn
