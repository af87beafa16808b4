// The small helpers that live beside the installed-font list: a fixed bit
// array, the squared distance of two colours, and file names folded to ASCII
// where the temporary folder loses accents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

// n bits in n / 32 + 1 zeroed 32-bit words.
class BitArray {
 public:
  explicit BitArray(std::uint32_t bits) : words_(bits / 32 + 1, 0) {}
  void Clear() { std::fill(words_.begin(), words_.end(), 0u); }
  // Copies min(n, word count) words.
  void CopyFrom(const std::uint32_t* words, std::size_t n);
  bool Test(std::uint32_t bit) const { return bit / 32 < words_.size() && (words_[bit / 32] >> (bit % 32) & 1u); }
  void Set(std::uint32_t bit) {
    if (bit / 32 < words_.size()) words_[bit / 32] |= 1u << (bit % 32);
  }
  std::span<const std::uint32_t> Words() const { return words_; }

 private:
  std::vector<std::uint32_t> words_;
};

// The sum of the squared differences of red, green and blue (COLORREF).
std::uint32_t ColorDistanceSq(std::uint32_t a, std::uint32_t b);

// The text folded to plain ASCII when the temporary folder does not keep
// accented names apart; else unchanged.
WString FoldFileNameIfNeeded(const WString& text);

}  // namespace kvn
