// The fixed-point road of a TrueType line: glyphs placed for the raster
// surface's own glyph fill in 1/1024 device units (render/DrawInfo.h,
// FixedGlyphPlacement), culled or cut at the device clip rectangle.
//
// Each glyph's origin is rounded once from the exact device position of its
// pen (line start plus the advances before it), so that no rounding builds
// up along a line: a glyph lands within 1/1024 unit of where the path in
// doubles puts it. Terms that do not fit 32 bits (a zoom far beyond any
// screen) leave the line to the path in doubles.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "render/DrawInfo.h"

namespace kvn {

struct FixedLineTerms {
  std::int32_t cosine = 0, sine = 0, width = 1024;
  std::int32_t ascentX = 0, ascentY = 0;  // 1/1024 device units, top line to baseline
  DPoint start;                           // device units of the line's start, unrounded
  DPoint step;                            // device units per em unit of advance
  bool mirrorX = false, mirrorY = false;
};

struct FixedLineInput {
  double scale = 1.0;        // of the world mapping
  DPoint start;              // device point of the line's start (after alignment)
  double k = 0.0;            // drawing units per em unit
  double widthFactor = 1.0;  // not 0
  double angle = 0.0;        // degrees
  double ascent = 0.0;       // em units
  bool mirrorX = false, mirrorY = false;
};

// False when a term does not fit 32 bits.
bool MakeFixedLineTerms(FixedLineTerms* out, const FixedLineInput& in);

// The placement of a glyph after `advance` em units of pen travel (signed:
// negative with mirror X); false when its origin does not fit 32 bits.
bool PlaceFixedGlyph(FixedGlyphPlacement* out, const FixedLineTerms& terms, std::int64_t advance);

// 1/256 device units, 64 bits.
struct FixedBox {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
};
// The box of the glyph bounds (16.16 em units: left, top, right, bottom)
// mapped as the glyph fill maps run points.
FixedBox MapGlyphBounds(const std::int32_t bounds[4], const FixedGlyphPlacement& at);

// The clip of glyphs: the device clip rectangle widened by 2 on each side,
// in 1/256 device units (saturated at the 32-bit range).
DeviceRect FixedGlyphClip(const DeviceRect& deviceClip);

enum class GlyphCut { Outside, Crossing, Inside };
GlyphCut ClassifyGlyphBox(const FixedBox& box, const DeviceRect& clip);

}  // namespace kvn
