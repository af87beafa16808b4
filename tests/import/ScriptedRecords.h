// Group-code records written as scripts in tests: {code, value} pairs where
// the value is an integer, a double, a narrow text or a handle.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <variant>

#include "import/records/YxxfGroupRecord.h"

namespace kvn {

struct H {
  std::uint64_t value;
};

struct G {
  std::uint16_t code;
  std::variant<int, double, const char*, H> value;
};

inline void Fill(YxxfGroupRecord& r, std::initializer_list<G> items) {
  r.Clear();
  for (const G& g : items) {
    if (auto i = std::get_if<int>(&g.value)) {
      r.AddInt(g.code, *i);
    } else if (auto d = std::get_if<double>(&g.value)) {
      r.AddDouble(g.code, *d);
    } else if (auto s = std::get_if<const char*>(&g.value)) {
      r.AddString(g.code, std::string_view(*s));
    } else {
      r.AddHandle64(g.code, std::get<H>(g.value).value);
    }
  }
}

}  // namespace kvn
