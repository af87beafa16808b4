// The two layers of an area fill: the solid layer in the fill colour at its
// opacity, then the hatch layer in the hatch colour (a family of hatch lines
// or a tiled pattern of objects), both over the path buffer's pieces.
//
// Raster output draws the hatch layer once into a process-wide off-screen
// tile and stamps it through a mask of the area, instead of clipping every
// hatch line to the outline.
#pragma once

#include <cstdint>

#include "render/HatchGenerator.h"

namespace kvn {

class cAnyFill;
class cDrawInfo;
class cDrawingData;
class cOutObj;

// Anti-aliased on a raster surface whose anti-alias mode is not 0, else
// through the device context (solid brush and null pen, or blended below
// opacity 255). The context's opaque-fill flag forces opacity 255.
void FillPathSolid(cDrawInfo& info, std::uint32_t color, std::uint8_t opacity);

// The hatch layer of the object's fill over the path buffer's pieces;
// nothing for hatch kind 0, or while another fill draws its tile.
void FillPatternArea(cDrawInfo& info, cOutObj& object);

// The hatch lines of a symbol-hatch fill style as line families (base
// point, offset, angle, dashes); empty for every other fill.
HatchDefinition MakeHatchDefinition(const cAnyFill& fill, const cDrawingData* data);

}  // namespace kvn
