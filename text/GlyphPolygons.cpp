#include "text/GlyphPolygons.h"

#include <algorithm>
#include <limits>

#include "model/TrueTypeFace.h"

namespace kvn {

void BuildGlyphPolygons(FontGlyph& glyph) {
  auto cache = std::make_unique<GlyphPolygons>();
  cache->runs = ParseGlyphOutline(glyph.outline);
  std::int32_t box[4] = {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                         std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
  bool any = false;
  for (auto& run : cache->runs) {
    for (FixPoint& p : run) {
      p.x = std::int32_t((std::int64_t(p.x) + 4) >> 3);
      p.y = std::int32_t((std::int64_t(p.y) + 4) >> 3);
      box[0] = std::min(box[0], p.x);
      box[1] = std::min(box[1], p.y);
      box[2] = std::max(box[2], p.x);
      box[3] = std::max(box[3], p.y);
      any = true;
    }
  }
  // Left, top, right, bottom with y up: "top" is the smaller y here, as the
  // box of the points before they are placed.
  for (int i = 0; i < 4; ++i) glyph.bounds[i] = any ? box[i] : 0;
  glyph.polygons = std::move(cache);
}

std::uint16_t GetGlyphLeftOverhang(FontGlyph& glyph) {
  if (!glyph.polygons) BuildGlyphPolygons(glyph);
  const std::int32_t left = glyph.bounds[0] >> 16;
  return left < 0 ? std::uint16_t(std::min<std::int32_t>(-left, 0xFFFF)) : 0;
}

std::int32_t GetGlyphRightOverhang(FontGlyph& glyph) {
  if (!glyph.polygons) BuildGlyphPolygons(glyph);
  const std::int32_t over = std::int32_t((std::int64_t(glyph.bounds[2]) + 0x8000) >> 16) - glyph.advance;
  return over > 0 ? over : 0;
}

}  // namespace kvn
