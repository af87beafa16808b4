#include "render/BuiltinHatches.h"

#include <cmath>
#include <cstdlib>

#include "model/cLine.h"
#include "model/cRectangle.h"

namespace kvn {

namespace {

// A row: the index of the last part, then up to 15 parts (x1, y1, x2, y2).
struct HatchRow {
  std::int8_t last;
  std::int8_t parts[15][4];
};

// clang-format off
constexpr HatchRow kHatchRows[kBuiltinHatchCount] = {
  {1, {{0, 0, 20, 20}, {0, 0, 20, 0}}},
  {1, {{0, 0, 20, 20}, {0, 0, 0, 20}}},
  {1, {{0, 0, 20, 20}, {0, 0, 20, 20}}},
  {1, {{0, 0, 20, 20}, {0, 20, 20, 0}}},
  {2, {{0, 0, 20, 20}, {0, 0, 20, 0}, {0, 0, 0, 20}}},
  {2, {{0, 0, 20, 20}, {0, 0, 20, 20}, {0, 20, 20, 0}}},
  {2, {{0, 0, 20, 20}, {0, 0, 0, 0}, {10, 10, 10, 10}}},
  {2, {{5, 5, 25, 25}, {15, 15, 25, 25}, {15, 25, 25, 15}}},
  {4, {{0, 0, 0, 0}, {10, 5, 10, 15}, {5, 10, 15, 10}, {20, 15, 20, 25}, {15, 20, 25, 20}}},
  {4, {{0, 0, 0, 0}, {5, 10, 15, 10}, {20, 5, 20, 15}, {10, 15, 10, 25}, {15, 20, 25, 20}}},
  {2, {{0, 0, 20, 20}, {0, 0, 10, 0}, {10, 10, 20, 10}}},
  {2, {{0, 0, 20, 20}, {0, 0, 0, 10}, {10, 10, 10, 20}}},
  {4, {{0, 0, 20, 20}, {0, 0, 10, 0}, {10, 0, 10, 10}, {10, 10, 20, 10}, {20, 10, 20, 20}}},
  {4, {{0, 0, 0, 0}, {0, 0, 20, 0}, {20, 0, 20, 20}, {0, 20, 20, 20}, {10, 20, 10, 40}}},
  {12, {{0, 0, 0, 0}, {0, 0, 6, 10}, {6, 10, 0, 20}, {0, 20, 6, 30}, {6, 30, 0, 40}, {6, 10, 17, 10},
        {6, 30, 17, 30}, {23, 0, 17, 10}, {17, 10, 23, 20}, {23, 20, 17, 30}, {17, 30, 23, 40},
        {23, 40, 35, 40}, {23, 20, 35, 20}}},
  {4, {{0, 0, 0, 0}, {0, 0, 10, 10}, {0, 20, 20, 0}, {20, 0, 40, 20}, {20, 20, 30, 10}}},
  {4, {{0, 0, 20, 20}, {0, 0, 10, 0}, {10, 0, 10, 10}, {10, 10, 0, 10}, {0, 10, 0, 0}}},
  {1, {{0, 0, 20, 20}, {0, 0, -10, -10}}},
  {1, {{0, 0, -20, -20}, {-20, -20, -40, -40}}},
  {1, {{0, 0, 20, 20}, {0, 0, -20, -10}}},
  {1, {{0, 0, 20, 20}, {0, 0, -10, -20}}},
};
// clang-format on

// The hexagon pattern's x positions are multiples of 10 / sqrt(3), which no
// byte holds; four codes stand for them.
double MapX(std::int8_t code) {
  switch (code) {
    case 6: return 5.7735027;
    case 17: return 5.7735027 * 3;
    case 23: return 5.7735027 * 4;
    case 35: return 5.7735027 * 6;
    default: return code;
  }
}

bool IsPoint(double x1, double y1, double x2, double y2) {
  constexpr double kEpsilon = 1.1920928955078125e-7;
  return std::fabs(x1 - x2) <= kEpsilon && std::fabs(y1 - y2) <= kEpsilon;
}

cOutObj* MakeLine(double x1, double y1, double x2, double y2, std::uint8_t lineType, double width) {
  auto* line = new cLine();
  line->start = DPoint{x1, y1};
  line->end = DPoint{x2, y2};
  line->stroke.lineType = lineType;
  line->stroke.width = width;
  line->stroke.color = 0;
  line->stroke.gapColor = 0x80FFFFFF;
  line->stroke.patternScale = 1.0;
  return line;
}

cOutObj* MakeFilledRect(double x1, double y1, double x2, double y2) {
  auto* rect = new cRectangle();
  rect->corner1 = DPoint{x1, y1};
  rect->corner2 = DPoint{x2, y2};
  rect->stroke.lineType = 0;
  rect->stroke.width = 0;
  rect->fill.fillColor = 0;
  rect->fill.hatchKind = 0;
  return rect;
}

}  // namespace

void BuildBuiltinHatchObjects(ObjectChain& out, std::uint32_t pattern, double scale, double lineUnit,
                              DRect& tileBox) {
  out.Clear();
  tileBox = DRect{};
  if (!(scale > 0) || !std::isfinite(scale) || pattern == 0 || pattern > kBuiltinHatchCount) return;
  const HatchRow& row = kHatchRows[pattern - 1];
  const double unit = 0.125 * scale;
  bool first = true;
  for (int i = 0; i <= row.last; ++i) {
    const std::int8_t* p = row.parts[i];
    double x1 = MapX(p[0]) * unit, y1 = p[1] * unit, x2 = MapX(p[2]) * unit, y2 = p[3] * unit;
    cOutObj* object = nullptr;
    if (x2 < 0) {
      x1 = -x1, y1 = -y1, x2 = -x2, y2 = -y2;
      object = MakeFilledRect(x1, y1, x2, y2);
    } else if (i == 0) {
      if (IsPoint(x1, y1, x2, y2)) continue;
      object = MakeLine(x1, y1, x2, y2, 0, 0);  // only widens the tile
    } else {
      const bool dot = IsPoint(x1, y1, x2, y2);
      object = MakeLine(x1, y1, x2, y2, 1, dot ? 2 * lineUnit : lineUnit);
    }
    object->MarkDirty();
    out.Append(object);
    tileBox.Union(DRect{std::fmin(x1, x2), std::fmin(y1, y2), std::fmax(x1, x2), std::fmax(y1, y2)}, first);
  }
}

}  // namespace kvn
