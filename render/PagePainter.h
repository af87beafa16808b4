// The page painter: what lies around and under a sheet's objects when a page
// is shown on the off-screen raster surface, and the sheet painting of that
// page. The drawing window paints through it, and so do the print preview
// and the page renderer where they show a page on a surface, so that every
// road draws the same frame, outside area and tile lines.
//
// Order of one page, all in surface pixels:
//   1. outside the page: the client rectangle widened by one pixel, less the
//      page rectangle P, in the outside colour (only with a format);
//   2. the page: P's pixels in the background colour (without a format P is
//      the whole paint rectangle);
//   3. the frame: one pixel on P's four edges, both ends included;
//   4. the tile lines: dashed {3 on, 3 off} lines at every whole tile from the
//      last one to the first, the last one lying on the right or bottom
//      edge when the printable area holds whole tiles;
//   5. the sheet painter on the current page.
// Steps 1 to 4 write the surface's pixels directly (PaintPageArea); step 5
// goes through a drawing context onto the surface and its device context
// (PaintSheetPage). Every step is limited to the surface's clip.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "render/SheetPainter.h"

namespace kvn {

class cDrawInfo;
class cDrawing;
class cRasterSurface;
class cSheet;
struct DRect;
struct WorldMapping;

// Colours of the page (0x00BBGGRR).
struct PagePaintColors {
  COLORREF background = 0x00FFFFFF;  // inside the page: white
  COLORREF outside = 0x00C0FFFF;     // around it: light yellow (red 255, green 255, blue 192)
  COLORREF frame = 0x00000080;       // frame and tile lines: dark red (red 128)
};

// The frame colour, or the complement of the background (24 bits) when the
// two are equal, so that the frame never vanishes into the page.
COLORREF EffectiveFrameColor(const PagePaintColors& colors);

// A background is dark when min + max of its red, green and blue is below
// 256 (lightness under one half); strokes then exchange black and white.
bool IsDarkBackground(COLORREF background);

// The tile lines of one axis worth drawing: indices i from `first` up to
// `last` (none when first > last) of the lines at start + i x tile, within
// 1 <= i <= the number of whole tiles in `printable`, and lying in
// [visibleLow, visibleHigh] (world units). A count within one part in 10^9
// of a whole number counts as that number: 3 x 0.7 / 0.7 is 2.9999999999999996
// in doubles, and the line on the far edge must not go missing. Zero, NaN or
// infinite sizes give no lines.
struct TileLineRange {
  double first = 1.0;
  double last = 0.0;
  bool Empty() const { return !(first <= last); }
};
TileLineRange VisibleTileLines(double start, double printable, double tile, double visibleLow, double visibleHigh);

// The page rectangle P: a printable area's corners mapped to device pixels,
// normalised (margins wider than the format give an area whose far corner
// lies before its origin), right and bottom inclusive. The edges are 64-bit
// so that edges saturated at the ends of the 32-bit range can be widened and
// compared without overflow.
struct PagePixelBox {
  std::int64_t left, top, right, bottom;
};
PagePixelBox PageRectangle(const WorldMapping& mapping, const DRect& area);

// Step 1: the four strips of `client` widened by one pixel that lie outside
// `page`, each limited to that widened rectangle.
void PaintOutsideArea(cRasterSurface& surface, const PagePixelBox& page, const TRect& client, COLORREF outside);

// Step 3: one pixel on the page's four edges.
void PaintPageFrame(cRasterSurface& surface, const PagePixelBox& page, COLORREF frame);

// Step 4: the tile lines of `drawing` (which has a format) across `page`,
// vertical ones first; none when a tile's width or height is zero or NaN.
// Only the lines within a pixel of the surface's clip are drawn, and never
// more than the clip has pixels across, so that tiles finer than a pixel
// cost no more than coarse ones.
void PaintTileLines(cRasterSurface& surface, const WorldMapping& mapping, const cDrawing& drawing,
                    const PagePixelBox& page, COLORREF color);

// Steps 1 to 4. `drawing` may be null (no format). `client` is the window's
// client rectangle (or the preview's page area); `paint` the rectangle being
// painted, already the surface's clip.
void PaintPageArea(cRasterSurface& surface, const WorldMapping& mapping, const cDrawing* drawing,
                   const TRect& client, const TRect& paint, const PagePaintColors& colors);

// Step 5: the sheet painter on the top block of `sheet`'s drawing with its
// level table and data, for page record index `page`. The options' defaults
// are the screen's; the printed page and the exports pass the drawing's two
// print options and their object filter. Returns whether anything was drawn.
bool PaintSheetPage(cSheet& sheet, std::uint16_t page, cDrawInfo& info,
                    const PaintChainOptions& options = PaintChainOptions{});

}  // namespace kvn
