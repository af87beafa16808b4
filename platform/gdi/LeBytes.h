// Little-endian loads and stores for the byte layouts that reach files
// (bitmap headers, metafile records). Callers check the bounds first; these
// only spell out the byte order so that the layout reads the same on any host.
#pragma once

#include <cstdint>

namespace kvn::le {

inline std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::int16_t I16(const std::uint8_t* p) { return std::int16_t(U16(p)); }
inline std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline std::int32_t I32(const std::uint8_t* p) { return std::int32_t(U32(p)); }

inline void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}

}  // namespace kvn::le
