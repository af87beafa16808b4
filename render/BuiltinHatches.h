// The built-in hatch patterns behind hatch kinds 1-21: small tiles of black
// lines, dots and filled rectangles that the fill repeats over an area and
// paints in the hatch colour (render/FillPattern.cpp).
//
// Units: the table holds eighths of the hatch scale; the objects come out in
// world units.
#pragma once

#include <cstdint>

#include "foundation/DRect.h"
#include "model/ObjectChain.h"

namespace kvn {

inline constexpr std::uint32_t kBuiltinHatchCount = 21;

// Clears the list and the tile box, then appends the objects of pattern
// `pattern` (1-21) at `scale`, lines `lineUnit` wide and dots twice that, and
// widens the tile box by every part. Nothing for pattern 0 or above 21, or a
// scale not above 0 (or not finite).
void BuildBuiltinHatchObjects(ObjectChain& out, std::uint32_t pattern, double scale, double lineUnit,
                              DRect& tileBox);

}  // namespace kvn
