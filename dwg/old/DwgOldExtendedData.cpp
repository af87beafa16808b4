// Extended entity data of R11/R12 records, read into the record as
// 1000-series items. The block (a u16 size, then that many bytes) holds
// items of a code byte and a value, as in later releases, except that the
// application is a u16 index into the APPID table and a string has no code
// page of its own (the drawing's applies):
//   0 string (u8 length, bytes) -> 1000      1 application (u16) dropped
//   2 brace (u8) dropped                     3, 5 reference (8 bytes) dropped
//   4 binary (u8 length, bytes) dropped      10-13 point (3 doubles) -> 1010+
//   40-42 double -> 1040+                    70 u16 -> 1070, 71 u32 -> 1071
// An unknown code or an item running past the block ends the reading of the
// block; the rest of it is passed over, so the record stays aligned.
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "dwg/old/DwgOldReader.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {

namespace {

class ItemReader {
 public:
  explicit ItemReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::size_t n) const { return n <= bytes_.size() - at_; }
  bool AtEnd() const { return at_ >= bytes_.size(); }
  std::uint8_t U8() { return bytes_[at_++]; }
  std::uint16_t U16() {
    const std::uint16_t v = std::uint16_t(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return v;
  }
  std::uint32_t U32() {
    const std::uint32_t v = U16();
    return v | std::uint32_t(U16()) << 16;
  }
  double Double() {
    double v = 0.0;
    std::memcpy(&v, bytes_.data() + at_, 8);
    at_ += 8;
    return v;
  }
  std::string Bytes(std::size_t n) {
    std::string text(reinterpret_cast<const char*>(bytes_.data() + at_), n);
    at_ += n;
    return text;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// One item into the record; false when the block cannot hold it or its code
// is unknown.
bool ReadItem(ItemReader& in, YxxfGroupRecord& record) {
  const std::uint8_t code = in.U8();
  switch (code) {
    case 0: {
      if (!in.Has(1)) return false;
      const std::uint8_t n = in.U8();
      if (!in.Has(n)) return false;
      std::string text = in.Bytes(n);
      text.resize(strnlen(text.c_str(), text.size()));
      record.AddString(1000, std::string_view(text));
      return true;
    }
    case 1:
      if (!in.Has(2)) return false;
      in.U16();
      return true;
    case 2:
      if (!in.Has(1)) return false;
      in.U8();
      return true;
    case 3:
    case 5:
      if (!in.Has(8)) return false;
      in.Bytes(8);
      return true;
    case 4: {
      if (!in.Has(1)) return false;
      const std::uint8_t n = in.U8();
      if (!in.Has(n)) return false;
      in.Bytes(n);
      return true;
    }
    case 10:
    case 11:
    case 12:
    case 13: {
      if (!in.Has(24)) return false;
      const std::uint16_t c = std::uint16_t(1000 + code);
      record.AddDouble(c, in.Double());
      record.AddDouble(std::uint16_t(c + 10), in.Double());
      record.AddDouble(std::uint16_t(c + 20), in.Double());
      return true;
    }
    case 40:
    case 41:
    case 42:
      if (!in.Has(8)) return false;
      record.AddDouble(std::uint16_t(1000 + code), in.Double());
      return true;
    case 70:
      if (!in.Has(2)) return false;
      record.AddInt(1070, std::int16_t(in.U16()));
      return true;
    case 71:
      if (!in.Has(4)) return false;
      record.AddInt(1071, std::int32_t(in.U32()));
      return true;
    default: return false;
  }
}

}  // namespace

void ReadOldExtendedData(OldDwgState& state, YxxfGroupRecord& record) {
  const std::uint16_t size = state.U16();
  // Read through the check word like every other byte of the record.
  std::vector<std::uint8_t> bytes;
  bytes.reserve(size);
  for (std::uint32_t i = 0; i < size; ++i) {
    if (state.AtEnd()) {
      state.failed = true;
      return;
    }
    bytes.push_back(state.U8());
  }
  ItemReader in(bytes);
  while (!in.AtEnd() && ReadItem(in, record)) {
  }
}

}  // namespace kvn
