// The JSON pieces the diagnostic tools (kvn-dump, kvn-render) write.
// Header-only: each tool is one source compiled on its own.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/Utf8.h"

namespace kvn::tool {

// A JSON string of `text`, which should be UTF-8 but comes from files: a
// byte that is no part of well-formed UTF-8 (a name in a code page, a cut
// sequence) is written as the escape of the code point of that byte value,
// so that the answer stays valid UTF-8 and different names stay different.
inline void AppendJsonString(std::string& out, const std::string& text) {
  out.push_back('"');
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Piece piece = NextUtf8Piece(bytes + i, text.size() - i);
    if (piece.valid && piece.cp >= 0x80) {
      out.append(text, i, piece.length);
      i += piece.length;
      continue;
    }
    if (!piece.valid) {
      for (std::uint32_t k = 0; k < piece.length; ++k) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", bytes[i + k]);
        out += buf;
      }
      i += piece.length;
      continue;
    }
    const unsigned char c = bytes[i++];
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out.push_back(char(c));
        }
    }
  }
  out.push_back('"');
}

// The shortest text that reads back as the same double; null for NaN and
// infinities, which JSON cannot hold.
inline void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;
  out.append(buf, end);
}

}  // namespace kvn::tool
