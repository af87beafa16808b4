// Primitive reads of the R11/R12 reader, every byte through the check word.
#include <cstring>

#include "document/ProgressMonitor.h"
#include "dwg/objects/DwgCrc.h"
#include "dwg/old/DwgOldReader.h"
#include "foundation/InFileStream.h"
#include "import/records/TextCodePage.h"

namespace kvn {

OldDwgState::OldDwgState(InFileStream& input, YxxfReader& context, ProgressMonitor* progress, const WString& name)
    : in(input), reader(context), monitor(progress), fileName(name), fileSize(input.Size()) {}

bool OldDwgState::AtEnd() const { return in.Position() >= fileSize; }

std::uint8_t OldDwgState::U8() {
  if (AtEnd()) return 0;
  const std::uint8_t b = in.ReadByte();
  Crc16Step(crc, b);
  return b;
}

std::uint16_t OldDwgState::U16() {
  const std::uint16_t lo = U8();
  return std::uint16_t(lo | U8() << 8);
}

std::uint32_t OldDwgState::U32() {
  const std::uint32_t lo = U16();
  return lo | std::uint32_t(U16()) << 16;
}

double OldDwgState::Double() {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= std::uint64_t(U8()) << (8 * i);
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool OldDwgState::Skip(std::uint64_t n) {
  for (std::uint64_t i = 0; i < n; ++i) {
    if (AtEnd()) {
      failed = true;
      return false;
    }
    U8();
  }
  return true;
}

std::string OldDwgState::FixedText(std::uint32_t n) {
  std::string text;
  bool cut = false;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (AtEnd()) {
      failed = true;
      break;
    }
    const char c = char(U8());
    if (c == 0) cut = true;
    if (!cut) text.push_back(c);
  }
  return text;
}

std::string OldDwgState::CountedText() {
  const std::uint16_t n = U16();
  std::string text;
  text.reserve(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (AtEnd()) {
      failed = true;
      break;
    }
    text.push_back(char(U8()));
  }
  return text;
}

WString OldDwgState::Decode(const std::string& bytes) const {
  return DecodeNarrowText(codePage, bytes.data(), int(bytes.size()));
}

bool OldDwgState::MoveTo(std::uint64_t target) {
  const std::uint64_t pos = in.Position();
  if (pos > target) return in.Seek(target);
  return Skip(target - pos);
}

bool OldDwgState::CheckWordHolds() {
  const std::uint16_t computed = crc;
  const std::uint16_t stored = U16();
  return stored == computed || (stored == 0 && !headerChecked);
}

bool OldDwgState::Progress() {
  if (!monitor || cancelled) return !cancelled;
  const std::uint32_t percent = fileSize == 0 ? 0 : std::uint32_t(in.Position() * 75 / fileSize);
  if (!monitor->Step(percent, true, &fileName, nullptr, false)) cancelled = true;
  return !cancelled;
}

}  // namespace kvn
