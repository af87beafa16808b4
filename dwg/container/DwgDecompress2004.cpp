#include "dwg/container/DwgDecompress2004.h"

#include <algorithm>
#include <cstring>

namespace kvn {

namespace {

class Decoder {
 public:
  Decoder(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, std::size_t cap)
      : in_(in), out_(out), cap_(cap) {}

  bool Run(std::uint32_t expectedSize) {
    if (in_.empty()) return false;
    while (true) {
      const std::uint8_t op = in_[p_++];
      if (op <= 0x0F) {
        std::uint64_t count = op + 3u;
        if (op == 0) {
          count = 15;
          std::uint8_t b = 0;
          do {
            if (p_ >= in_.size()) return false;
            b = in_[p_++];
            count += b == 0 ? 255u : b;
          } while (b == 0);
          count += 3;
        }
        if (!Literals(count)) return false;
      } else if (op == 0x11) {
        if (p_ + 2 != in_.size()) return false;
        return expectedSize == kDwgNoExpectedSize || out_.size() == expectedSize;
      } else {
        std::uint64_t length = 0;
        std::uint64_t distance = 0;
        std::uint32_t trailing = 0;
        if (op >= 0x40) {
          length = (op >> 4) - 1u;
          const std::uint8_t b = Next();
          distance = std::uint64_t(b) << 2 | ((op >> 2) & 3u);
          trailing = op & 3u;
        } else {
          if (op == 0x10 || op == 0x18) {
            length = ReadDwgLongLength(in_, p_, in_.size()) + 9ull;
          } else if (op == 0x20) {
            length = ReadDwgLongLength(in_, p_, in_.size()) + 33ull;
          } else if (op < 0x20) {
            length = (op & 7u) + 2u;
          } else {
            length = op - 30u;
          }
          const std::uint8_t b1 = Next();
          const std::uint8_t b2 = Next();
          distance = std::uint64_t(b2) << 6 | (b1 >> 2);
          if (op < 0x20) distance += (op & 8u) ? 0x7FFFu : 0x3FFFu;
          trailing = b1 & 3u;
        }
        if (!Copy(length, distance)) return false;
        if (!Literals(trailing)) return false;
      }
      if (p_ >= in_.size()) return false;
    }
  }

 private:
  std::uint8_t Next() { return p_ < in_.size() ? in_[p_++] : 0; }

  bool Literals(std::uint64_t count) {
    if (count > in_.size() - p_ || count > cap_ - out_.size()) return false;
    out_.insert(out_.end(), in_.begin() + std::ptrdiff_t(p_), in_.begin() + std::ptrdiff_t(p_ + count));
    p_ += count;
    return true;
  }

  // The copy repeats the last distance + 1 bytes when it is longer than
  // them; it goes in chunks of that size rather than byte by byte.
  bool Copy(std::uint64_t length, std::uint64_t distance) {
    const std::size_t n = out_.size();
    if (distance >= n) return false;
    if (length > cap_ - n) return false;
    const std::size_t step = std::size_t(distance) + 1;
    out_.resize(n + std::size_t(length));
    std::size_t at = n;
    const std::size_t end = n + std::size_t(length);
    while (at < end) {
      const std::size_t chunk = std::min(step, end - at);
      std::memcpy(out_.data() + at, out_.data() + at - step, chunk);
      at += chunk;
    }
    return true;
  }

  std::span<const std::uint8_t> in_;
  std::vector<std::uint8_t>& out_;
  std::size_t cap_;
  std::size_t p_ = 0;
};

}  // namespace

bool DecompressDwg2004(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output,
                       std::uint32_t expectedSize, std::size_t cap) {
  output.clear();
  if (expectedSize != kDwgNoExpectedSize) cap = std::min<std::size_t>(cap, expectedSize);
  output.reserve(std::min<std::size_t>(cap, input.size() * 4 + 64));
  return Decoder(input, output, cap).Run(expectedSize);
}

}  // namespace kvn
