#include "platform/fonts/SfntFamilyName.h"

namespace kvn {

namespace {

std::uint32_t Be16(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | p[1]; }
std::uint32_t SfntBe32(const std::uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }

// The decoded string of one name record; empty when its platform and
// encoding are not read or it runs past the end.
WString DecodeName(const std::uint8_t* bytes, std::size_t size, std::uint32_t platform, std::uint32_t encoding,
                   std::uint64_t at, std::uint32_t length) {
  WString out;
  const bool utf16 = (platform == 0 && (encoding == 0 || encoding == 3)) ||
                     (platform == 3 && (encoding == 0 || encoding == 1 || encoding == 10));
  const bool roman = platform == 1 && encoding == 0;
  if ((!utf16 && !roman) || at + length > size) return out;
  if (utf16) {
    for (std::uint32_t i = 0; i + 1 < length; i += 2) out.AppendChar(char16_t(Be16(bytes + at + i)));
  } else {
    out.AssignBytes(1252, reinterpret_cast<const char*>(bytes + at), int(length));
  }
  const int nul = out.FindChar(0);
  if (nul >= 0) out = out.Mid(0, nul);
  return out;
}

}  // namespace

WString ReadSfntFamilyName(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr || size < 12 || SfntBe32(bytes) != 0x00010000u) return WString();
  const std::uint32_t numTables = Be16(bytes + 4);
  if (numTables == 0) return WString();
  std::uint64_t tableOffset = 0;
  bool found = false;
  for (std::uint32_t t = 0; t < numTables; ++t) {
    const std::uint64_t rec = 12 + std::uint64_t(t) * 16;
    if (rec + 16 > size) return WString();
    if (bytes[rec] == 'n' && bytes[rec + 1] == 'a' && bytes[rec + 2] == 'm' && bytes[rec + 3] == 'e') {
      tableOffset = SfntBe32(bytes + rec + 8);
      found = true;
      break;
    }
  }
  if (!found || tableOffset + 6 > size) return WString();
  const std::uint32_t count = Be16(bytes + tableOffset + 2);
  const std::uint64_t strings = tableOffset + Be16(bytes + tableOffset + 4);
  WString byPlatform[4];
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t rec = tableOffset + 6 + std::uint64_t(i) * 12;
    if (rec + 12 > size) break;
    const std::uint8_t* r = bytes + rec;
    const std::uint32_t platform = Be16(r), encoding = Be16(r + 2), nameId = Be16(r + 6);
    const std::uint32_t length = Be16(r + 8), offset = Be16(r + 10);
    if (nameId != 1 || length >= 32000 || platform > 3 || platform == 2) continue;
    WString name = DecodeName(bytes, size, platform, encoding, strings + offset, length);
    if (!name.IsEmpty()) byPlatform[platform] = name;
  }
  if (!byPlatform[3].IsEmpty()) return byPlatform[3];
  if (!byPlatform[1].IsEmpty()) return byPlatform[1];
  return byPlatform[0];
}

}  // namespace kvn
