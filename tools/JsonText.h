// The JSON pieces the diagnostic tools (kvn-dump, kvn-render) write.
// Header-only: each tool is one source compiled on its own.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace kvn::tool {

inline void AppendJsonString(std::string& out, const std::string& utf8) {
  out.push_back('"');
  for (unsigned char c : utf8) {
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
