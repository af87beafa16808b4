#include "foundation/ArchiveReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "foundation/ArchiveCommon.h"
#include "foundation/InFileStream.h"
#include "foundation/InflateReader.h"
#include "foundation/WString.h"

namespace kvn {

namespace {

// Deflate cannot expand data by more than about 1032:1; anything the
// remaining compressed bytes could not hold is not in the file.
constexpr std::uint64_t kMaxInflateRatio = 1032;
// Output zlib may hold back, and the look-ahead byte.
constexpr std::uint64_t kInflateSlack = 1u << 20;

// Inflated bytes are taken from the sub-stream in blocks of this size.
constexpr std::uint32_t kInflateChunk = 8192;

double DoubleFromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

std::uint64_t LoadLE(const std::uint8_t* b, unsigned n) {
  std::uint64_t v = 0;
  for (unsigned i = n; i-- > 0;) v = (v << 8) | b[i];
  return v;
}

}  // namespace

double LegacyRealToDouble(const std::uint8_t bytes[5]) {
  std::uint64_t v = LoadLE(bytes, 5);
  bool negative = (v >> 39) & 1;
  unsigned e = unsigned(v >> 34) & 0x1F;
  std::uint64_t f = v & ((std::uint64_t(1) << 34) - 1);
  std::uint64_t bits = (std::uint64_t(negative) << 63) | (std::uint64_t(std::max(e, 1u) + 1022) << 52) | (f << 18);
  double d = DoubleFromBits(bits);
  // E = 0 is the denormal range: (1 + F/2^34) built above, the 1 taken off.
  if (e == 0) d = negative ? d + 1.0 : d - 1.0;
  return d;
}

ArchiveReader::ArchiveReader(InFileStream* input) : input_(input), startOffset_(input->Position()) {}

ArchiveReader::~ArchiveReader() { SyncInput(); }

void ArchiveReader::SetError() { error_ = true; }

void ArchiveReader::SyncInput() const {
  if (inflate_) return;  // the window holds inflated bytes, not the input's
  if (winPos_ > 0) input_->ConsumeWindow(winPos_);
  DropWindow();
}

void ArchiveReader::DropWindow() const {
  win_ = nullptr;
  winLen_ = winPos_ = 0;
}

bool ArchiveReader::Refill() const {
  if (inflate_) {
    DropWindow();
    if (!inflate_->IsGood()) return false;
    // After the end only a look-ahead byte may be left, and it can only be
    // taken by a read of exactly one byte.
    std::uint32_t got = inflate_->Read(inflated_.get(), inflate_->Ended() ? 1 : kInflateChunk);
    // A sub-stream that fails (bad data, a wrong trailer) spoils the record.
    if (!inflate_->IsGood() && !inflate_->Ended()) error_ = true;
    if (got == 0 || error_) return false;
    win_ = inflated_.get();
    winLen_ = got;
    return true;
  }
  SyncInput();
  std::uint32_t length = 0;
  const std::uint8_t* window = input_->GetReadWindow(length);
  if (!window || length == 0) return false;
  win_ = window;
  winLen_ = length;
  return true;
}

bool ArchiveReader::Exhausted() const { return winPos_ == winLen_ && !Refill(); }

bool ArchiveReader::AtEnd() const { return error_ || Exhausted(); }

bool ArchiveReader::CanRead(std::uint64_t count, std::uint64_t size) {
  if (error_) return false;
  bool ok;
  SyncInput();
  if (inflate_) {
    std::uint64_t left = input_->Size() - std::min(input_->Size(), input_->Position());
    std::uint64_t most = left * kMaxInflateRatio + kInflateSlack;
    ok = size == 0 || count <= most / size;
  } else {
    ok = input_->CanRead(count, size);
  }
  if (!ok) error_ = true;
  return ok;
}

bool ArchiveReader::SeekFromStart(std::uint64_t offset) {
  if (inflate_) return false;
  pending_ = 0;
  SyncInput();
  return input_->Seek(startOffset_ + offset);
}

void ArchiveReader::Count(const std::uint8_t* bytes, std::uint32_t n) {
  if (!checksumOn) return;
  std::uint32_t c = checksum_;
  for (std::uint32_t i = 0; i < n; ++i) c = archive::ChecksumStep(c, bytes[i]);
  checksum_ = c;
}

std::uint32_t ArchiveReader::Fail(void* buffer, std::uint32_t delivered, std::uint32_t n) {
  error_ = true;
  std::memset(static_cast<std::uint8_t*>(buffer) + delivered, 0, n - delivered);
  return delivered;
}

std::uint32_t ArchiveReader::Read(void* buffer, std::uint32_t n) {
  if (n == 0) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (error_) return Fail(buffer, 0, n);
  // Fast path: the whole field lies in the current window.
  if (winLen_ - winPos_ >= n) {
    const std::uint8_t* src = win_ + winPos_;
    winPos_ += n;
    if (pending_ == 0) {
      std::memcpy(out, src, n);
      Count(src, n);
      return n;
    }
    const unsigned k = pending_;
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint8_t b = src[i];
      out[i] = std::uint8_t((bitBuffer_ << (8 - k)) | (b >> k));
      bitBuffer_ = b;
    }
    Count(src, n);
    return n;
  }
  if (Exhausted()) return Fail(buffer, 0, n);
  if (pending_ == 0) {
    if (!inflate_) {
      // Check the size first, so that a corrupt length reads nothing at all.
      SyncInput();
      if (!input_->CanRead(n, 1)) return Fail(buffer, 0, n);
      if (input_->Read(out, n) < n) return Fail(buffer, 0, n);
    } else {
      // A sub-stream that ends inside the field cuts the record short; the
      // caller never sees bytes that were not produced.
      std::uint32_t done = 0;
      while (done < n) {
        if (winPos_ == winLen_ && !Refill()) return Fail(buffer, 0, n);
        std::uint32_t take = std::min(n - done, winLen_ - winPos_);
        std::memcpy(out + done, win_ + winPos_, take);
        winPos_ += take;
        done += take;
      }
    }
    Count(out, n);
    return n;
  }
  const unsigned k = pending_;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (error_ || Exhausted()) return Fail(buffer, i, n);
    std::uint8_t b = FetchByte();
    out[i] = std::uint8_t((bitBuffer_ << (8 - k)) | (b >> k));
    bitBuffer_ = b;
  }
  return n;
}

