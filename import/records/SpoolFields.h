// The spool form of import records, declared once per record as a list of
// fields (Fields(visitor)) and walked by three visitors: the encoder, the
// decoder and the size counter. Little-endian numbers, IEEE doubles, explicit
// zero padding; no field is written that the declaration does not name.
#pragma once

#include <cstdint>
#include <cstring>

#include "foundation/Vec3.h"

namespace kvn {

// n zero bytes in the spool form; ignored when read.
struct SpoolPad {
  int n;
};

class SpoolSize {
 public:
  template <class T>
  void operator()(const T&) {
    bytes += sizeof(T);
  }
  void operator()(const Vec3&) { bytes += 24; }
  void operator()(const SpoolPad& pad) { bytes += std::uint32_t(pad.n); }
  std::uint32_t bytes = 0;
};

class SpoolEncoder {
 public:
  explicit SpoolEncoder(std::uint8_t* out) : out_(out) {}
  template <class T>
  void operator()(const T& v) {
    static_assert(sizeof(T) <= 8, "plain numbers only");
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i) out_[at_++] = std::uint8_t(bits >> (8 * i));
  }
  void operator()(const Vec3& v) {
    (*this)(v.x);
    (*this)(v.y);
    (*this)(v.z);
  }
  void operator()(const SpoolPad& pad) {
    std::memset(out_ + at_, 0, std::size_t(pad.n));
    at_ += std::uint32_t(pad.n);
  }
  std::uint32_t Written() const { return at_; }

 private:
  std::uint8_t* out_;
  std::uint32_t at_ = 0;
};

class SpoolDecoder {
 public:
  explicit SpoolDecoder(const std::uint8_t* in) : in_(in) {}
  template <class T>
  void operator()(T& v) {
    static_assert(sizeof(T) <= 8, "plain numbers only");
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) bits |= std::uint64_t(in_[at_++]) << (8 * i);
    std::memcpy(&v, &bits, sizeof(T));
  }
  void operator()(Vec3& v) {
    (*this)(v.x);
    (*this)(v.y);
    (*this)(v.z);
  }
  void operator()(const SpoolPad& pad) { at_ += std::uint32_t(pad.n); }

 private:
  const std::uint8_t* in_;
  std::uint32_t at_ = 0;
};

}  // namespace kvn
