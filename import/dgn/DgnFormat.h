// Byte-level conventions of MicroStation V7 design files (DGN), shared by the
// element parser and the tests' DGN writer.
//
// Every element starts with a 4-byte header: byte 0 the level (bits 0-5) and
// the complex bit (0x80: a component of a complex element or cell), byte 1 the
// type (bits 0-6) and the deleted bit (0x80), bytes 2-3 the number of 16-bit
// words that follow (little-endian). An element is 4 + 2 x words bytes long,
// at most 131,074.
//
// Numbers are PDP-11 words: a 32-bit integer is two little-endian words, the
// high word first; a double is a VAX D-float, four little-endian words with
// the most significant first (sign, 8-bit exponent biased by 128 with the
// binary point before a hidden 1, 55 bits of fraction).
//
// DgnBytes is the bounded view every field is read through: a read past the
// element's end gives 0 and marks the view short, so a damaged element can
// never make the parser read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "foundation/WString.h"

namespace kvn {

inline constexpr std::size_t kDgnHeaderBytes = 4;

// Element types the reader knows by number.
namespace dgn {
inline constexpr int kCellLibrary = 1, kCellHeader = 2, kLine = 3, kLineString = 4, kGroupData = 5, kShape = 6,
                     kTextNode = 7, kTcb = 9, kCurve = 11, kComplexChain = 12, kComplexShape = 14, kEllipse = 15,
                     kArc = 16, kText = 17, kSurface3D = 18, kSolid3D = 19, kBSplinePole = 21,
                     kBSplineSurfaceHeader = 24, kBSplineCurveHeader = 27, kSharedCellDefinition = 34,
                     kSharedCellElement = 35;
}  // namespace dgn

// The name of an element type as kvn-dump reports it (the names of the V7
// type constants: "LINE", "LINE_STRING", "COMPLEX_CHAIN"...; "TYPE_n" for
// a number without a name).
std::string DgnTypeName(int type);
// Whether the type has a name of its own (not "TYPE_n"): the types this
// reader knows the meaning of.
bool DgnTypeIsNamed(int type);

// The layer of a level (0-63): its number with two digits, "00" to "63".
std::string DgnLevelName(int level);

class DgnBytes {
 public:
  explicit DgnBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Size() const { return bytes_.size(); }
  std::span<const std::uint8_t> Span() const { return bytes_; }
  // Whether `count` bytes from `at` lie inside the element.
  bool Has(std::size_t at, std::size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
  // Some read fell outside the element.
  bool Short() const { return short_; }

  // The readers are always inlined: every element's header and body is
  // read through them, and a call or none must not depend on the unity
  // group of the caller.
  [[gnu::always_inline]] std::uint8_t U8(std::size_t at) const {
    if (!Has(at, 1)) {
      short_ = true;
      return 0;
    }
    return bytes_[at];
  }
  // Little-endian 16 bits.
  [[gnu::always_inline]] std::uint16_t U16(std::size_t at) const {
    if (!Has(at, 2)) {
      short_ = true;
      return 0;
    }
    return std::uint16_t(bytes_[at] | bytes_[at + 1] << 8);
  }
  // Two words, high word first.
  [[gnu::always_inline]] std::int32_t I32(std::size_t at) const {
    if (!Has(at, 4)) {
      short_ = true;
      return 0;
    }
    const std::uint32_t v = std::uint32_t(bytes_[at + 1]) << 24 | std::uint32_t(bytes_[at]) << 16 |
                            std::uint32_t(bytes_[at + 3]) << 8 | std::uint32_t(bytes_[at + 2]);
    return std::int32_t(v);
  }
  std::uint32_t U32(std::size_t at) const { return std::uint32_t(I32(at)); }
  double VaxDouble(std::size_t at) const;

 private:
  std::span<const std::uint8_t> bytes_;
  mutable bool short_ = false;
};

// The VAX D-float of 8 bytes as an IEEE double; a zero exponent gives 0.0
// (the format's zero; its "reserved operand" has no IEEE counterpart).
double VaxDToIeee(const std::uint8_t bytes[8]);
// The inverse, for writers: values outside the D-float range are clamped
// to its largest magnitude, values too small for it become 0.
void IeeeToVaxD(double value, std::uint8_t bytes[8]);

// Three characters of a Radix-50 word (divisors 1600, 40, 1): 0 and 29 a
// space, 1-26 "A"-"Z", 27 "$", 28 ".", 30-39 "0"-"9"; the digits a word
// above 63,999 carries past 39 read as "?".
std::string Radix50Text(std::uint16_t word);

// A text of an element: after the bytes EF BB BF it is UTF-8 (one-, two- and
// three-byte sequences; any other byte and a cut sequence are dropped);
// otherwise it is in the ANSI code page. Stops at the first zero byte.
WString DecodeDgnText(std::span<const std::uint8_t> bytes);

}  // namespace kvn
