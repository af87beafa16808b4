#include "dwg/objects/DwgCrc.h"

#include <array>

namespace kvn {

namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned v = i;
    for (int k = 0; k < 8; ++k) v = (v & 1) ? (v >> 1) ^ 0xA001u : v >> 1;
    table[i] = std::uint16_t(v);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0xC0C1, "the DWG CRC table");

}  // namespace

void Crc16Step(std::uint16_t& crc, std::uint8_t byte) {
  crc = std::uint16_t((crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFF]);
}

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) Crc16Step(crc, bytes[i]);
  return crc;
}

}  // namespace kvn
