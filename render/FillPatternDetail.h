// Shared parts of the hatch layer's raster road (FillPattern.cpp) and its
// device-context and print roads (FillPatternDevice.cpp).
#pragma once

#include <cstdint>
#include <functional>

#include "foundation/DRect.h"
#include "model/ObjectChain.h"
#include "platform/gdi/GdiTypes.h"
#include "render/BandRegion.h"
#include "render/HatchGenerator.h"

namespace kvn {

class cAnyFill;
class cDrawInfo;

namespace fill_detail {

// The hatch of a fill: line families, or pattern objects with their tile box.
struct HatchPattern {
  HatchDefinition definition;
  ObjectChain objects;
  DRect tileBox;
  double scale = 1.0;
  bool Empty() const { return definition.families.empty() && !objects.Head(); }
};

// Pattern objects come in colour 0 with `plain`, else in the hatch colour.
void MakeHatchPattern(cAnyFill& fill, cDrawInfo& info, bool plain, HatchPattern& out);

// The four world corners of a device box.
void BoxCorners(const cDrawInfo& info, const TRect& box, DPoint out[4]);

// Draws the pattern objects of every tile position that meets a box of
// `width` x `height` device units whose top-left corner lies at world
// `corner`, through `nested`, whose mapping puts world (0, 0) at the box's
// corner. `copy`, when given, is used on whole-pixel tiles to replicate a
// drawn 4 x 4 block (source rectangle, target top-left); otherwise every tile
// is drawn. True when the pattern is abandoned (values not finite, or too
// many tiles).
inline constexpr std::int64_t kMaxPatternTiles = 4000000;

bool DrawTileGrid(cDrawInfo& nested, ObjectChain& objects, const DRect& tileBox, const DPoint& corner,
                  std::int32_t width, std::int32_t height,
                  const std::function<void(const TRect&, TPoint)>& copy);

// The device-context and print roads; `area` holds the area's polygons in
// device units. True for the solid fallback.
bool FillPatternDevice(cDrawInfo& info, cAnyFill& fill, const PolygonList& area, std::int32_t lineWidth,
                       COLORREF hatchColor);

}  // namespace fill_detail
}  // namespace kvn
