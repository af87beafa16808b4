// The pieces of the DWG paged containers over arbitrary bytes: the R2004
// page decompression (with an expected size or none, always under a cap),
// the R2004 page and section maps, the R2007 decompression and the R2007
// Reed-Solomon check of both codes. The first byte picks the piece (its
// value modulo 6; for the Reed-Solomon check bit 3 picks the system code).
// Seeds: the system pages of the sample R2004-family files and the
// compressed header of the R2007 sample, when the samples are there, and
// synthetic pages of every piece.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "dwg/container/DwgDecompress2004.h"
#include "dwg/container/DwgDecompress2007.h"
#include "dwg/container/DwgSection2004.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/DwgCompress2004.h"
#include "tests/support/DwgPagedWriter.h"

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

namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path SampleFolder() { return KvnFuzzSampleFolder("dwg"); }

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The compressed bytes of the system page at `at` (behind its 20-byte head),
// with the piece selector in front; empty when it does not fit the file.
Bytes SystemPage(const Bytes& file, std::uint64_t at, std::uint8_t selector) {
  if (at + 20 > file.size()) return {};
  const std::uint32_t compressed = U32(file, std::size_t(at) + 8);
  if (compressed > file.size() - at - 20) return {};
  Bytes seed = {selector};
  seed.insert(seed.end(), file.begin() + std::ptrdiff_t(at + 20), file.begin() + std::ptrdiff_t(at + 20 + compressed));
  return seed;
}

// The page map and section map pages of an R2004-family file, and the
// page map's own bytes for the map parsers.
void AddPagedSeeds(const Bytes& file, std::vector<Bytes>& seeds) {
  if (file.size() < 0x100) return;
  Bytes block(file.begin() + 0x80, file.begin() + 0x80 + 0x6C);
  std::uint32_t seed = 1;
  for (auto& b : block) {
    seed = seed * 0x343FDu + 0x269EC3u;
    b ^= std::uint8_t(seed >> 16);
  }
  const std::uint64_t pageMapAt = std::uint64_t(U32(block, 0x54)) + 0x100;
  const Bytes pageMap = SystemPage(file, pageMapAt, 0);
  if (pageMap.empty()) return;
  seeds.push_back(pageMap);
  std::vector<std::uint8_t> map;
  if (!DecompressDwg2004(std::span(pageMap).subspan(1), map, kDwgNoExpectedSize, 1u << 20)) return;
  Bytes parsers = {5};
  parsers.insert(parsers.end(), map.begin(), map.end());
  seeds.push_back(parsers);
  const std::int32_t sectionMapId = std::int32_t(U32(block, 0x5C));
  for (const DwgPageMapRecord& r : ParseDwgPageMap2004(map)) {
    if (r.number != sectionMapId) continue;
    Bytes sectionMap = SystemPage(file, r.address + 0x100, 1);
    if (!sectionMap.empty()) seeds.push_back(sectionMap);
  }
}

// The R2007 header's compressed body, behind its Reed-Solomon blocks.
void AddR2007Seeds(const Bytes& file, std::vector<Bytes>& seeds) {
  if (file.size() < 0x80 + 765) return;
  std::vector<std::uint8_t> header;
  if (!DecodeRsBlocks2007(std::span(file).subspan(0x80, 765), true, 3, header)) return;
  Bytes raw = {10};
  raw.insert(raw.end(), file.begin() + 0x80, file.begin() + 0x80 + 765);
  seeds.push_back(raw);
  const std::uint32_t compressed = U32(header, 24);
  if (compressed == 0 || compressed > header.size() - 32) return;
  Bytes body = {3};
  body.insert(body.end(), header.begin() + 32, header.begin() + 32 + compressed);
  seeds.push_back(body);
}

}  // namespace

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
  zeros[0] = 10;
  seeds.push_back(zeros);
  // Encoded pages of both codes (data that passes the check).
  Bytes data(600);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(rng());
  for (bool system : {false, true}) {
    Bytes page = {std::uint8_t(system ? 10 : 4)};
    const Bytes coded = test::EncodeRsPage2007(data, system);
    page.insert(page.end(), coded.begin(), coded.end());
    seeds.push_back(page);
  }
  if (const std::filesystem::path folder = SampleFolder(); !folder.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      if (file.size() < 6 || std::memcmp(file.data(), "AC10", 4) != 0) continue;
      if (std::memcmp(file.data(), "AC1021", 6) == 0) {
        AddR2007Seeds(file, seeds);
      } else if (std::memcmp(file.data(), "AC1018", 6) >= 0) {
        AddPagedSeeds(file, seeds);
      }
    }
  }
  std::vector<std::uint8_t> maps = {5, 1, 0, 0, 0};
  maps.resize(200, 0);
  seeds.push_back(maps);
  return seeds;
}
