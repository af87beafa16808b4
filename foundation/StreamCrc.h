// The check word of compressed sub-streams: CRC-32 over polynomial
// 0x04C11DB7, most significant bit first, no reflection, started at
// 0xCAFEDEAD, no final XOR. Stored after the compressed data as 4 bytes,
// least significant first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvn {

inline constexpr std::uint32_t kStreamCrcStart = 0xCAFEDEAD;

// crc = (crc << 8) ^ T[(crc >> 24) ^ byte] over the n bytes (null with n = 0 is fine).
std::uint32_t UpdateStreamCrc(std::uint32_t crc, const void* bytes, std::size_t n);

}  // namespace kvn
