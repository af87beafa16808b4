// The drawing window's paint pipeline, apart from the window so that it runs
// without a display: one page of one sheet drawn into the off-screen raster
// surface, and the copy of that surface onto a cairo context (the window's
// paint context, or an image in tests and benchmarks).
//
// Order of one paint, all in client pixels (the surface covers (0, 0) to the
// paint rectangle's far corner, so surface pixel = client pixel):
//   1. outside the page: the client rectangle widened by one pixel, less the
//      page rectangle P, in the outside colour (only with a format);
//   2. the page: P's pixels in the background colour (without a format P is
//      the whole paint rectangle);
//   3. the frame: one pixel on P's four edges, both ends included;
//   4. the tile lines: dashed {3 on, 3 off} lines at every whole tile from the
//      last one to the first, the last one lying on the right or bottom
//      edge when the printable area holds whole tiles;
//   5. the sheet painter on the current page.
// Steps 1 to 4 write the surface's pixels directly; step 5 goes through the
// drawing context onto the surface and its device context. Every step is
// limited to the surface's clip, which Prepare made the paint rectangle.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "model/WorldMapping.h"

namespace kvn {

class TDC;
class cRasterSurface;
class cSheet;
struct DRect;

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

// Steps 1 to 5 above. `sheet` may be null (an empty white paint). `page` is
// the page record index handed to the sheet painter. `client` is the
// window's client rectangle; `paint` the rectangle being painted (already
// the surface's clip). `dc` is the device context the drawing context works
// through (the surface's own on screen; may be null).
void RenderDrawingPage(const WorldMapping& mapping, cSheet* sheet, std::uint16_t page, const TRect& client,
                       const TRect& paint, TDC* dc, cRasterSurface& surface,
                       const PagePaintColors& colors = PagePaintColors{});

// Copies the surface's clip area to the same position of the cairo
// context's user space, pixel for pixel (RGB24: the fourth byte is ignored).
// Nothing when the clip is empty.
void BlitSurfaceToCairo(const cRasterSurface& surface, cairo_t* target);

// The blit to a window: the same pixels as BlitSurfaceToCairo, but the clip
// area is first copied into an image made for the target's display (in X
// shared memory where the server offers it), kept between paints. The X
// server then reads the pixels in place instead of receiving them through
// the socket: in one measurement a 1920 x 1080 paint on Xvfb took about
// 2.5 ms this way against 4.3 ms for the direct blit, on top of the
// toolkit's own 2.7 ms (bench/RasterSurfaceBench.cpp). Image targets get the
// direct blit.
class WindowBlitter {
 public:
  WindowBlitter() = default;
  ~WindowBlitter() { Release(); }
  WindowBlitter(const WindowBlitter&) = delete;
  WindowBlitter& operator=(const WindowBlitter&) = delete;

  void Blit(const cRasterSurface& surface, cairo_t* target);
  // Drops the staging image (it holds on to the display connection).
  void Release();

 private:
  cairo_surface_t* image_ = nullptr;
  cairo_device_t* device_ = nullptr;  // of the target the image was made for
  int width_ = 0;
  int height_ = 0;
};

// The client rectangle to invalidate for a changed world rectangle: its
// corners mapped to client pixels, widened by 12 pixels on every side (room
// for what strokes, dots and arrow heads add beyond the objects' geometry)
// and limited to the client rectangle. Empty when nothing of it is visible.
TRect InvalidRectForWorld(const WorldMapping& mapping, const DRect& world, const TRect& client);

}  // namespace kvn
