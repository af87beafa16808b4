// Expansion of the compressed pages of the R2004 container (the LZ77
// variant of that release). Strict about the stream's end: a stream that
// runs out anywhere but at its end opcode fails, and no read or copy leaves
// its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kvn {

inline constexpr std::uint32_t kDwgNoExpectedSize = 0xFFFFFFFFu;

// A run length: every 0x00 byte adds 255, the first other byte b ends it
// with b added. Reaching `limit` before that gives 0.
std::uint32_t ReadDwgLongLength(std::span<const std::uint8_t> input, std::size_t& position, std::size_t limit);

// `output` is emptied first. With an expected size other than
// kDwgNoExpectedSize the output must come to exactly that length; `cap`
// bounds the output in every case (a few bytes can ask for gigabytes).
bool DecompressDwg2004(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output,
                       std::uint32_t expectedSize, std::size_t cap);

}  // namespace kvn
