#include "model/VersionedString.h"

#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"

namespace kvn {

namespace {
// Old files wrote their 8-bit names in the Central European code page.
constexpr int kOldNameCodePage = 1250;
}  // namespace

WString ReadArchiveWString(ArchiveReader& r) {
  std::u16string units;
  while (!r.AtEnd()) {
    char16_t c = char16_t(r.ReadUInt16());
    if (c == 0) break;  // also what a failed read gives
    units.push_back(c);
  }
  return WString(std::u16string_view(units));
}

AString ReadArchiveCString(ArchiveReader& r) {
  std::string bytes;
  while (!r.AtEnd()) {
    char c = char(r.ReadByte());
    if (c == 0) break;
    bytes.push_back(c);
  }
  return AString(bytes.c_str());
}

void ReadVersionedString(WString& out, ArchiveReader& r, int version) {
  if (VersionBelow(version, 3052)) {
    out = WString(kOldNameCodePage, ReadArchiveCString(r));
  } else if (VersionBelow(version, 3073)) {
    out = ReadArchiveWString(r);
  } else {
    r.ReadString(out, false);
  }
}

void WriteOptionalU8(ArchiveWriter& w, std::uint8_t value) {
  if (value == 255) {
    w.WriteBit(false);
    return;
  }
  w.WriteBit(true);
  w.WriteByte(value);
}

std::int8_t ReadOptionalFlagByte(ArchiveReader& r) {
  if (!r.ReadBit()) return -1;
  return std::int8_t(r.ReadByte());
}

}  // namespace kvn
