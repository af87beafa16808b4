// Glyphs and text bars placed at a text position as filled outlines (the path
// in doubles, in drawing units): drawn through a drawing context, or handed
// over as one cPolygon per glyph or bar (explosion).
//
// A glyph's run point (X, Y) (16.16, units of the 48-unit em, y up) becomes
// x = X x widthFactor x size, y = (ascent - Y) x size (y grows from the line's
// top toward its baseline), negated by the mirrors, turned by the text angle
// and moved to the glyph's origin.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"

namespace kvn {

struct DeviceRect;
struct FixedGlyphPlacement;
struct FontGlyph;
class cDrawInfo;
class cOutObj;
class ObjectChain;

struct GlyphPlacement {
  DPoint origin;            // the glyph's origin on the line's top
  double angle = 0.0;       // degrees
  double size = 1.0;        // drawing units per em unit
  std::uint32_t color = 0;  // COLORREF
  std::uint16_t level = 0;
  const cOutObj* templ = nullptr;  // flags 0x01, 0x02 and pages come from it
  double ascent = 0.0;             // of the face, em units
  double widthFactor = 1.0;
  bool mirrorX = false;
  bool mirrorY = false;
};

// Draws the glyph through `info` (when given) and appends one cPolygon per
// glyph to `out` (when given). A glyph without outline gives nothing.
void DrawGlyphOutline(FontGlyph& glyph, cDrawInfo* info, ObjectChain* out, const GlyphPlacement& placement);

// The fixed-point road: the glyph's runs go to the context's raster glyph
// fill, cut at `clip` (1/256 device units) when given. A glyph the fill
// declines is not drawn.
void DrawGlyphOutline(FontGlyph& glyph, cDrawInfo& info, const FixedGlyphPlacement& at, const DeviceRect* clip,
                      std::uint32_t color);

// The underline or strike-out bar from start to end: `offset` across the
// line (rotated by the angle), `thickness` further across. A bar of a hidden
// template is not drawn, but still produced.
void DrawTextBar(cDrawInfo* info, ObjectChain* out, const DPoint& start, const DPoint& end, double angle,
                 double offset, double thickness, std::uint32_t color, std::uint16_t level, const cOutObj* templ);

}  // namespace kvn
