#include "platform/fonts/SmallHelpers.h"

#include <algorithm>

#include "foundation/AString.h"
#include "foundation/TempFiles.h"

namespace kvn {

void BitArray::CopyFrom(const std::uint32_t* words, std::size_t n) {
  if (!words) return;
  std::copy_n(words, std::min(n, words_.size()), words_.begin());
}

std::uint32_t ColorDistanceSq(std::uint32_t a, std::uint32_t b) {
  std::uint32_t sum = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
    sum += std::uint32_t(d * d);
  }
  return sum;
}

WString FoldFileNameIfNeeded(const WString& text) {
  if (FileSystemKeepsAccents()) return text;
  AString folded;
  text.FoldToAString(folded);
  return WString(0, folded);
}

}  // namespace kvn
