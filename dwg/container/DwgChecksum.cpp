#include "dwg/container/DwgChecksum.h"

#include <zlib.h>

#include <algorithm>

namespace kvn {

std::uint32_t DwgChecksum(std::span<const std::uint8_t> bytes, std::uint32_t seed) {
  uLong sum = seed;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1u << 30);
    sum = adler32(sum, bytes.data() + at, uInt(n));
    at += n;
  }
  return std::uint32_t(sum);
}

}  // namespace kvn
