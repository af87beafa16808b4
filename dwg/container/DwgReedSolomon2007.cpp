#include <array>

#include "dwg/container/DwgDecompress2007.h"

namespace kvn {

namespace {

struct Field {
  std::array<std::uint8_t, 256> exp{};
  std::array<int, 256> log{};
  explicit Field(unsigned polynomial) {
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[std::size_t(i)] = std::uint8_t(x);
      log[x] = i;
      x <<= 1;
      if (x & 0x100u) x ^= polynomial;
    }
  }
};

const Field& SystemField() {
  static const Field field(0x169);
  return field;
}
const Field& DataField() {
  static const Field field(0x11D);
  return field;
}

bool BlockPasses(const std::uint8_t* block, const Field& field, int roots) {
  for (int i = 1; i <= roots; ++i) {
    unsigned s = 0;
    for (int j = 0; j < 255; ++j) {
      if (block[j] != 0) s ^= field.exp[std::size_t((field.log[block[j]] + i * j) % 255)];
    }
    if (s != 0) return false;
  }
  return true;
}

}  // namespace

std::uint64_t RsBlockCount2007(std::uint64_t n) {
  if (n > (std::uint64_t(1) << 40)) n = std::uint64_t(1) << 40;  // far beyond any file; keeps the sums in range
  const std::uint64_t rounded = (n + 7) & ~std::uint64_t(7);
  const std::uint64_t b = (2 * rounded + 238) / 239;
  const std::uint64_t s = 255 * b;
  if (s < 1024) return 4;
  return ((s + 31) & ~std::uint64_t(31)) / 255;
}

bool DecodeRsBlocks2007(std::span<const std::uint8_t> interleaved, bool systemCode, std::uint64_t blocks,
                        std::vector<std::uint8_t>& output) {
  output.clear();
  if (blocks == 0 || interleaved.size() / 255 != blocks || interleaved.size() % 255 != 0) return false;
  const std::size_t k = std::size_t(blocks);
  output.resize(255 * k);
  for (std::size_t r = 0; r < 255; ++r) {
    for (std::size_t j = 0; j < k; ++j) output[255 * j + r] = interleaved[r * k + j];
  }
  const Field& field = systemCode ? SystemField() : DataField();
  const int roots = systemCode ? 16 : 4;
  const std::size_t data = systemCode ? 239 : 251;
  for (std::size_t j = 0; j < k; ++j) {
    if (!BlockPasses(output.data() + 255 * j, field, roots)) {
      output.clear();
      return false;
    }
  }
  std::size_t to = 0;
  for (std::size_t j = 0; j < k; ++j) {
    for (std::size_t i = 0; i < data; ++i) output[to++] = output[255 * j + i];
  }
  output.resize(to);
  return true;
}

}  // namespace kvn
