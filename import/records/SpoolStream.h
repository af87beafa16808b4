// The variable part of a record's spool form (point lists, handle lists,
// texts), written after the fixed fields: little-endian counts and doubles.
// Reading checks every count against the bytes the stream still holds
// before anything is sized; a failed read is sticky.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "foundation/Vec3.h"
#include "foundation/WString.h"

namespace kvn {

class SpoolWriter {
 public:
  explicit SpoolWriter(OutFileStream& out) : out_(out) {}
  void U32(std::uint32_t v) { Raw(v); }
  void U64(std::uint64_t v) { Raw(v); }
  void U8(std::uint8_t v) { out_.Write(&v, 1); }
  void F64(double v) { Raw(v); }
  void Point(const Vec3& p) {
    F64(p.x);
    F64(p.y);
    F64(p.z);
  }
  // Character count, then the UTF-16 code units.
  void Text(const WString& s) {
    std::u16string_view v = s.View();
    U32(std::uint32_t(v.size()));
    for (char16_t c : v) {
      const std::uint8_t b[2] = {std::uint8_t(c), std::uint8_t(c >> 8)};
      out_.Write(b, 2);
    }
  }

 private:
  template <class T>
  void Raw(T v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof(T));
    std::uint8_t b[8];
    for (std::size_t i = 0; i < sizeof(T); ++i) b[i] = std::uint8_t(bits >> (8 * i));
    out_.Write(b, sizeof(T));
  }
  OutFileStream& out_;
};

class SpoolReader {
 public:
  explicit SpoolReader(InFileStream& in) : in_(in) {}
  bool Ok() const { return ok_; }
  std::uint32_t U32() { return Raw<std::uint32_t>(); }
  std::uint64_t U64() { return Raw<std::uint64_t>(); }
  std::uint8_t U8() { return Raw<std::uint8_t>(); }
  double F64() { return Raw<double>(); }
  Vec3 Point() {
    Vec3 p;
    p.x = F64();
    p.y = F64();
    p.z = F64();
    return p;
  }
  // A count of items of `unitBytes` each that the stream can still hold.
  std::uint32_t Count(std::uint32_t unitBytes) {
    std::uint32_t n = U32();
    if (ok_ && n != 0 && !in_.CanRead(n, unitBytes)) ok_ = false;
    return ok_ ? n : 0;
  }
  WString Text() {
    std::uint32_t n = Count(2);
    std::u16string units(n, u'\0');
    for (std::uint32_t i = 0; i < n && ok_; ++i) units[i] = char16_t(Raw<std::uint16_t>());
    return ok_ ? WString(std::u16string_view(units)) : WString();
  }

 private:
  template <class T>
  T Raw() {
    std::uint8_t b[8] = {};
    if (!ok_ || in_.Read(b, sizeof(T)) < sizeof(T)) {
      ok_ = false;
      return T{};
    }
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) bits |= std::uint64_t(b[i]) << (8 * i);
    T v;
    std::memcpy(&v, &bits, sizeof(T));
    return v;
  }
  InFileStream& in_;
  bool ok_ = true;
};

}  // namespace kvn
