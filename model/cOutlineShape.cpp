#include "model/cOutlineShape.h"

#include "render/DrawInfo.h"

namespace kvn {

cOutlineShape::cOutlineShape(std::uint8_t typeCode) : cAnyFill(typeCode) {}

cOutlineShape::~cOutlineShape() = default;

PointList& cOutlineShape::PrepareOutline(cPolygon& target, double radius) const {
  target.cAnyLine::Assign(*this);
  target.AssignFillPart(*this);
  target.ResetLists();
  PointList& list = target.FirstList();
  list.SetClosed(true);
  list.SetCurveKind(radius != 0 ? 2 : 0);
  list.SetWeight(radius);
  return list;
}

ObjectChain cOutlineShape::Resolve(cDrawingData* data, bool) {
  UpdateIfDirty(data);
  DRect unused;
  GetExtent(unused);
  return outline_.Resolve(data, true);
}

ObjectChain cOutlineShape::Explode(cDrawingData*) {
  auto* polygon = new cPolygon();
  BuildOutline(*polygon);
  return ObjectChain(polygon);
}

DRect& cOutlineShape::GetExtent(DRect& out) { return outline_.GetExtent(out); }

void cOutlineShape::AddStrokeExtent(cDrawingData* data, DRect& extent) { outline_.AddStrokeExtent(data, extent); }

void cOutlineShape::AddFullExtent(cDrawingData* data, DRect& extent) { outline_.AddFullExtent(data, extent); }

void cOutlineShape::Recalc(cDrawingData* data) {
  BuildOutline(outline_);
  outline_.UpdateIfDirty(data);
  DRect unused;
  outline_.GetExtent(unused);
}

bool cOutlineShape::GetOutline(CubicArray& out, int* position) {
  cPolygon temporary;
  BuildOutline(temporary);
  return temporary.GetOutline(out, position);
}

void cOutlineShape::Draw(cDrawInfo* info) {
  if (!info) return;
  UpdateIfDirty(info->data);
  DRect unused;
  GetExtent(unused);
  outline_.Draw(info);
}

void cOutlineShape::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  UpdateIfDirty(info->data);
  DRect unused;
  GetExtent(unused);
  outline_.DrawOutline(value, info, false);
}

}  // namespace kvn
