// The pieces of the DWG paged containers over arbitrary bytes: the R2004
// page decompression (with an expected size or none, always under a cap),
// the R2004 page and section maps, the R2007 decompression and the R2007
// Reed-Solomon check of both codes. The first byte picks the piece.
#include <random>
#include <vector>

#include "dwg/container/DwgDecompress2004.h"
#include "dwg/container/DwgDecompress2007.h"
#include "dwg/container/DwgSection2004.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgCompress2004.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  switch (data[0] % 6) {
    case 0: {
      std::vector<std::uint8_t> out;
      (void)DecompressDwg2004(rest, out, kDwgNoExpectedSize, 1u << 20);
      if (out.size() > (1u << 20)) __builtin_trap();
      break;
    }
    case 1: {
      std::vector<std::uint8_t> out;
      (void)DecompressDwg2004(rest, out, 0x7400, 1u << 20);
      if (out.size() > 0x7400) __builtin_trap();
      break;
    }
    case 3: {
      std::vector<std::uint8_t> out;
      (void)DecompressDwg2007(rest, out, 1u << 20);
      if (out.size() > (1u << 20)) __builtin_trap();
      break;
    }
    case 4: {
      std::vector<std::uint8_t> out;
      const std::size_t blocks = rest.size() / 255;
      (void)DecodeRsBlocks2007(rest.first(blocks * 255), (data[0] & 8) != 0, blocks, out);
      break;
    }
    default: {
      (void)ParseDwgPageMap2004(rest);
      std::vector<DwgSectionDescription> sections;
      std::uint16_t detail = 0;
      (void)ParseDwgSectionMap2004(rest, sections, detail);
      break;
    }
  }
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  std::vector<std::vector<std::uint8_t>> seeds;
  std::mt19937 rng(5);
  for (std::size_t n : {4u, 300u, 5000u}) {
    std::vector<std::uint8_t> plain(n);
    for (auto& b : plain) b = std::uint8_t(rng() % 4);
    for (std::uint8_t mode : {0, 1}) {
      std::vector<std::uint8_t> seed = {mode};
      const auto packed = test::CompressDwg2004(plain);
      seed.insert(seed.end(), packed.begin(), packed.end());
      seeds.push_back(seed);
    }
  }
  seeds.push_back({3, 0x20, 0x00, 0x00, 0x02, 'x', 'y'});
  seeds.push_back({3, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x31, 0x01, 'z'});
  std::vector<std::uint8_t> zeros(1 + 255 * 2, 0);  // all-zero blocks pass both codes
  zeros[0] = 4;
  seeds.push_back(zeros);
  zeros[0] = 12;
  seeds.push_back(zeros);
  std::vector<std::uint8_t> maps = {5, 1, 0, 0, 0};
  maps.resize(200, 0);
  seeds.push_back(maps);
  return seeds;
}
