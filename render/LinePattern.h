// The dash pattern of a stroked object's line type, in pattern units.
//
// A line style with dash elements (complex line types) gives the elements'
// lengths in world units; otherwise the object's line-type byte picks a row of
// the built-in table, whose unit is 0.25 world units x the pattern scale.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

class cAnyLine;
class cDrawingData;
class cStyleLine;

struct LinePattern {
  const double* entries = nullptr;  // `count` lengths: >= 0 a dash (0 a dot), < 0 a gap
  std::uint32_t count = 0;
  double scale = 1.0;               // world units per entry unit
  std::uint8_t fromStyle = 0;       // 1 when the entries are the style's dash elements
};

// The pattern of the object's line type (its line style looked up in `data`,
// which may be null). Pattern scale: the object's (1.0 when 0 or negative),
// times 0.25 for a built-in row. A line type at or beyond the built-in table
// without style elements gives no pattern. Style entries are written into
// `styleEntries`, which `out.entries` then points into. False when the
// pattern has no entries (none, solid, beyond the table).
bool GetLinePattern(const cAnyLine& object, const cDrawingData* data, LinePattern& out,
                    GrowArray<double>& styleEntries);

// The lengths of the style's dash elements in order, replacing the content of
// `out`; answers their count.
std::uint32_t GetPatternSegments(const cStyleLine& style, GrowArray<double>& out);

}  // namespace kvn
