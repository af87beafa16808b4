#include "foundation/StreamCrc.h"

#include <array>

namespace kvn {

namespace {

// Table k gives the effect of a byte followed by k zero bytes, so eight bytes
// are folded in with eight independent look-ups (slicing by 8); the one-byte
// loop of the plain table was the slowest step of reading compressed drawings.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    t[0][i] = c;
  }
  for (int k = 1; k < 8; ++k) {
    for (std::uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
  }
  return t;
}

constexpr Tables kTables = MakeTables();

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

std::uint32_t UpdateStreamCrc(std::uint32_t crc, const void* bytes, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  const auto& t = kTables;
  while (n >= 8) {
    std::uint32_t a = crc ^ Be32(p);
    std::uint32_t b = Be32(p + 4);
    crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^ t[4][a & 0xFF] ^ t[3][b >> 24] ^
          t[2][(b >> 16) & 0xFF] ^ t[1][(b >> 8) & 0xFF] ^ t[0][b & 0xFF];
    p += 8;
    n -= 8;
  }
  for (; n > 0; --n) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p++];
  return crc;
}

}  // namespace kvn
