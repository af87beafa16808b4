#include "model/cInvRect.h"

#include <algorithm>

#include "model/GeometryServices.h"
#include "render/DrawInfo.h"

namespace kvn {

cInvRect::cInvRect() : cOutObj(kTypeCode) {}

cInvRect::cInvRect(const DRect& rectangle) : cOutObj(kTypeCode), rect(rectangle) {}

cInvRect::~cInvRect() = default;

DRect& cInvRect::GetExtent(DRect& out) {
  out = rect;
  return out;
}

void cInvRect::Recalc(cDrawingData*) {}

void cInvRect::Draw(cDrawInfo* info) {
  if (!info || !info->raster) return;
  if (info->mapping.outputMode != OutputMode::Screen || info->mapping.printerFlag != 0) return;
  const DevicePoint a = WorldToDevice(info->mapping, {rect.x1, rect.y1});
  const DevicePoint b = WorldToDevice(info->mapping, {rect.x2, rect.y2});
  const std::int32_t left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  const std::int32_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
  GetGeometryServices().FillRasterRect(*info->raster, left, top, right - left, bottom - top, 0x00FFFFFF);
}

}  // namespace kvn
