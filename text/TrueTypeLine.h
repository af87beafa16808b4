// DrawTrueTypeLine: one line of text in a TrueType face, from its glyph
// outlines: glyph after glyph along the text direction by their advances,
// the whole line shifted for centred and right alignment, then the underline
// and strike-out bars. Drawn through a drawing context, or turned into one
// filled cPolygon per glyph (then the underline, then the strike-out bar).
//
// Units: advances, cap height and metrics are in units of the 48-unit em;
// k = height / capHeight drawing units per em unit (the height is the height
// of the capitals), kx = k x width factor along the line. Axes of the line:
// u along it, v across it from its top (the ascent line) toward the baseline;
// (u, v) is the world offset (u cos a + v sin a, -u sin a + v cos a).
//
// Two roads place the glyphs. The path in doubles works in drawing units and
// draws through the context's path fill or produces objects. With a context
// whose raster surface fills glyphs itself (prepared, anti-aliasing on), or
// whose direct-raster flag is set, glyphs go the fixed-point road
// (text/FixedGlyphLine.h): placed in 1/1024 device units, culled at the
// device clip, handed to the surface one glyph at a time; there the output
// list and the bars-only flag play no part. Bars take the path in doubles on
// both roads.
#pragma once

#include "model/TrueTypeFace.h"

namespace kvn {

// The line is declared with the face set (model/TrueTypeFace.h), whose
// DrawText hands it here.
void DrawTrueTypeLine(TrueTypeFaceSet& set, const TrueTypeLine& line);

// Makes TrueTypeFaceSet::DrawText draw through DrawTrueTypeLine (once at
// start-up).
void InstallTrueTypeLineDrawer();

}  // namespace kvn
