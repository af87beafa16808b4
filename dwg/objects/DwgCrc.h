// The 16-bit check word of DWG objects and old-release sections: the
// reflected CRC-16 of polynomial 0xA001 (0x8005 reversed), whose table entry
// 1 is 0xC0C1; objects start it at 0xC0C1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvn {

inline constexpr std::uint16_t kDwgCrcSeed = 0xC0C1;

namespace crc_detail {
constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned v = i;
    for (int k = 0; k < 8; ++k) v = (v & 1) ? (v >> 1) ^ 0xA001u : v >> 1;
    table[i] = std::uint16_t(v);
  }
  return table;
}
inline constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0xC0C1, "the DWG CRC table");
// Tables k = 1..7: entry i is the step of byte i followed by k zero bytes,
// so that eight bytes fold into the check word in one step.
constexpr std::array<std::array<std::uint16_t, 256>, 8> MakeCrcSlices() {
  std::array<std::array<std::uint16_t, 256>, 8> slices{};
  slices[0] = MakeCrcTable();
  for (std::size_t k = 1; k < 8; ++k) {
    for (unsigned i = 0; i < 256; ++i) {
      const std::uint16_t v = slices[k - 1][i];
      slices[k][i] = std::uint16_t((v >> 8) ^ slices[0][v & 0xFF]);
    }
  }
  return slices;
}
inline constexpr std::array<std::array<std::uint16_t, 256>, 8> kCrcSlices = MakeCrcSlices();
}  // namespace crc_detail

// crc = (crc >> 8) ^ T[(crc ^ byte) & 0xFF]; inline, since the bit reader
// takes it for every byte of a drawing.
inline void Crc16Step(std::uint16_t& crc, std::uint8_t byte) {
  crc = std::uint16_t((crc >> 8) ^ crc_detail::kCrcTable[(crc ^ byte) & 0xFF]);
}
// The same as n steps (eight bytes at a time).
std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* bytes, std::size_t n);

}  // namespace kvn
