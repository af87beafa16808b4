// The primitives of the DWG bit stream.
#include <cmath>
#include <cstring>

#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgCrc.h"
#include "dwg/objects/DwgReader.h"
#include "import/records/AciColors.h"
#include "import/records/DwgCodePages.h"
#include "import/records/TextCodePage.h"

namespace kvn {

namespace {

// Start sentinels 1, 3, 5 and 7 as published; each end sentinel is the
// complement of its start.
constexpr std::uint8_t kFileHeaderEnd[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                             0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};
constexpr std::uint8_t kStarts[4][16] = {
    {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9, 0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F},
    {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5, 0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A},
    {0xD4, 0x7B, 0x21, 0xCE, 0x28, 0x93, 0x9F, 0xBF, 0x53, 0x24, 0x40, 0x09, 0x12, 0x3C, 0xAA, 0x01},
    {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28, 0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B},
};

std::uint8_t SentinelByte(int index, int i) {
  if (index == 0) return kFileHeaderEnd[i];
  int pair = (index - 1) / 2;
  return (index - 1) % 2 == 0 ? kStarts[pair][i] : std::uint8_t(~kStarts[pair][i]);
}

}  // namespace

DwgReader::DwgReader(const WString& fileName, int release, bool ac1012)
    : YxxfReader(fileName, kDwgReaderKind), release_(release), ac1012_(ac1012) {}

DwgReader::~DwgReader() = default;

// ---- source ----

void DwgReader::SetStringSource(DwgByteSource* source, std::uint64_t bitSize, std::uint32_t byteSize) {
  stringSource_ = source;
  stringBits_ = bitSize;
  stringBytes_ = byteSize;
}

std::uint8_t DwgReader::ReadSourceByteSlow() {
  if (budget_ == 0) {
    overrun_ = true;
    return 0;
  }
  --budget_;
  DwgByteSource* from = stringSwitched_ && stringSource_ ? stringSource_ : source_;
  std::uint8_t byte = 0;
  if (!from || !from->Take(byte)) {
    // The data end before the budget: the same as running out of it.
    overrun_ = true;
    budget_ = 0;
    return 0;
  }
  Crc16Step(crc_, byte);
  return byte;
}

bool DwgReader::ReadRawBytes(std::uint8_t* buffer, std::uint32_t n) {
  if (n > budget_) {
    overrun_ = true;
    return false;
  }
  for (std::uint32_t i = 0; i < n; ++i) buffer[i] = ReadSourceByte();
  return !overrun_;
}

std::uint16_t DwgReader::ReadRawShortAligned() {
  std::uint16_t lo = ReadSourceByte();
  return std::uint16_t(lo | ReadSourceByte() << 8);
}

std::uint32_t DwgReader::ReadRawLongAligned() {
  std::uint32_t lo = ReadRawShortAligned();
  return lo | std::uint32_t(ReadRawShortAligned()) << 16;
}

std::uint64_t DwgReader::GetSourcePosition() const {
  const DwgByteSource* from = stringSwitched_ && stringSource_ ? stringSource_ : source_;
  return from ? from->Position() : 0;
}

void DwgReader::ResetCursor() {
  curByte_ = 0;
  bitsLeft_ = 0;
  bitsCounted_ = 0;
}

bool DwgReader::CountFits(std::uint64_t count, std::uint32_t minBits) {
  if (count == 0) return true;
  std::uint64_t left = BitsLeft();
  if (minBits == 0) minBits = 1;
  if (count > left / minBits) {
    overrun_ = true;
    return false;
  }
  return true;
}

// ---- bit cursor ----

void DwgReader::ReadRawRun(std::uint8_t* out, std::uint32_t n) {
  DwgByteSource* from = ActiveSource();
  const std::uint8_t* run = budget_ >= n && from ? from->TakeRun(n) : nullptr;
  if (!run) {
    for (std::uint32_t i = 0; i < n; ++i) out[i] = ReadRawChar();
    return;
  }
  budget_ -= n;
  // The check word runs over the source bytes: eight at a time for a
  // double, in a local for a short run (`out` may alias any member).
  if (n >= 8) {
    crc_ = Crc16(crc_, run, n);
  } else {
    std::uint16_t crc = crc_;
    for (std::uint32_t i = 0; i < n; ++i) Crc16Step(crc, run[i]);
    crc_ = crc;
  }
  const unsigned left = bitsLeft_;
  if (left == 0) {
    std::memcpy(out, run, n);
    if (n != 0) curByte_ = run[n - 1];
  } else {
    std::uint8_t previous = curByte_;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t next = run[i];
      out[i] = std::uint8_t((previous << (8 - left)) | (next >> left));
      previous = next;
    }
    curByte_ = previous;
  }
  bitsCounted_ += 8ull * n;
}

