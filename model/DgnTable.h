// The default colour table of DGN (version 7) drawings: 256 entries of red,
// green and blue bytes, used for element colours of files that carry no
// colour table of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvn {

inline constexpr std::size_t kDgnTableEntries = 256;

// 768 bytes: entry i is bytes 3i (red), 3i + 1 (green), 3i + 2 (blue).
std::span<const std::uint8_t> GetDgnTable();

}  // namespace kvn
