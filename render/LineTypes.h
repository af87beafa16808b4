// The dash list of a line style: its own dash elements or the built-in row
// of its line type (render/BuiltinLineTypes.h). The predefined entries 19 + k
// are loaded below the renderer (document/PredefinedLineTypes.h).
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

class cStyleLine;

// The dash entries of a style: its dash elements' lengths (world units,
// times the pattern scale) when it has any, else the built-in row of its line
// type (pattern units of 0.25 x the pattern scale; none for 19 and above).
struct StyleDashes {
  const double* entries = nullptr;
  std::uint32_t count = 0;
  bool builtin = true;
};
// `scratch` holds the style's element lengths while the result is used.
StyleDashes GetStyleDashes(const cStyleLine& style, GrowArray<double>& scratch);

}  // namespace kvn
