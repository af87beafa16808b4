#include "render/GeometryServicesImpl.h"

#include <cmath>
#include <memory>

#include "document/PredefinedLineTypes.h"
#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cStyleLine.h"
#include "render/BuiltinHatches.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

constexpr std::uint8_t kSymbolTakesColors = 0x01;
constexpr std::uint8_t kSymbolTakesWidth = 0x02;

// The insert's rotation reduced into (-180, 180].
double ReduceAngle(double degrees) {
  double a = std::fmod(degrees, 360.0);
  if (a <= -180.0) a += 360.0;
  if (a > 180.0) a -= 360.0;
  return a;
}

}  // namespace

const cStyleLine* RendererGeometryServices::GetPredefinedLineType(std::uint32_t index) {
  return kvn::GetPredefinedLineType(index);
}

void RendererGeometryServices::ExpandSymbolInstance(const SymbolInstanceRequest& request, ObjectChain& out) {
  if (!request.style || !std::isfinite(request.angle) || !std::isfinite(request.scale)) return;
  const double angle = ReduceAngle(request.angle);
  TransformContext context;
  context.data = request.data;
  for (const cOutObj* o = request.style->symbol.Head(); o; o = o->next) {
    std::unique_ptr<cOutObj> copy(cOutObj::Create(o->TypeCode(), false));
    if (!copy) continue;
    copy->Assign(*o);
    if (request.scale != 1.0) copy->Scale(context, DPoint{0, 0}, DPoint{request.scale, request.scale});
    if (angle != 0.0 && !copy->Rotate(context, DPoint{0, 0}, angle)) continue;
    copy->Move(request.position);
    if (cAnyLine* line = copy->AsAnyLine(); line && request.line) {
      if (request.style->symbolByte & kSymbolTakesColors) {
        line->stroke.color = request.line->GetColor(request.data);
        line->stroke.gapColor = request.line->GetGapColor(request.data);
      }
      if (request.style->symbolByte & kSymbolTakesWidth) line->stroke.width = request.line->GetWidth(request.data);
    }
    out.Append(copy.release());
  }
}

void RendererGeometryServices::BuildBuiltinHatch(ObjectChain& out, std::uint8_t pattern, double scale, double value,
                                                 DRect& tileBox) {
  BuildBuiltinHatchObjects(out, pattern, scale, value, tileBox);
}

std::uint16_t RendererGeometryServices::ConvertOldWallStyle(cDrawingData& data, const cAnyFill& attributes,
                                                            double thickness) {
  return data.FindOrAddWallStyle(attributes, thickness);
}

void RendererGeometryServices::FillRasterRect(cRasterSurface& surface, std::int32_t x, std::int32_t y,
                                              std::int32_t width, std::int32_t height, std::uint32_t colour) {
  surface.FillRect(x, y, width, height, colour);
}

void InstallRendererGeometryServices() {
  static RendererGeometryServices services;
  SetGeometryServices(&services);
  InstallRendererPictureServices();
}

}  // namespace kvn
