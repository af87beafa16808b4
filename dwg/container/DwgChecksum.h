// The check value of the R2004 container's pages: Adler-32 started from a
// seed instead of 1.
#pragma once

#include <cstdint>
#include <span>

namespace kvn {

std::uint32_t DwgChecksum(std::span<const std::uint8_t> bytes, std::uint32_t seed);

}  // namespace kvn
