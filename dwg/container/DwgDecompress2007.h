// The R2007 container's codes: its LZ77 variant with the reordered literal
// copy, and the Reed-Solomon check of its interleaved blocks (syndromes
// only: a damaged block fails, nothing is corrected).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kvn {

// Copies n bytes: groups of 32 with their halves swapped, then the last
// 1 to 31 bytes in the code's own order.
void CopyReordered2007(std::uint8_t* destination, const std::uint8_t* source, std::size_t count);

// `output` is emptied first and on failure; it never passes `limit`.
bool DecompressDwg2007(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output, std::size_t limit);

// The estimated number of 255-byte blocks of a system page.
std::uint64_t RsBlockCount2007(std::uint64_t decompressedSize);

// De-interleaves 255 x k bytes, checks every block's syndromes in the
// system code (GF(256)/0x169, 16 parity bytes) or the data code
// (GF(256)/0x11D, 4 parity bytes) and keeps only the data bytes. False,
// with `output` empty, when k is 0, the input is not 255 x k bytes or a
// block fails.
bool DecodeRsBlocks2007(std::span<const std::uint8_t> interleaved, bool systemCode, std::uint64_t blocks,
                        std::vector<std::uint8_t>& output);

}  // namespace kvn
