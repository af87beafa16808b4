// What the geometry objects of this folder need from the renderer, behind
// one small interface so that the model links and runs without it.
//
// The renderer installs its implementation once at start-up; until then (and
// in tests that install nothing) every service answers "nothing": no
// predefined line types, no symbol objects, no built-in hatch objects, wall
// style 0 for old walls, no blank-out painting. Tests install their own
// implementation to give pattern expansion a test line-type list.
//
// Services and the renderer operations they stand for:
//   GetPredefinedLineType   LoadLineTypes, then entry k of the line-type list
//                           (line type 19 + k)
//   ExpandSymbolInstance    the insert expansion of ExpandLineType: the
//                           objects of one instance of the style's symbol
//   BuildBuiltinHatch       the objects and tile box of built-in hatch n
//   ConvertOldWallStyle     the wall style (found or added) of an old wall
//   FillRasterRect          RasterSurface::FillRect
// The stepping along segments, the cap on generated pieces and the marking
// of generated objects are the model's (model/PatternExpansion.h).
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "model/ObjectChain.h"

namespace kvn {

class cAnyFill;
class cAnyLine;
class cDrawingData;
class cRasterSurface;
class cStyleLine;

// One symbol of a patterned line, placed at `position` and turned to the
// direction of the piece it stands on (degrees, counter-clockwise).
struct SymbolInstanceRequest {
  cDrawingData* data = nullptr;
  const cStyleLine* style = nullptr;  // its symbol chain, in symbol units
  DPoint position;
  double angle = 0.0;
  double scale = 1.0;                  // the pattern scale of the placement
  const cAnyLine* line = nullptr;      // colours and width, as the symbol byte asks
};

class GeometryServices {
 public:
  virtual ~GeometryServices() = default;

  // Entry `index` of the predefined line types (loaded on first use); null
  // beyond the end of the list.
  virtual const cStyleLine* GetPredefinedLineType(std::uint32_t index);
  // Appends the objects of one symbol instance to `out` (in drawing units,
  // placed and turned); nothing when the symbol yields none.
  virtual void ExpandSymbolInstance(const SymbolInstanceRequest& request, ObjectChain& out);
  // Pattern 1-254 at `scale` with line width `value`; nothing for pattern 0
  // or a scale not above 0. `tileBox` receives the repeat box.
  virtual void BuildBuiltinHatch(ObjectChain& out, std::uint8_t pattern, double scale, double value,
                                 DRect& tileBox);
  // The index of a wall style of that thickness with the line and fill
  // attributes of `attributes`, found in or appended to the wall-style table.
  virtual std::uint16_t ConvertOldWallStyle(cDrawingData& data, const cAnyFill& attributes, double thickness);
  // Fills a device rectangle of the raster surface.
  virtual void FillRasterRect(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height, std::uint32_t colour);
};

// The installed services, or the default that answers nothing.
GeometryServices& GetGeometryServices();
// Null restores the default. The services must outlive their installation.
void SetGeometryServices(GeometryServices* services);

// The renderer operations under their own names, through the services.
void BuildBuiltinHatch(ObjectChain& out, std::uint8_t pattern, double scale, double value, DRect& tileBox);
std::uint16_t ConvertOldWallStyle(cDrawingData& data, const cAnyFill& attributes, double thickness);

}  // namespace kvn
