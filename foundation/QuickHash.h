// A quick hash of a few bytes (32-bit FNV-1a) for the small tables kept in
// front of maps, where a name is looked up once per record: entity names,
// layer names, recent texts and counters.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvn {

constexpr std::uint32_t QuickHash(std::string_view bytes) {
  std::uint32_t hash = 2166136261u;
  for (const char c : bytes) hash = (hash ^ std::uint8_t(c)) * 16777619u;
  return hash;
}

}  // namespace kvn
