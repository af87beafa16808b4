#include "import/dgn/DgnFormat.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "foundation/CodePages.h"

namespace kvn {

namespace {

const char* NameOfType(int type) {
  switch (type) {
    case 1: return "CELL_LIBRARY";
    case 2: return "CELL_HEADER";
    case 3: return "LINE";
    case 4: return "LINE_STRING";
    case 5: return "GROUP_DATA";
    case 6: return "SHAPE";
    case 7: return "TEXT_NODE";
    case 8: return "DIGITIZER_SETUP";
    case 9: return "TCB";
    case 10: return "LEVEL_SYMBOLOGY";
    case 11: return "CURVE";
    case 12: return "COMPLEX_CHAIN";
    case 14: return "COMPLEX_SHAPE";
    case 15: return "ELLIPSE";
    case 16: return "ARC";
    case 17: return "TEXT";
    case 18: return "3DSURFACE";
    case 19: return "3DSOLID";
    case 21: return "BSPLINE_POLE";
    case 22: return "POINT_STRING";
    case 23: return "CONE";
    case 24: return "BSPLINE_SURFACE_HEADER";
    case 25: return "BSPLINE_SURFACE_BOUNDARY";
    case 26: return "BSPLINE_KNOT";
    case 27: return "BSPLINE_CURVE_HEADER";
    case 28: return "BSPLINE_WEIGHT_FACTOR";
    case 33: return "DIMENSION";
    case 34: return "SHARED_CELL_DEFN";
    case 35: return "SHARED_CELL_ELEM";
    case 36: return "MULTILINE";
    case 37: return "ATTRIBUTE";
    case 38: return "DGN_STORE";
    case 66: return "APPLICATION_ELEM";
    default: return nullptr;
  }
}

}  // namespace

std::string DgnTypeName(int type) {
  const char* name = NameOfType(type);
  return name ? std::string(name) : "TYPE_" + std::to_string(type);
}

bool DgnTypeIsNamed(int type) { return NameOfType(type) != nullptr; }

std::string DgnLevelName(int level) {
  const int l = level & 0x3F;
  return std::string{char('0' + l / 10), char('0' + l % 10)};
}

double DgnBytes::VaxDouble(std::size_t at) const {
  if (!Has(at, 8)) {
    short_ = true;
    return 0.0;
  }
  return VaxDToIeee(bytes_.data() + at);
}

// The D-float's 64 bits, most significant word first, each word little-endian.
double VaxDToIeee(const std::uint8_t bytes[8]) {
  std::uint64_t v = 0;
  for (int w = 0; w < 4; ++w) v = v << 16 | std::uint64_t(bytes[2 * w] | bytes[2 * w + 1] << 8);
  const std::uint64_t sign = v >> 63;
  const int exponent = int(v >> 55 & 0xFF);
  if (exponent == 0) return 0.0;
  // 0.1f x 2^(e - 128) is 1.f x 2^(e - 129); the 55 fraction bits lose their
  // last three, rounded to nearest.
  std::uint64_t fraction = v & ((std::uint64_t(1) << 55) - 1);
  fraction = (fraction + 4) >> 3;
  std::uint64_t biased = std::uint64_t(exponent - 129 + 1023);
  if (fraction >> 52) {  // the rounding carried into the hidden bit
    fraction = 0;
    ++biased;
  }
  return std::bit_cast<double>(sign << 63 | biased << 52 | fraction);
}

void IeeeToVaxD(double value, std::uint8_t bytes[8]) {
  std::uint64_t v = 0;
  if (std::isfinite(value) && value != 0.0) {
    const std::uint64_t ieee = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t sign = ieee >> 63;
    int exponent = int(ieee >> 52 & 0x7FF) - 1023 + 129;
    std::uint64_t fraction = (ieee & ((std::uint64_t(1) << 52) - 1)) << 3;
    if (ieee >> 52 & 0x7FF) {
      if (exponent > 255) {
        exponent = 255;
        fraction = (std::uint64_t(1) << 55) - 1;
      }
      if (exponent >= 1) v = sign << 63 | std::uint64_t(exponent) << 55 | fraction;
    }
  } else if (std::isinf(value)) {
    v = (value < 0 ? std::uint64_t(1) << 63 : 0) | std::uint64_t(255) << 55 | ((std::uint64_t(1) << 55) - 1);
  }
  for (int w = 0; w < 4; ++w) {
    const std::uint16_t word = std::uint16_t(v >> (48 - 16 * w));
    bytes[2 * w] = std::uint8_t(word);
    bytes[2 * w + 1] = std::uint8_t(word >> 8);
  }
}

std::string Radix50Text(std::uint16_t word) {
  static constexpr char kAlphabet[41] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ$. 0123456789";
  std::string out;
  std::uint32_t rest = word;
  for (std::uint32_t divisor : {1600u, 40u, 1u}) {
    const std::uint32_t digit = rest / divisor;
    rest %= divisor;
    out += digit < 40 ? kAlphabet[digit] : '?';
  }
  return out;
}

WString DecodeDgnText(std::span<const std::uint8_t> bytes) {
  std::size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  bytes = bytes.first(n);
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    std::u16string text;
    std::size_t i = 3;
    while (i < bytes.size()) {
      const std::uint8_t b = bytes[i];
      auto cont = [&](std::size_t k) { return i + k < bytes.size() && (bytes[i + k] & 0xC0) == 0x80; };
      if (b < 0x80) {
        text += char16_t(b);
        i += 1;
      } else if ((b & 0xE0) == 0xC0 && cont(1)) {
        text += char16_t((b & 0x1F) << 6 | (bytes[i + 1] & 0x3F));
        i += 2;
      } else if ((b & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        text += char16_t((b & 0x0F) << 12 | (bytes[i + 1] & 0x3F) << 6 | (bytes[i + 2] & 0x3F));
        i += 3;
      } else {
        i += 1;  // a stray, four-byte or cut sequence byte
      }
    }
    return WString(std::u16string_view(text));
  }
  WString out;
  out.AssignBytes(kCodePageAnsi, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
  return out;
}

}  // namespace kvn
