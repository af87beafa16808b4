// The glyph outlines that patterned line styles draw for the texts of their
// dash elements (cStyleLine::BuildPatternCache), from the drawing's font
// table: installed once at start-up.
#pragma once

namespace kvn {

void InstallPatternGlyphSource();

}  // namespace kvn
