// Hatch objects of filled objects: what the renderer clips into the outline.
#include "model/GeometryServices.h"
#include "model/cAnyFill.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "model/cText.h"

namespace kvn {

namespace {

double PositiveHatchScale(const cDrawingData* data) { return data && data->Scale() > 0 ? data->Scale() : 1.0; }

}  // namespace

void cAnyFill::MakeHatchObjects(ObjectChain& out, double& scale, cDrawingData* data, const cStyleFill*& style,
                                DRect& tileBox, bool plain) {
  out.Clear();
  tileBox = DRect{};
  style = GetFillStyle(data);
  scale = fill.hatchScale;
  double value = fill.hatchValue;
  const std::uint8_t kind = style ? style->hatchKind : fill.hatchKind;
  if (style) {
    if (style->byObject) {
      // A by-object style sizes its pattern for the drawing scale; the
      // object's own scale is relative to that.
      scale = style->hatchScale / PositiveHatchScale(data) * fill.hatchScale;
    } else {
      scale = style->hatchScale;
      value = style->hatchValue;
    }
  }
  if (kind < kSymbolHatch) {
    BuildBuiltinHatch(out, kind, scale, value, tileBox);
  } else if (style) {
    CopyHatchSymbol(*style, out, tileBox, scale, value, style->symbolScale);
  }

  const std::uint32_t colour = plain ? 0 : GetHatchColor(data);
  for (cOutObj* o = out.Head(); o; o = o->next) {
    if (cAnyLine* line = o->AsAnyLine()) line->stroke.color = colour;
    if (cAnyFill* filled = o->AsAnyFill(); filled && (filled->fill.fillColor & 0x80000000u) == 0) {
      filled->fill.fillColor = colour;
    }
    if (cText* text = o->AsText()) text->attr.color = colour;
    o->MarkDirty();
  }
}

void cAnyFill::CopyHatchSymbol(const cStyleFill& style, ObjectChain& out, DRect& tileBox, double scale, double width,
                               double widthFactor) {
  out.Clear();
  tileBox = DRect{};
  if (!(scale > 0)) return;
  // The style keeps no box of its symbol: it is the union of the symbol
  // objects' extents, each refreshed first.
  DRect box;
  bool first = true;
  for (cOutObj* o = style.symbol.Head(); o; o = o->next) {
    DRect extent;
    o->GetExtentUpdated(nullptr, extent);
    box.Union(extent, first);
  }
  for (const cOutObj* o = style.symbol.Head(); o; o = o->next) {
    cOutObj* copy = cOutObj::Create(o->TypeCode(), false);
    if (!copy) continue;
    copy->Assign(*o);
    copy->Scale(TransformContext{}, DPoint{0, 0}, DPoint{scale, scale});
    if (cAnyLine* line = copy->AsAnyLine()) line->stroke.width = width != 0 ? width : line->stroke.width * widthFactor;
    out.Append(copy);
  }
  tileBox = DRect{box.x1 * scale, box.y1 * scale, box.x2 * scale, box.y2 * scale};
}

}  // namespace kvn
