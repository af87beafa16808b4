#include "model/DgnTable.h"

#include <array>

namespace kvn {

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// The default palette of the format is regular: 15 leading colours, then
// from entry 15 one band of 16 entries per intensity v = 240 - 15 j
// (j = 0..14): cyan, white, blue, green, red, yellow, magenta, orange and the
// same eight again, all at intensity v, the orange's green at 122 - 5 j. The
// last band is cut at entry 253; two special entries close the table.
constexpr std::array<std::uint8_t, kDgnTableEntries * 3> MakeTable() {
  std::array<Rgb, kDgnTableEntries> t{};
  constexpr Rgb kLead[15] = {
      {255, 255, 255}, {0, 0, 255},   {0, 255, 0},   {255, 0, 0},     {255, 255, 0},
      {255, 0, 255},   {255, 127, 0}, {0, 255, 255}, {64, 64, 64},    {192, 192, 192},
      {254, 0, 96},    {160, 224, 0}, {0, 254, 160}, {128, 0, 160},   {176, 176, 176},
  };
  for (int i = 0; i < 15; ++i) t[i] = kLead[i];
  for (int j = 0; j < 15; ++j) {
    const std::uint8_t v = std::uint8_t(240 - 15 * j);
    const std::uint8_t orange = std::uint8_t(122 - 5 * j);
    const Rgb band[8] = {{0, v, v}, {v, v, v}, {0, 0, v}, {0, v, 0}, {v, 0, 0}, {v, v, 0}, {v, 0, v}, {v, orange, 0}};
    for (int k = 0; k < 16; ++k) {
      const int index = 15 + 16 * j + k;
      if (index < 254) t[index] = band[k % 8];
    }
  }
  t[254] = {192, 192, 192};
  t[255] = {28, 0, 100};

  std::array<std::uint8_t, kDgnTableEntries * 3> bytes{};
  for (std::size_t i = 0; i < kDgnTableEntries; ++i) {
    bytes[3 * i] = t[i].r;
    bytes[3 * i + 1] = t[i].g;
    bytes[3 * i + 2] = t[i].b;
  }
  return bytes;
}

constexpr auto kDgnTable = MakeTable();

}  // namespace

std::span<const std::uint8_t> GetDgnTable() { return kDgnTable; }

}  // namespace kvn
