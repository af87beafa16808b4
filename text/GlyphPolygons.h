// Glyph outlines as point runs: the stored outline buffer of a glyph record
// (GGO_BEZIER at the 8x matrix, platform/fonts/GlyphOutlineBuffer.h)
// converted once into runs of 16.16 points in units of the 48-unit em (each
// coordinate divided by 8 with rounding, (v + 4) >> 3) and their box.
#pragma once

#include <cstdint>

namespace kvn {

struct FontGlyph;

// Makes the glyph's polygon cache and bounds (kept until its outline changes).
void BuildGlyphPolygons(FontGlyph& glyph);
// The ink left of the origin in whole em units (0 when none).
std::uint16_t GetGlyphLeftOverhang(FontGlyph& glyph);
// The ink right of the advance in whole em units (0 when none).
std::int32_t GetGlyphRightOverhang(FontGlyph& glyph);

}  // namespace kvn
