#include "dwg/objects/DwgCrc.h"

namespace kvn {

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* bytes, std::size_t n) {
  const auto& t = crc_detail::kCrcSlices;
  for (; n >= 8; n -= 8, bytes += 8) {
    const unsigned x = crc ^ (unsigned(bytes[0]) | unsigned(bytes[1]) << 8);
    crc = std::uint16_t(t[7][x & 0xFF] ^ t[6][x >> 8] ^ t[5][bytes[2]] ^ t[4][bytes[3]] ^ t[3][bytes[4]] ^
                        t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]]);
  }
  for (std::size_t i = 0; i < n; ++i) Crc16Step(crc, bytes[i]);
  return crc;
}

}  // namespace kvn
