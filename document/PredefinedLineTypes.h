// The predefined line-type list, loaded once from the LinesTable resource
// 19987 (a native container whose line styles are the entries). Line type
// 19 + k names entry k; 0 is none, 1 solid and 2-18 the built-in dash rows.
//
// The list is process-wide: filled by the first LoadLineTypes and kept until
// exit (never reloaded, not even on a language change), so the symbol objects
// of its styles stay valid for every pattern expansion that copies them. The
// renderer receives entries through the geometry services. GUI thread only.
#pragma once

#include <cstdint>

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

}  // namespace kvn
