#include "foundation/PathBytes.h"

#include <cstdint>

#include "foundation/Utf8.h"

namespace kvn {

namespace {

constexpr char16_t kReplacementUnit = 0xFFFD;

bool IsByteUnit(char16_t c) { return c >= kFirstByteUnit && c <= kLastByteUnit; }

}  // namespace

WString PathFromBytes(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const Utf8Piece piece = NextUtf8Piece(s + i, bytes.size() - i);
    if (piece.valid) {
      AppendUtf16(units, piece.cp);
    } else {
      for (std::uint32_t k = 0; k < piece.length; ++k) units.push_back(char16_t(0xDC00 + s[i + k]));
    }
    i += piece.length;
  }
  return WString(std::u16string_view(units));
}

std::string PathBytes(std::u16string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (IsByteUnit(c)) {
      out += char(c - 0xDC00);
    } else if (IsHighSurrogate(c) && i + 1 < path.size() && IsLowSurrogate(path[i + 1])) {
      AppendUtf8(out, CombineSurrogates(c, path[i + 1]));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(out, kReplacementUnit);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

WString DisplayPath(const WString& path) {
  const std::u16string_view view = path.View();
  std::u16string units;
  for (std::size_t i = 0; i < view.size(); ++i) {
    // The low half of a pair (U+10080 is D800 DC80) is no byte unit.
    if (IsHighSurrogate(view[i]) && i + 1 < view.size() && IsLowSurrogate(view[i + 1])) {
      ++i;
      continue;
    }
    if (!IsByteUnit(view[i])) continue;
    if (units.empty()) units = view;
    units[i] = kReplacementUnit;
  }
  return units.empty() ? path : WString(std::u16string_view(units));
}

}  // namespace kvn
