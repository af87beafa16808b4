#include "dwg/container/DwgDecompress2004.h"

namespace kvn {

std::uint32_t ReadDwgLongLength(std::span<const std::uint8_t> input, std::size_t& position, std::size_t limit) {
  if (limit > input.size()) limit = input.size();
  std::uint64_t total = 0;
  while (position < limit) {
    const std::uint8_t b = input[position++];
    if (b != 0) {
      total += b;
      // A run too long for 32 bits is longer than any page.
      return total > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(total);
    }
    total += 255;
  }
  return 0;
}

}  // namespace kvn
