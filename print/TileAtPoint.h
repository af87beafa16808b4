// The tile of a tiled drawing under a rectangle's centre: shared by the
// print dialog's "current page or tile" and the export of the current tile.
#pragma once

#include "foundation/DRect.h"

namespace kvn {

class cDrawing;

// cPrintDialog::TileAtPoint. False when the drawing has fewer than two tiles
// or a tile size that is not positive (cDrawing::GetPrintableSize). The
// point is the rectangle's centre ((0, 0) without one); column =
// ceil((x - format origin x) / tile width) - 1 and likewise the row; a column
// or row outside the tiles gives tile (0, 0).
bool TileAtPoint(int& column, int& row, const cDrawing& drawing, const DRect* rect);

// ClipToViewTile: the area becomes its intersection with the tile that holds
// the view's centre; an untiled drawing, or one whose tile size is not
// positive, leaves it unchanged.
void ClipToViewTile(DRect& area, const DRect& view, const cDrawing& drawing);

}  // namespace kvn
