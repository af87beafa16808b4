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

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/WString.h"

namespace kvn {

class cDrawInfo;
class cOutObj;
class ObjectChain;
class TrueTypeFaceSet;

struct TrueTypeLine {
  cDrawInfo* info = nullptr;  // draw through it when given
  ObjectChain* out = nullptr; // append the glyph and bar polygons when given
  DPoint origin;              // start of the line on its top line, before alignment
  double angle = 0.0;         // degrees
  double height = 0.0;        // drawing units
  WString text;
  std::uint32_t color = 0;    // glyphs
  std::uint16_t level = 0;
  const cOutObj* templ = nullptr;  // page membership and flags 0x01, 0x02
  std::uint32_t alignment = 0;     // 0 left, 6 centred, else right
  bool underline = false;
  bool strikeOut = false;
  std::uint8_t faceIndex = 0;  // bold + 2 x italic
  std::uint32_t barColor = 0;
  double widthFactor = 1.0;    // 0 counts as 1
  bool barsOnly = false;       // glyphs are advanced over, not drawn
  bool mirrorX = false;
  bool mirrorY = false;
};

void DrawTrueTypeLine(TrueTypeFaceSet& set, const TrueTypeLine& line);

}  // namespace kvn
