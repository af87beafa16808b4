// Hand-built SHX files and QDAT archives for the SHX tests and fuzz seeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::test {

struct ShxShape {
  std::uint16_t number = 0;
  std::string name;
  std::vector<std::uint8_t> bytes;  // the definition, usually ending in 0
};

inline void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// A shapes file 1.1: with above > 0 a header entry (number 0) comes first.
inline std::vector<std::uint8_t> MakeShapesFile(const std::vector<ShxShape>& shapes, int above = 0, int below = 0,
                                                const std::string& fontName = "TEST") {
  std::vector<ShxShape> all;
  if (above > 0) all.push_back({0, fontName, {std::uint8_t(above), std::uint8_t(below), 2, 0, 0}});
  all.insert(all.end(), shapes.begin(), shapes.end());
  std::vector<std::uint8_t> out;
  out.reserve(256);
  for (const char* m = "AutoCAD-86 shapes 1.1\r\n\x1A"; *m; ++m) out.push_back(std::uint8_t(*m));
  while (out.size() < 28) out.push_back(0);
  PutU16(out, std::uint32_t(all.size()));
  for (const ShxShape& s : all) {
    PutU16(out, s.number);
    PutU16(out, std::uint32_t(s.name.size() + 1 + s.bytes.size()));
  }
  for (const ShxShape& s : all) {
    out.insert(out.end(), s.name.begin(), s.name.end());
    out.push_back(0);
    out.insert(out.end(), s.bytes.begin(), s.bytes.end());
  }
  for (const char* m = "EOF"; *m; ++m) out.push_back(std::uint8_t(*m));
  return out;
}

// A Unicode font 1.0 with its header entry first.
inline std::vector<std::uint8_t> MakeUnicodeFont(const std::vector<ShxShape>& shapes, int above, int below) {
  std::vector<std::uint8_t> out;
  out.reserve(256);
  for (const char* m = "AutoCAD-86 unifont 1.0\r\n\x1A"; *m; ++m) out.push_back(std::uint8_t(*m));
  PutU16(out, std::uint32_t(shapes.size() + 1));
  const std::vector<std::uint8_t> header = {std::uint8_t(above), std::uint8_t(below), 2, 0, 0, 0};
  PutU16(out, 0);
  PutU16(out, std::uint32_t(4 + header.size()));
  out.insert(out.end(), {'U', 'N', 'I', 0});
  out.insert(out.end(), header.begin(), header.end());
  for (const ShxShape& s : shapes) {
    PutU16(out, s.number);
    PutU16(out, std::uint32_t(s.name.size() + 1 + s.bytes.size()));
    out.insert(out.end(), s.name.begin(), s.name.end());
    out.push_back(0);
    out.insert(out.end(), s.bytes.begin(), s.bytes.end());
  }
  return out;
}

struct QdatMember {
  int type = 1;  // 1 file, 2 folder
  std::u16string name;
  std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> MakeQdat(const std::vector<QdatMember>& members, bool endEntry = true) {
  std::vector<std::uint8_t> out = {'Q', 'D', 'A', 'T', 1};
  for (const QdatMember& m : members) {
    out.push_back(std::uint8_t(m.type));
    out.push_back(std::uint8_t(m.name.size()));
    for (char16_t c : m.name) PutU16(out, c);
    for (int i = 0; i < 8; ++i) out.push_back(0);
    if (m.type == 1) {
      PutU32(out, std::uint32_t(m.bytes.size()));
      out.insert(out.end(), m.bytes.begin(), m.bytes.end());
    }
  }
  if (endEntry) out.push_back(0);
  return out;
}

}  // namespace kvn::test
