#include "model/GeometryServices.h"

namespace kvn {

namespace {

GeometryServices defaultServices;
GeometryServices* installed = nullptr;

}  // namespace

const cStyleLine* GeometryServices::GetPredefinedLineType(std::uint32_t) { return nullptr; }

void GeometryServices::ExpandSymbolInstance(const SymbolInstanceRequest&, ObjectChain&) {}

void GeometryServices::BuildBuiltinHatch(ObjectChain&, std::uint8_t, double, double, DRect& tileBox) {
  tileBox = DRect{};
}

std::uint16_t GeometryServices::ConvertOldWallStyle(cDrawingData&, const cAnyFill&, double) { return 0; }

void GeometryServices::FillRasterRect(cRasterSurface&, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                      std::uint32_t) {}

GeometryServices& GetGeometryServices() { return installed ? *installed : defaultServices; }

void SetGeometryServices(GeometryServices* services) { installed = services; }

void BuildBuiltinHatch(ObjectChain& out, std::uint8_t pattern, double scale, double value, DRect& tileBox) {
  tileBox = DRect{};
  if (pattern == 0 || !(scale > 0)) return;
  GetGeometryServices().BuildBuiltinHatch(out, pattern, scale, value, tileBox);
}

std::uint16_t ConvertOldWallStyle(cDrawingData& data, const cAnyFill& attributes, double thickness) {
  return GetGeometryServices().ConvertOldWallStyle(data, attributes, thickness);
}

}  // namespace kvn
