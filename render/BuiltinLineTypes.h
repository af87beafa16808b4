// The built-in dash table: line types 2 to 18 of every stroked object.
//
// Entries alternate dash and gap in pattern units: a dash is >= 0 (0 is a
// dot), a gap is negative. One pattern unit is 0.25 x the line's pattern
// scale in world units, so row 5 at pattern scale 1 gives 1.5 world units of
// dash and 1.5 of gap. Rows 0 (no line) and 1 (solid) have no entries.
#pragma once

#include <cstdint>

namespace kvn {

struct BuiltinLineTypeRow {
  std::uint32_t count;     // even, at most 10
  std::uint32_t reserved;  // always 0
  double entries[10];      // the ones after `count` are 0
};

// World units per pattern unit of a built-in row at pattern scale 1.
inline constexpr double kBuiltinPatternUnit = 0.25;

// Row n of the table; a row at or beyond the end (kBuiltinDashTypes) gives
// the empty row 0.
const BuiltinLineTypeRow& BuiltinLineType(std::uint32_t row);

}  // namespace kvn
