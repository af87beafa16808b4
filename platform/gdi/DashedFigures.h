// The dashes of a flattened path as figures of their own, cut the way the
// screen's stroke (cairo) cuts them, so that a widening of them covers what
// that stroke paints.
//
// The pattern starts afresh at every figure's first point; an odd count of
// entries runs twice a round, the second time from "off". Each dash becomes
// an open figure. In a closed figure whose pattern is "on" both where it
// starts and where it ends, the dash that runs through the first point is
// one figure, so that the stroke joins it there instead of capping its two
// ends; a closed figure that the pattern never leaves stays closed.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiPath.h"

namespace kvn {

// `flat` holds lines only; `pattern` the `count` entries (dash first, each
// >= 0, their sum > 0), in the units of the path. Figures of no length are
// left out.
void DashFigures(const GdiPath& flat, const double* pattern, std::uint32_t count, GdiPath* out);

}  // namespace kvn
