#include "dwg/objects/DwgCrc.h"

namespace kvn {

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) Crc16Step(crc, bytes[i]);
  return crc;
}

}  // namespace kvn
