// Line types: the numbering (0 none, 1 solid, 2-18 built-in dash rows of
// render/BuiltinLineTypes.h, 19 + k entry k of the predefined list), the
// predefined list loaded once from the LinesTable resource 19987, and the
// dash list of a line style.
//
// The predefined list is process-wide: filled by the first LoadLineTypes and
// kept until exit (never reloaded, not even on a language change), so the
// symbol objects of its styles stay valid for every pattern expansion that
// copies them. GUI thread only.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

class cStyleLine;

inline constexpr int kLinesTableResourceId = 19987;

// Fills the predefined list from the resource unless it holds entries. A
// missing or unreadable resource, or one without line styles, leaves one
// default style (solid, width 0.25, colour 0); no message either way.
void LoadLineTypes();
// The built-in rows plus the predefined entries (loads them).
std::uint32_t GetLineTypeCount();
// Entry k of the predefined list (loads it); null beyond its end.
const cStyleLine* GetPredefinedLineType(std::uint32_t k);
// Test seam: empties the list so that the next call loads again.
void UnloadLineTypesForTest();

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
