#include "dwg/container/DwgDecompress2004.h"

#include <algorithm>
#include <cstring>

namespace kvn {

namespace {

class Decoder {
 public:
  Decoder(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, std::size_t cap)
      : in_(in), out_(out), cap_(cap) {}

  std::size_t Written() const { return n_; }

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
        return expectedSize == kDwgNoExpectedSize || n_ == expectedSize;
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
    if (count > in_.size() - p_ || count > cap_ - n_) return false;
    if (count == 0) return true;
    Room(std::size_t(count));
    std::memcpy(out_.data() + n_, in_.data() + p_, std::size_t(count));
    n_ += std::size_t(count);
    p_ += count;
    return true;
  }

  // The copy repeats the last distance + 1 bytes when it is longer than
  // them: short copies byte by byte, long ones in chunks of that size.
  bool Copy(std::uint64_t length, std::uint64_t distance) {
    const std::size_t n = n_;
    if (distance >= n) return false;
    if (length > cap_ - n) return false;
    const std::size_t step = std::size_t(distance) + 1;
    // Eight bytes of room beyond the copy: short copies from at least eight
    // bytes back go eight at a time, the last run past the end (those bytes
    // are written over next, or cut when the decoder ends).
    Room(std::size_t(length) + 8);
    std::uint8_t* o = out_.data();
    std::size_t at = n;
    const std::size_t end = n + std::size_t(length);
    if (length <= 16 && step >= 8) {
      for (; at < end; at += 8) std::memcpy(o + at, o + at - step, 8);
    } else if (length <= 16) {
      for (; at < end; ++at) o[at] = o[at - step];
    } else {
      while (at < end) {
        const std::size_t chunk = std::min(step, end - at);
        std::memcpy(o + at, o + at - step, chunk);
        at += chunk;
      }
    }
    n_ = end;
    return true;
  }

  // The output vector is grown ahead (never past the cap) and cut to the
  // bytes written when the decoder ends.
  void Room(std::size_t more) {
    if (out_.size() - n_ >= more) return;
    std::size_t size = std::max(out_.size() * 2, n_ + more);
    size = std::min(size, std::max(cap_, n_ + more));
    out_.resize(size);
  }

  std::span<const std::uint8_t> in_;
  std::vector<std::uint8_t>& out_;
  std::size_t cap_;
  std::size_t p_ = 0;
  std::size_t n_ = 0;  // output bytes written
};

}  // namespace

bool DecompressDwg2004(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output,
                       std::uint32_t expectedSize, std::size_t cap) {
  output.clear();
  if (expectedSize != kDwgNoExpectedSize) cap = std::min<std::size_t>(cap, expectedSize);
  output.resize(std::min<std::size_t>(cap, input.size() * 4 + 64));
  Decoder decoder(input, output, cap);
  const bool ok = decoder.Run(expectedSize);
  output.resize(decoder.Written());
  return ok;
}

}  // namespace kvn