void ArchiveReader::SkipBytes(std::uint64_t n) {
  for (; n > 0; --n) {
    if (error_ || Exhausted()) {
      error_ = true;
      return;
    }
    bitBuffer_ = FetchByte();
  }
}

void ArchiveReader::ReadNumberBytes(std::uint8_t* bytes, std::uint32_t n) {
  if (Read(bytes, n) != n) std::memset(bytes, 0, n);
}

std::int16_t ArchiveReader::ReadInt16() { return std::int16_t(ReadUInt16()); }

std::uint16_t ArchiveReader::ReadUInt16() {
  std::uint8_t b[2];
  ReadNumberBytes(b, 2);
  return std::uint16_t(LoadLE(b, 2));
}

std::int32_t ArchiveReader::ReadInt32() { return std::int32_t(ReadRaw32()); }

std::uint32_t ArchiveReader::ReadRaw32() {
  std::uint8_t b[4];
  ReadNumberBytes(b, 4);
  return std::uint32_t(LoadLE(b, 4));
}

double ArchiveReader::ReadFloat() { return std::bit_cast<float>(ReadRaw32()); }

double ArchiveReader::ReadDouble() {
  std::uint8_t b[8];
  ReadNumberBytes(b, 8);
  return DoubleFromBits(LoadLE(b, 8));
}

DPoint ArchiveReader::ReadFloatPoint() {
  double x = ReadFloat();
  return {x, ReadFloat()};
}

