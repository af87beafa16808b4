#include "dwg/container/DwgDecompress2007.h"

namespace kvn {

namespace {

class Decoder2007 {
 public:
  Decoder2007(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, std::size_t limit)
      : in_(in), out_(out), limit_(limit) {}

  bool Run() {
    if (in_.empty()) return false;
    std::uint32_t op = in_[p_++];
    if ((op >> 4) != 2) {
      if (!LiteralRun(op + 8u)) return false;
      if (p_ >= in_.size()) return true;
      if (!Next(op)) return false;
    }
    while (true) {
      std::uint64_t offset = 0, length = 0;
      std::uint32_t b1 = 0, b2 = 0, b3 = 0, b4 = 0, next = 0;
      switch (op >> 4) {
        case 0:
          if (!Next(b1) || !Next(b2)) return false;
          offset = b1 + 1u + ((b2 & 0x78u) << 5);
          length = (op & 0x0Fu) + 0x13u + ((b2 >> 3) & 0x10u);
          next = b2;
          break;
        case 1:
          if (!Next(b1) || !Next(b2)) return false;
          offset = b1 + 1u + ((b2 & 0xF8u) << 5);
          length = (op & 0x0Fu) + 3u;
          next = b2;
          break;
        case 2:
          if (!Next(b1) || !Next(b2) || !Next(b3)) return false;
          if ((op & 8u) == 0) {
            offset = (b2 << 8) | b1;
            length = (b3 & 0xF8u) + (op & 7u);
            next = b3;
          } else {
            if (!Next(b4)) return false;
            offset = ((b2 << 8) | b1) + 1u;
            length = (op & 7u) + 8ull * b3 + 0x100u + (std::uint64_t(b4 & 0xF8u) << 8);
            next = b4;
          }
          break;
        default:
          if (!Next(b1)) return false;
          offset = (op & 0x0Fu) + 1u + 2u * (b1 & 0xF8u);
          length = op >> 4;
          next = b1;
          break;
      }
      if (length > limit_ - out_.size()) return false;
      if (length != 0) {
        if (offset == 0 || offset > out_.size()) return false;
        const std::size_t from = out_.size() - std::size_t(offset);
        for (std::uint64_t i = 0; i < length; ++i) out_.push_back(out_[from + std::size_t(i)]);
      }
      if ((next & 7u) != 0) {
        if (!LiteralRun(next & 7u)) return false;
        if (p_ >= in_.size()) return true;
        if (!Next(op)) return false;
        continue;
      }
      if (p_ >= in_.size()) return true;
      if (!Next(op)) return false;
      if ((op >> 4) == 0) {
        if (!LiteralRun(op + 8u)) return false;
        if (p_ >= in_.size()) return true;
        if (!Next(op)) return false;
      } else if ((op >> 4) == 15) {
        op &= 0x0Fu;
      }
    }
  }

 private:
  bool Next(std::uint32_t& v) {
    if (p_ >= in_.size()) return false;
    v = in_[p_++];
    return true;
  }

  bool LiteralRun(std::uint64_t length) {
    if (length == 0x17) {
      std::uint32_t n = 0;
      if (!Next(n)) return false;
      length += n;
      if (n == 0xFF) {
        std::uint32_t lo = 0, hi = 0;
        do {
          if (!Next(lo) || !Next(hi)) return false;
          length += lo | hi << 8;
        } while ((lo | hi << 8) == 0xFFFF);
      }
    }
    if (length > limit_ - out_.size() || length > in_.size() - p_) return false;
    const std::size_t at = out_.size();
    out_.resize(at + std::size_t(length));
    CopyReordered2007(out_.data() + at, in_.data() + p_, std::size_t(length));
    p_ += std::size_t(length);
    return true;
  }

  std::span<const std::uint8_t> in_;
  std::vector<std::uint8_t>& out_;
  std::size_t limit_;
  std::size_t p_ = 0;
};

}  // namespace

bool DecompressDwg2007(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output, std::size_t limit) {
  output.clear();
  if (Decoder2007(input, output, limit).Run()) return true;
  output.clear();
  return false;
}

}  // namespace kvn
