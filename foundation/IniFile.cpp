#include "foundation/IniFile.h"

#include <cctype>
#include <string>

#include "foundation/AString.h"
#include "foundation/CodePages.h"
#include "foundation/InFileStream.h"

namespace kvn {

namespace {

// Bytes 0x80..0xFF of code page 852 as code page 1250 bytes: the same
// letter where 1250 has it (as iconv's CP852 and CP1250 define them), '+',
// '-' and '|' for box drawing, '#' for the shade and block characters.
constexpr std::uint8_t kCp852To1250[128] = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xF9, 0xE6, 0xE7,
    0xB3, 0xEB, 0xD5, 0xF5, 0xEE, 0x8F, 0xC4, 0xC6,
    0xC9, 0xC5, 0xE5, 0xF4, 0xF6, 0xBC, 0xBE, 0x8C,
    0x9C, 0xD6, 0xDC, 0x8D, 0x9D, 0xA3, 0xD7, 0xE8,
    0xE1, 0xED, 0xF3, 0xFA, 0xA5, 0xB9, 0x8E, 0x9E,
    0xCA, 0xEA, 0xAC, 0x9F, 0xC8, 0xBA, 0xAB, 0xBB,
    0x23, 0x23, 0x23, 0x7C, 0x2B, 0xC1, 0xC2, 0xCC,
    0xAA, 0x2B, 0x7C, 0x2B, 0x2B, 0xAF, 0xBF, 0x2B,
    0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0xC3, 0xE3,
    0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0xA4,
    0xF0, 0xD0, 0xCF, 0xCB, 0xEF, 0xD2, 0xCD, 0xCE,
    0xEC, 0x2B, 0x2B, 0x23, 0x23, 0xDE, 0xD9, 0x23,
    0xD3, 0xDF, 0xD4, 0xD1, 0xF1, 0xF2, 0x8A, 0x9A,
    0xC0, 0xDA, 0xE0, 0xDB, 0xFD, 0xDD, 0xFE, 0xB4,
    0xAD, 0xBD, 0xB2, 0xA1, 0xA2, 0xA7, 0xF7, 0xB8,
    0xB0, 0xA8, 0xFF, 0xFB, 0xD8, 0xF8, 0x23, 0xA0,
};

bool StartsWithNoCase(const std::string& line, const std::string& prefix) {
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(line[i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    if (a < 128 && b < 128 ? std::tolower(a) != std::tolower(b) : a != b) return false;
  }
  return true;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

// The names are compared as the file's bytes: ANSI text.
std::string Narrow(const WString& text) {
  std::string out;
  for (char16_t c : text.View()) {
    out.push_back(c < 128 ? char(c) : char(WideToCodePageByte(1252, c) ? WideToCodePageByte(1252, c) : '?'));
  }
  return out;
}

}  // namespace

WString ReadIniValue(const WString& section, const WString& key, const WString& defaultValue, const WString& path) {
  InFileStream in(path);
  if (!in.IsOpen()) return defaultValue;
  // Built by appending: GCC 12 warns wrongly about "[" + text + "]".
  std::string sectionLine(1, '[');
  sectionLine.append(Narrow(section)).push_back(']');
  std::string keyPrefix = Narrow(key);
  keyPrefix.push_back('=');
  // Lines of any length, up to the end of the file; CR LF or LF.
  constexpr std::int64_t kLongestLine = 1 << 20;
  bool inSection = false;
  AString line;
  while (!in.Eof()) {
    line.ReadTextLine(in, kLongestLine);
    const std::string text(line.CStr(), std::size_t(line.Length()));
    if (!text.empty() && text.front() == '[') {
      inSection = EqualsNoCase(text, sectionLine);
      continue;
    }
    if (inSection && StartsWithNoCase(text, keyPrefix)) {
      WString value;
      value.AssignCodePageCStr(kCodePageAnsi, text.c_str() + keyPrefix.size());
      return value;
    }
  }
  return defaultValue;
}

std::uint8_t ConvertCp852ToCp1250(std::uint8_t& byte) {
  if (byte >= 128) byte = kCp852To1250[byte - 128];
  return byte;
}

}  // namespace kvn