double ArchiveReader::ReadReal() {
  bool full = ReadBit();
  if (realFormat == 0) {
    std::uint8_t b[5] = {0, 0, 0, 0, 0};
    if (full) {
      ReadNumberBytes(b, 5);
    } else {
      ReadNumberBytes(b + 2, 3);
    }
    return LegacyRealToDouble(b);
  }
  std::uint8_t b[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  if (full) {
    ReadNumberBytes(b, 8);
  } else {
    ReadNumberBytes(b + 4, 4);
  }
  return DoubleFromBits(LoadLE(b, 8));
}

double ArchiveReader::ReadCompactDouble() {
  if (ReadBit()) return ReadReal();
  if (!ReadBit()) return 0.0;
  std::uint8_t top[2];
  ReadNumberBytes(top, 2);
  if (realFormat == 0) {
    std::uint8_t b[5] = {0, 0, 0, top[0], top[1]};
    return LegacyRealToDouble(b);
  }
  return DoubleFromBits(LoadLE(top, 2) << 48);
}

double ArchiveReader::ReadRealOrUnit() {
  if (ReadBit()) return ReadReal();
  return ReadBit() ? 1.0 : 0.0;
}

double ArchiveReader::ReadDeltaValue(double previous) { return ReadBit() ? ReadReal() : previous; }

DPoint ArchiveReader::ReadCompactPoint() {
  double x = ReadCompactDouble();
  return {x, ReadCompactDouble()};
}

DPoint ArchiveReader::ReadUnitPoint() {
  double x = ReadRealOrUnit();
  return {x, ReadRealOrUnit()};
}

DPoint ArchiveReader::ReadRealPoint() {
  double x = ReadReal();
  return {x, ReadReal()};
}

DPoint ArchiveReader::ReadDeltaPoint(const DPoint& previous) {
  double x = ReadDeltaValue(previous.x);
  return {x, ReadDeltaValue(previous.y)};
}

std::uint8_t ArchiveReader::ReadSmallByte() {
  if (!ReadBit()) return std::uint8_t(ReadBit());
  if (!ReadBit()) return std::uint8_t(ReadBits(4));
  return ReadByte();
}

std::uint8_t ArchiveReader::ReadOptionalByte() { return ReadBit() ? ReadByte() : 0; }

std::uint16_t ArchiveReader::ReadCompactU16() {
  switch (ReadBits(2)) {
    case 0: return 0;
    case 1: return std::uint16_t(ReadBits(4));
    case 2: return ReadByte();
    default: return ReadUInt16();
  }
}

std::uint32_t ArchiveReader::ReadCompactU32() {
  switch (ReadBits(2)) {
    case 0: return ReadBits(4);
    case 1: return ReadByte();
    case 2: return ReadUInt16();
    default: return ReadRaw32();
  }
}

std::uint32_t ArchiveReader::ReadColor() {
  switch (ReadBits(2)) {
    case 0: return 0;
    case 1: return archive::kColorNotSet;
    case 2: return archive::kPalette[ReadBits(4)];
    default: {
      std::uint8_t rgb[3];
      ReadNumberBytes(rgb, 3);
      return std::uint32_t(LoadLE(rgb, 3));
    }
  }
}

bool ArchiveReader::ReadString(WString& out, bool longForm) {
  out.Clear();
  std::uint32_t length = longForm ? ReadCompactU32() : ReadCompactU16();
  if (error_) return false;
  if (length == 0) return true;
  // Each code unit takes at least one byte: a length the input cannot hold is
  // refused before any room is made for it.
  if (!CanRead(length, 1)) return false;
  std::u16string units;
  units.reserve(std::min<std::uint32_t>(length, 4096));
  for (std::uint32_t i = 0; i < length; ++i) {
    if (error_ || Exhausted()) {
      if (!error_) error_ = true;
      return false;
    }
    if (ReadBit()) {
      std::uint8_t b[2];
      Read(b, 2);
      units.push_back(char16_t(LoadLE(b, 2)));
    } else {
      units.push_back(char16_t(ReadBits(7)));
    }
  }
  if (error_) return false;
  out = WString(std::u16string_view(units));
  return true;
}

void ArchiveReader::BeginInflate(int mode) {
  SyncInput();
  DropWindow();  // bytes inflated by an earlier sub-stream are gone with it
  inflate_.reset();
  inflate_ = std::make_unique<InflateReader>(input_, mode);
  if (!inflated_) inflated_ = std::make_unique<std::uint8_t[]>(kInflateChunk);
}

std::uint32_t ArchiveReader::EndSubStreamAndReadWord() {
  pending_ = 0;
  SyncInput();
  DropWindow();
  inflate_.reset();
  checksumOn = false;
  std::uint8_t b[4] = {0, 0, 0, 0};
  if (error_ || input_->Read(b, 4) != 4) error_ = true;
  return std::uint32_t(LoadLE(b, 4));
}

std::uint32_t ArchiveReader::TakeChecksum() {
  pending_ = 0;
  return checksum_;
}

bool ArchiveReader::ReadIntoVector(std::vector<std::uint8_t>& out, std::uint64_t n) {
  out.clear();
  if (n == 0) return true;
  if (n > 0xFFFFFFFFull) {
    // No field of the format is that large; the length is corrupt.
    error_ = true;
    return false;
  }
  std::uint64_t target = std::min<std::uint64_t>(n, 1'000'000);
  while (true) {
    std::uint64_t have = out.size();
    out.resize(target);
    std::uint32_t want = std::uint32_t(target - have);
    if (error_ || Exhausted() || Read(out.data() + have, want) != want) {
      out.clear();
      out.shrink_to_fit();
      error_ = true;
      return false;
    }
    if (target == n) return true;
    target = std::min(n, target * 2);
  }
}

std::unique_ptr<std::uint8_t[]> ArchiveReader::ReadAlloc(std::uint64_t n) {
  std::vector<std::uint8_t> bytes;
  if (!ReadIntoVector(bytes, n)) return nullptr;
  auto block = std::make_unique<std::uint8_t[]>(n + 1);
  if (n > 0) std::memcpy(block.get(), bytes.data(), n);
  return block;
}

}  // namespace kvn
