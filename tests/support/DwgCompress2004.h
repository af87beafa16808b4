// Test-only compressor of the R2004 LZ77 variant, for round trips through
// the reader's decompressor. Greedy and plain; it uses every opcode form
// (literal runs short and long, near, middle and both far back-references,
// long lengths, trailing literals) when the data offers the matches.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kvn::test {

std::vector<std::uint8_t> CompressDwg2004(std::span<const std::uint8_t> data);

}  // namespace kvn::test
