#include "render/GeometryServicesImpl.h"

#include <cmath>
#include <memory>

#include "document/PredefinedLineTypes.h"
#include "model/InsertExpansion.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cInsert.h"
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
  if (!request.style->symbol.Head()) return;
  // The symbol is placed by a temporary, un-numbered insert of a block that
  // only shows the style's symbol chain; inserts inside the symbol expand
  // like those of any block.
  cBlock symbol;
  symbol.SetSharedChain(const_cast<cOutObj*>(request.style->symbol.Head()));
  cInsert placer(false);
  placer.point = request.position;
  placer.angle = ReduceAngle(-request.angle);  // the children turn by the negated insert angle
  placer.scale = DPoint{request.scale, request.scale};
  std::uint32_t color = 0, gapColor = 0;
  ExpandInsertArgs args;
  args.insert = &placer;
  args.block = &symbol;
  if (request.line && (request.style->symbolByte & kSymbolTakesColors)) {
    color = request.line->GetColor(request.data);
    gapColor = request.line->GetGapColor(request.data);
    args.colorOverride = &color;
    args.gapColorOverride = &gapColor;
  }
  if (request.line && (request.style->symbolByte & kSymbolTakesWidth)) {
    args.fixedWidth = request.line->GetWidth(request.data);
  }
  ObjectEntryArray entries;
  args.out = &entries;
  args.data = request.data;
  args.labelsOff = true;
  args.resolvePass = true;
  args.widthFactor = 1.0;
  args.topInsert = &placer;
  args.level = kNoLevel;
  ExpandInsert(args);
  for (std::size_t i = 0; i < entries.Count(); ++i) out.Append(entries[i].object.release());
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
