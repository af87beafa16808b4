// What the archive reader and writer share: the colour palette and the
// checksum step.
#pragma once

#include <array>
#include <cstdint>

namespace kvn::archive {

// Colours are 0x00BBGGRR; a 4-bit code names one of these.
inline constexpr std::array<std::uint32_t, 16> kPalette = {
    0x000000, 0x808080, 0x000080, 0x008080, 0x008000, 0x808000, 0x800000, 0x800080,
    0xFFFFFF, 0xC0C0C0, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF};

// The colour value that means "not set".
inline constexpr std::uint32_t kColorNotSet = 0x80000000;

// Rotate-XOR checksum of one byte: the byte is taken as b + 1 (1..256), so
// 0xFF sets bit 8 before the rotation.
inline std::uint32_t ChecksumStep(std::uint32_t checksum, std::uint8_t b) {
  checksum ^= std::uint32_t(b) + 1u;
  return (checksum << 1) | (checksum >> 31);
}

}  // namespace kvn::archive
