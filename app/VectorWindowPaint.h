// The drawing window's paint pipeline, apart from the window so that it runs
// without a display: one page of one sheet drawn into the off-screen raster
// surface, and the copy of that surface onto a cairo context (the window's
// paint context, or an image in tests and benchmarks).
//
// One paint draws, in client pixels (the surface covers (0, 0) to the paint
// rectangle's far corner, so surface pixel = client pixel), the page as the
// page painter (render/PagePainter.h) lays it out: outside area, page, frame
// and tile lines, then the sheet painter on the current page. Every step is
// limited to the surface's clip, which Prepare made the paint rectangle.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/Region.h"
#include "model/WorldMapping.h"
#include "render/PagePainter.h"

namespace kvn {

class TDC;
class cRasterSurface;
class cSheet;
struct ChainResume;
struct DRect;

// The window's page: the page area in the given colours and the sheet
// painter with the screen's options, through a drawing context on the
// window's mapping (its dark-background flag set from the background
// colour), after making sure the drawing's summary (and with it its extent
// index) is there. `sheet` may be null (an empty white paint). `page` is the page
// record index handed to the sheet painter. `client` is the window's client
// rectangle; `paint` the rectangle being painted (already the surface's
// clip). `dc` is the device context the drawing context works through (the
// surface's own on screen; may be null).
// With `resume` the sheet painter's walk goes on where its last one stopped
// (render/SheetPainter.h, ChainResume), over what the surface already holds:
// the page area is drawn only by the first slice.
void RenderDrawingPage(const WorldMapping& mapping, cSheet* sheet, std::uint16_t page, const TRect& client,
                       const TRect& paint, TDC* dc, cRasterSurface& surface,
                       const PagePaintColors& colors = PagePaintColors{}, ChainResume* resume = nullptr);

// Copies the surface's clip area to the same position of the cairo
// context's user space, pixel for pixel (RGB24: the fourth byte is ignored).
// Nothing when the clip is empty.
void BlitSurfaceToCairo(const cRasterSurface& surface, cairo_t* target);

// What a paint is drawn under: two paints of one pixel under equal states
// draw it alike, as long as the drawing itself has not changed. States of
// one sheet and page that differ otherwise show the same page placed
// otherwise (a resized window, its fitted drawing refitted).
struct PaintState {
  WorldMapping mapping;
  const cSheet* sheet = nullptr;
  std::uint16_t page = 0;
  TRect client;
  friend bool operator==(const PaintState& a, const PaintState& b);
  bool SamePage(const PaintState& other) const { return sheet == other.sheet && page == other.page; }
};

// The blit to a window: the same pixels as BlitSurfaceToCairo, but the clip
// area is first copied into an image made for the target's display (in X
// shared memory where the server offers it). The X server then reads the
// pixels in place instead of receiving them through the socket: in one
// measurement a 1920 x 1080 paint on Xvfb took about 2.5 ms this way
// against 4.3 ms for the direct blit, on top of the toolkit's own 2.7 ms
// (bench/RasterSurfaceBench.cpp).
//
// Each window has its own image, kept between paints, so it is also the
// window's last painted picture: which pixels it holds, and under which
// paint state, is kept beside it. A long operation that holds the program
// (a print, an export) pumps the messages now and then; a paint it
// dispatches shows the kept pixels instead of drawing the page again, which
// for ten million lines takes seconds that the progress window and its
// Cancel button would wait behind. The drawing cannot change meanwhile, but
// the window's size can (the window manager resizes a disabled window too),
// and with it the placement of the page: the picture is then shown moved
// and scaled to the new placement until the page is drawn again. A paint
// that gives way to input shows it so too.
//
// The image covers the client size it was last made for, in both
// directions; a paint beyond it makes a new one (which holds nothing yet),
// and the kept pixels never lie outside it.
class WindowBlitter {
 public:
  WindowBlitter() = default;
  ~WindowBlitter() { Release(); }
  WindowBlitter(const WindowBlitter&) = delete;
  WindowBlitter& operator=(const WindowBlitter&) = delete;

  // The surface's clip area to the window, kept as drawn under `state`; a
  // state other than the kept one forgets every kept pixel first. The image
  // covers at least `least` (the client size), so that a first paint of a
  // part does not make it again for the next.
  void Blit(const cRasterSurface& surface, cairo_t* target, const PaintState& state, TSize least = TSize{});
  // Shows `rect` from the kept pixels, at the client pixels `state` puts
  // them at (moved and scaled when they were kept under another placement
  // of the same page: nearest pixels, no smoothing); what of it they do not
  // cover is filled with `fill` (0x00BBGGRR). Returned is what is to be
  // drawn once it may be: the filled part under the kept state; all of
  // `rect` when the pixels were kept under another placement of the same
  // page or nothing is kept for its page (all filled).
  TRegion ShowKept(cairo_t* target, const TRect& rect, const PaintState& state, COLORREF fill);
  // The drawing changed under these client pixels (null: under all of them).
  void Forget(const TRect* rect);
  // Drops the image (it holds on to the display connection).
  void Release();

 private:
  // The image for `target`, at least width x height; false when none can be made.
  bool EnsureImage(cairo_t* target, int width, int height);
  // The image's own extent (empty without one): its pixels, and no others.
  TRect ImageRect() const;

  cairo_surface_t* image_ = nullptr;
  cairo_device_t* device_ = nullptr;  // of the target the image was made for
  cairo_surface_type_t targetType_ = CAIRO_SURFACE_TYPE_IMAGE;
  PaintState state_;
  TRegion kept_;
};

// The client rectangle to invalidate for a changed world rectangle: its
// corners mapped to client pixels, widened by 12 pixels on every side (room
// for what strokes, dots and arrow heads add beyond the objects' geometry)
// and limited to the client rectangle. Empty when nothing of it is visible.
TRect InvalidRectForWorld(const WorldMapping& mapping, const DRect& world, const TRect& client);

}  // namespace kvn
