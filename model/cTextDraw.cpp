// Where the lines of a text start, and the SHX drawing the text subsystem
// installs. The drawing itself is the renderer's (render/TextDraw.cpp).
#include "model/Geometry.h"
#include "model/cText.h"

namespace kvn {

namespace {
ShxTextDrawer shxDrawer = nullptr;
}  // namespace

void SetShxTextDrawer(ShxTextDrawer drawer) { shxDrawer = drawer; }

ShxTextDrawer GetShxTextDrawer() { return shxDrawer; }

DPoint cText::GetLineOrigin(cDrawingData* data, int index) {
  UpdateIfDirty(data);
  const double L = GetLineHeight(data);
  const int n = int(lineStarts.Count());
  const double s = lineSpacing > 0 ? lineSpacing : 1.0;
  const double pitch = (GetLineGap(data) + L) * s;
  const double H = n >= 2 ? (n - 1) * pitch + L : L;
  const int c = alignment & kAlignCodeMask;
  double v = (c >= 9 ? GetDescent(data) - L : -H * 0.5 * (c / 3)) + index * pitch;
  if (IsMirroredY(data)) v = -v;
  DPoint origin{point.x, point.y + v};
  RotatePoint(origin, point, -angle);
  return origin;
}

}  // namespace kvn