std::uint16_t DwgReader::ReadRawShort() {
  std::uint8_t b[2];
  ReadRawRun(b, 2);
  return std::uint16_t(b[0] | b[1] << 8);
}

std::uint32_t DwgReader::ReadRawLong() {
  std::uint8_t b[4];
  ReadRawRun(b, 4);
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

double DwgReader::ReadRawDouble() {
  std::uint8_t bytes[8];
  ReadRawRun(bytes, 8);
  double d;
  std::memcpy(&d, bytes, 8);
  return d;
}

bool DwgReader::ReadByteRun(std::vector<std::uint8_t>* target, std::uint32_t n) {
  if (!CountFits(n, 8)) return false;
  std::vector<std::uint8_t>& out = target ? *target : scratch_;
  out.resize(n);
  if (n != 0) ReadRawRun(out.data(), n);
  return !overrun_;
}

std::uint16_t DwgReader::ReadBitShort() {
  switch (ReadBitPair()) {
    case 0: return ReadRawShort();
    case 1: return ReadRawChar();
    case 2: return 0;
    default: return 256;
  }
}

std::uint32_t DwgReader::ReadBitLong() {
  switch (ReadBitPair()) {
    case 0: return ReadRawLong();
    case 1: return ReadRawChar();
    default: return 0;
  }
}

std::uint32_t DwgReader::ReadBitLongLong() {
  int n = ReadBit() << 2;
  n |= ReadBitPair();
  std::uint32_t value = 0;
  for (int i = 0; i < n; ++i) {
    std::uint32_t byte = ReadRawChar();
    if (i < 4) value |= byte << (8 * i);
  }
  return value;
}

double DwgReader::ReadBitDouble() {
  switch (ReadBitPair()) {
    case 0: return ReadRawDouble();
    case 1: return 1.0;
    default: return 0.0;
  }
}

double DwgReader::ReadDefaultDouble(double def) {
  std::uint8_t bytes[8];
  std::memcpy(bytes, &def, 8);
  switch (ReadBitPair()) {
    case 0: return def;
    case 1: ReadRawRun(bytes, 4); break;
    case 2:
      ReadRawRun(bytes + 4, 2);
      ReadRawRun(bytes, 4);
      break;
    default: return ReadRawDouble();
  }
  double d;
  std::memcpy(&d, bytes, 8);
  return d;
}

void DwgReader::Read2RawDouble(double& x, double& y) {
  x = ReadRawDouble();
  y = ReadRawDouble();
}

void DwgReader::Read2BitDouble(double& x, double& y) {
  x = ReadBitDouble();
  y = ReadBitDouble();
}

void DwgReader::Read3BitDouble(double& x, double& y, double& z) {
  x = ReadBitDouble();
  y = ReadBitDouble();
  z = ReadBitDouble();
}

void DwgReader::EmitPoint(std::uint16_t code, double x, double y, double z) {
  record_.AddDouble(code, x);
  record_.AddDouble(std::uint16_t(code + 10), y);
  record_.AddDouble(std::uint16_t(code + 20), z);
}

void DwgReader::Read2RawDoubleZ(std::uint16_t code, double z) {
  double x, y;
  Read2RawDouble(x, y);
  EmitPoint(code, x, y, z);
}

double DwgReader::ReadThickness() {
  double t = 0.0;
  if (release_ <= dwgrelease::kR14) {
    t = ReadBitDouble();
  } else if (!ReadBit()) {
    t = ReadBitDouble();
  }
  record_.AddDouble(39, t);
  return t;
}

void DwgReader::ReadExtrusion() {
  double x = 0.0, y = 0.0, z = 1.0;
  if (release_ <= dwgrelease::kR14 || !ReadBit()) Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
}

// ---- modular numbers ----

bool DwgReader::ReadModularChar(std::int64_t& out, bool isUnsigned, std::uint32_t* byteCounter) {
  out = 0;
  std::uint64_t value = 0;
  for (int i = 0; i < 256; ++i) {
    std::uint8_t byte = ReadSourceByte();
    if (byteCounter) ++*byteCounter;
    bool more = (byte & 0x80) != 0;
    std::uint8_t bits = byte & 0x7F;
    bool negative = false;
    if (!more && !isUnsigned) {
      negative = (bits & 0x40) != 0;
      bits &= 0x3F;
    }
    // Bits past the 64th are dropped: a shift that wide has no meaning.
    const int shift = 7 * i;
    if (shift < 64) value |= std::uint64_t(bits) << shift;
    if (!more) {
      // Negated on the unsigned value: no overflow for any bit pattern.
      out = std::int64_t(negative ? 0 - value : value);
      return true;
    }
    if (overrun_) return false;
  }
  return false;
}

std::uint32_t DwgReader::ReadModularShort(std::uint32_t* wordCounter) {
  std::uint64_t value = 0;
  for (int i = 0; i < 256; ++i) {
    std::uint16_t word = ReadRawShortAligned();
    if (wordCounter) ++*wordCounter;
    const int shift = 15 * i;
    if (shift < 64) value |= std::uint64_t(word & 0x7FFF) << shift;
    if (!(word & 0x8000)) return std::uint32_t(value > 0xFFFFFFFFu ? 0 : value);
    if (overrun_) return 0;
  }
  return 0;
}

// ---- handles ----

std::uint64_t DwgReader::ReadHandle(int /*expectedCode*/) {
  std::uint8_t head = ReadRawChar();
  int code = head >> 4;
  int counter = head & 0x0F;
  std::uint8_t run[15];
  ReadRawRun(run, std::uint32_t(counter));
  std::uint64_t bytes = 0;
  // Only the last eight bytes make the value.
  for (int i = counter > 8 ? counter - 8 : 0; i < counter; ++i) bytes = bytes << 8 | run[i];
  switch (code) {
    case 6: return objectHandle_ + (counter ? bytes : 1);
    case 8: return objectHandle_ - (counter ? bytes : 1);
    case 10: return objectHandle_ + bytes;
    case 12: return objectHandle_ - bytes;
    default: return bytes;
  }
}

void DwgReader::ReadHandleRef(int expectedCode, std::uint64_t* out, std::uint16_t code) {
  if (preReadActive_) {
    if (preReadAt_ < preRead_.size()) {
      std::uint64_t h = preRead_[preReadAt_++];
      if (out) *out = h;
    }
    return;
  }
  if (release_ >= dwgrelease::kR2007) {
    handles_.push_back({out, code, std::uint8_t(expectedCode), record_.SubRecord()});
    return;
  }
  std::uint64_t h = ReadHandle(expectedCode);
  if (out) *out = h;
  if (code != 0) record_.AddHandle(code, h);
}

// ---- texts ----

void DwgReader::EmitText(std::uint16_t code, const WString& text) { record_.AddWide(code, text.View()); }

WString DwgReader::ReadTextValue() {
  std::uint16_t n = ReadBitShort();
  if (!ReadByteRun(nullptr, n)) return WString();
  std::size_t len = 0;
  while (len < scratch_.size() && scratch_[len] != 0) ++len;
  return DecodeNarrowText(CodePageForBytes(TextCodePage()), reinterpret_cast<const char*>(scratch_.data()), int(len));
}

void DwgReader::ReadText(WString* target, std::uint16_t code) {
  if (release_ >= dwgrelease::kR2007) {
    texts_.push_back({target, code, record_.SubRecord()});
    return;
  }
  WString text = ReadTextValue();
  if (code != 0) EmitText(code, text);
  if (target) *target = std::move(text);
}

bool DwgReader::ResolveDeferredTexts() {
  std::u16string units;
  for (const DeferredText& entry : texts_) {
    std::uint16_t n = ReadBitShort();
    if (!CountFits(n, 16)) return false;
    units.resize(n);
    for (std::uint16_t i = 0; i < n; ++i) units[i] = ReadRawShort();
    if (overrun_) return false;
    std::size_t len = units.find(u'\0');
    if (len == std::u16string::npos) len = units.size();
    std::u16string_view text(units.data(), len);
    if (entry.target) *entry.target = WString(text);
    if (entry.code != 0) {
      std::uint8_t current = record_.SubRecord();
      if (entry.subRecord != current) record_.SwitchSubRecord(entry.subRecord);
      record_.AddWide(entry.code, text);
      if (entry.subRecord != current) record_.SwitchSubRecord(current);
    }
  }
  return !overrun_;
}

bool DwgReader::ResolveDeferredHandles(std::uint64_t bitLimit) {
  bitsCounted_ = 0;
  std::size_t done = 0;
  const std::uint8_t current = record_.SubRecord();
  for (int pass = 0; done < handles_.size() && pass < 256; ++pass) {
    bool switched = false;
    for (const DeferredHandle& entry : handles_) {
      if (entry.subRecord != pass) continue;
      std::uint64_t h = ReadHandle(entry.expected);
      ++done;
      if (overrun_ || bitsCounted_ > bitLimit) return false;
      if (entry.target) *entry.target = h;
      if (entry.code == 0) continue;
      if (!switched && pass != current) {
        record_.SwitchSubRecord(std::uint8_t(pass));
        switched = true;
      }
      record_.AddHandle(entry.code, h);
    }
    if (switched) record_.SwitchSubRecord(current);
  }
  return !overrun_;
}

// ---- colours ----

std::uint16_t DwgReader::ReadEntityColor(bool& colorBook, std::int32_t& rgb) {
  rgb = -1;
  std::uint16_t value = ReadBitShort();
  if (release_ < dwgrelease::kR2004 || value <= 256) return value;
  std::uint16_t index = value & 0xFF;
  if (value & 0x4000) {
    colorBook = true;
  } else if (value & 0x8000) {
    std::uint32_t stored = ReadBitLong();
    // The high byte says how the colour is given: only 0xC2 is a true
    // colour; 0xC3 is an index in the low byte, 0xC0 by layer, 0xC1 by block.
    switch (stored >> 24) {
      case 0xC2: rgb = std::int32_t(stored & 0xFFFFFF); break;
      case 0xC3: index = stored & 0xFF; break;
      case 0xC0: index = 256; break;
      case 0xC1: index = 0; break;
      default: break;
    }
  }
  if (value & 0x2000) ReadBitLong();
  return index;
}

std::uint32_t DwgReader::ReadObjectColor() {
  std::uint16_t index = ReadBitShort();
  if (release_ < dwgrelease::kR2004) {
    std::uint32_t bgr = AciToRgb(index, -1);
    return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
  }
  std::uint32_t rgb = ReadBitLong();
  std::uint8_t flags = ReadRawChar();
  // The colour and book names are texts: from R2007 in the string data.
  for (int bit : {1, 2}) {
    if (!(flags & bit)) continue;
    if (release_ >= dwgrelease::kR2007) {
      ReadText(nullptr, 0);
    } else {
      ReadTextValue();
    }
  }
  return rgb;
}

// ---- extended data ----

bool DwgReader::ReadExtendedData(bool readApplicationHandle) {
  for (;;) {
    std::uint16_t size = ReadBitShort();
    if (size == 0 || overrun_) break;
    if (readApplicationHandle) ReadHandle(5);
    if (!CountFits(size, 8)) return false;
    const std::uint64_t start = bitsCounted_;
    const std::uint64_t end = start + std::uint64_t(size) * 8;
    while (bitsCounted_ < end && !overrun_) {
      std::uint8_t item = ReadRawChar();
      switch (item) {
        case 0: {
          if (release_ < dwgrelease::kR2007) {
            std::uint8_t n = ReadRawChar();
            int row = ReadRawChar() << 8;
            row |= ReadRawChar();
            int cp = CodePageFromIndex(row);
            if (cp == 0) cp = TextCodePage();
            ReadByteRun(nullptr, n);
            std::size_t len = 0;
            while (len < scratch_.size() && scratch_[len] != 0) ++len;
            eedText_ = DecodeNarrowText(CodePageForBytes(cp), reinterpret_cast<const char*>(scratch_.data()), int(len));
          } else {
            std::uint16_t n = ReadRawShort();
            if (!CountFits(n, 16)) return false;
            std::u16string units(n, u'\0');
            for (std::uint16_t i = 0; i < n; ++i) units[i] = ReadRawShort();
            std::size_t len = units.find(u'\0');
            eedText_ = WString(std::u16string_view(units.data(), len == std::u16string::npos ? n : len));
          }
          EmitText(1000, eedText_);
          break;
        }
        case 2: ReadRawChar(); break;
        case 3:
        case 5:
          for (int i = 0; i < 8; ++i) ReadRawChar();
          break;
        case 4: {
          std::uint8_t n = ReadRawChar();
          ReadByteRun(nullptr, n);
          break;
        }
        case 10:
        case 11:
        case 12:
        case 13: {
          double x = ReadRawDouble(), y = ReadRawDouble(), z = ReadRawDouble();
          EmitPoint(std::uint16_t(1000 + item), x, y, z);
          break;
        }
        case 40:
        case 41:
        case 42: EmitDouble(std::uint16_t(1000 + item), ReadRawDouble()); break;
        case 70: record_.AddInt16(1070, std::int16_t(ReadRawShort())); break;
        case 71:
          last1071_ = std::int32_t(ReadRawLong());
          record_.AddInt32(1071, last1071_);
          break;
        default:
          while (bitsCounted_ < end && !overrun_) ReadRawChar();
          break;
      }
    }
    if (overrun_) return false;
  }
  return !overrun_;
}

// ---- sentinels and errors ----

bool DwgReader::FindSentinel(int index) {
  if (index < 0 || index > 8) return false;
  int matched = 0;
  while (matched < 16) {
    if (budget_ == 0) {
      SetReaderError(10009, std::uint16_t(index));
      return false;
    }
    std::uint8_t byte = ReadSourceByte();
    if (overrun_) {
      SetReaderError(10009, std::uint16_t(index));
      return false;
    }
    if (byte == SentinelByte(index, matched)) {
      ++matched;
    } else {
      matched = byte == SentinelByte(index, 0) ? 1 : 0;
    }
  }
  sentinel_ = index + 1;
  return true;
}

void DwgReader::SetReaderError(std::uint16_t code, std::uint16_t subCode) {
  if (errorSet_) return;
  errorSet_ = true;
  errorCode_ = code;
  errorSub_ = subCode;
}

void DwgReader::SetPreReadHandles(std::vector<std::uint64_t> handles) {
  preRead_ = std::move(handles);
  preReadAt_ = 0;
  preReadSupplied_ = true;
  preReadActive_ = false;
}

void DwgReader::DropBits(std::uint64_t upTo) {
  while (bitsCounted_ < upTo && !overrun_) ReadBit();
}

}  // namespace kvn
