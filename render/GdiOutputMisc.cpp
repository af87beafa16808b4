// Small helpers of the device-context output: the mask line of the hatch
// generator, region boxes, and the exploded drawing of an object.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "model/ObjectChain.h"
#include "model/cOutObj.h"
#include "platform/gdi/Region.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"

namespace kvn {

void MaskLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint8_t* bits,
              std::int32_t width, std::int32_t height) {
  if (!bits || width <= 0 || height <= 0) return;
  const std::int64_t stride = (std::int64_t(width) + 31) / 32 * 4;
  auto clear = [&](std::int64_t x, std::int64_t y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    bits[(height - 1 - y) * stride + x / 8] &= std::uint8_t(~(0x80u >> (x & 7)));
  };
  std::int64_t ax = x1, ay = y1, bx = x2, by = y2;
  const bool xMajor = std::llabs(bx - ax) >= std::llabs(by - ay);
  if (!xMajor) {
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  if (ax > bx) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const std::int64_t dx = bx - ax, dy = std::llabs(by - ay), step = by >= ay ? 1 : -1;
  // Step k of the walk in closed form (the incremental error term gives the
  // same minor coordinates), so that only the steps over the bitmap are
  // taken however far outside the line starts.
  const std::int64_t majorLimit = xMajor ? width : height;
  const std::int64_t first = std::max<std::int64_t>(0, -ax), last = std::min<std::int64_t>(dx, majorLimit - 1 - ax);
  for (std::int64_t k = first; k <= last; ++k) {
    const std::int64_t minor = dx == 0 ? ay : ay + step * ((2 * k * dy + dx - 1) / (2 * dx));
    if (xMajor) {
      clear(ax + k, minor);
    } else {
      clear(minor, ax + k);
    }
  }
}

void GetRegionBox(const TRegion* region, TRect* out) {
  if (!out) return;
  *out = TRect{};
  if (region) *out = region->GetBox();
}

bool IsEmptyRect(const TRect& rect) {
  return rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0;
}

void DrawExplodedChain(cOutObj& object, cDrawingData* data, cDrawInfo& info) {
  ObjectChain chain = object.Resolve(data, true);
  for (cOutObj* o = chain.Head(); o; o = o->next) o->Draw(&info);
}

}  // namespace kvn
