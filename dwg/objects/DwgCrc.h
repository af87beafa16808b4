// The 16-bit check word of DWG objects and old-release sections: the
// reflected CRC-16 of polynomial 0xA001 (0x8005 reversed), whose table entry
// 1 is 0xC0C1; objects start it at 0xC0C1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

inline constexpr std::uint16_t kDwgCrcSeed = 0xC0C1;

// crc = (crc >> 8) ^ T[(crc ^ byte) & 0xFF]
void Crc16Step(std::uint16_t& crc, std::uint8_t byte);
std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* bytes, std::size_t n);

}  // namespace kvn
