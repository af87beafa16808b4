#include "print/TileAtPoint.h"

#include <cmath>

#include "document/cDrawing.h"

namespace kvn {

bool TileAtPoint(int& column, int& row, const cDrawing& drawing, const DRect* rect) {
  column = row = 0;
  int across = 1, down = 1;
  drawing.GetTileCounts(across, down);
  double width = 0, height = 0;
  drawing.GetPrintableSize(width, height);
  if (std::int64_t(across) * down < 2 || !(width > 0.0) || !(height > 0.0)) return false;
  const double x = rect ? (rect->x1 + rect->x2) / 2 : 0.0;
  const double y = rect ? (rect->y1 + rect->y2) / 2 : 0.0;
  // Compared as doubles first: a centre far outside must not overflow an int.
  const double c = std::ceil((x - drawing.formatOrigin.x) / width) - 1;
  const double r = std::ceil((y - drawing.formatOrigin.y) / height) - 1;
  if (c >= 0 && c < across && r >= 0 && r < down) {
    column = int(c);
    row = int(r);
  }
  return true;
}

void ClipToViewTile(DRect& area, const DRect& view, const cDrawing& drawing) {
  int column = 0, row = 0;
  if (!TileAtPoint(column, row, drawing, &view)) return;
  double width = 0, height = 0;
  drawing.GetPrintableSize(width, height);
  const double x = drawing.formatOrigin.x + column * width;
  const double y = drawing.formatOrigin.y + row * height;
  area.Intersect(DRect{x, y, x + width, y + height});
}

}  // namespace kvn
