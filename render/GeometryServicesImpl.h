// The renderer's side of the model's geometry services (model/
// GeometryServices.h): predefined line types from the line-type resource,
// symbol instances for pattern expansion, the built-in hatch patterns, the
// wall styles of old walls, and raster rectangle fills.
#pragma once

#include "model/GeometryServices.h"

namespace kvn {

class RendererGeometryServices : public GeometryServices {
 public:
  const cStyleLine* GetPredefinedLineType(std::uint32_t index) override;
  // The style's symbol objects placed by a temporary insert of the symbol
  // (model/InsertExpansion.h): scaled by the request's scale, turned by its
  // angle about the symbol origin and moved to its position; colours and
  // width taken from the line as the symbol byte says (0x01 colours, 0x02
  // width). Inserts inside the symbol expand into their blocks' objects.
  void ExpandSymbolInstance(const SymbolInstanceRequest& request, ObjectChain& out) override;
  void BuildBuiltinHatch(ObjectChain& out, std::uint8_t pattern, double scale, double value,
                         DRect& tileBox) override;
  std::uint16_t ConvertOldWallStyle(cDrawingData& data, const cAnyFill& attributes, double thickness) override;
  void FillRasterRect(cRasterSurface& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, std::uint32_t colour) override;
};

// Installs one process-wide instance (start-up), and the picture services
// beside it; idempotent.
void InstallRendererGeometryServices();

}  // namespace kvn
