#include "render/WorldMapping.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace kvn {

namespace {
std::int32_t Rnd(double v) { return std::int32_t(std::floor(v + 0.5)); }
}  // namespace

std::int32_t WorldMapping::ToDeviceX(double wx) const { return Rnd(wx * scale * 4 + originX) + offsetX; }
std::int32_t WorldMapping::ToDeviceY(double wy) const { return Rnd(wy * scale * 4 + originY) + offsetY; }

DevicePoint WorldMapping::WorldToDevicePoint(const DPoint& w) const { return {ToDeviceX(w.x), ToDeviceY(w.y)}; }

DevicePoint WorldToDevice(const WorldMapping& m, const DPoint& w) { return m.WorldToDevicePoint(w); }

DPoint WorldMapping::ToDeviceF(const DPoint& w) const {
  return {w.x * scale * 4 + originX + offsetX, w.y * scale * 4 + originY + offsetY};
}

void WorldMapping::ToSubpixel(const DPoint& w, std::int32_t out[2]) const {
  DPoint d = ToDeviceF(w);
  out[0] = Rnd(d.x * 256);
  out[1] = Rnd(d.y * 256);
}

void WorldMapping::ToSubpixel4(const DPoint points[4], std::int32_t out[8]) const {
  for (int i = 0; i < 4; ++i) ToSubpixel(points[i], out + 2 * i);
}

DPoint WorldMapping::DeviceToWorld(const DevicePoint& d) const {
  double x = double(d.x - offsetX) - originX;
  double y = double(d.y - offsetY) - originY;
  if (scale != 0.0) {
    x *= 0.25 / scale;
    y *= 0.25 / scale;
  }
  return {x, y};
}

void WorldMapping::SetDeviceClip(const DeviceRect& r) {
  deviceClip = DeviceRect{std::min(r.left, r.right) - clipMargin, std::min(r.top, r.bottom) - clipMargin,
                          std::max(r.left, r.right) + clipMargin, std::max(r.top, r.bottom) + clipMargin};
  std::fill(std::begin(clipCompanions), std::end(clipCompanions), 0);
}

}  // namespace kvn
