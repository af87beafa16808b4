// RasterDC: a CairoDC over a caller-owned 32-bit pixel buffer.
//
// The buffer holds B, G, R, A bytes per pixel, rows top down, stride =
// width x 4; it must outlive the context. RGB24 leaves the alpha byte to
// cairo's discretion (a window surface); ARGB32 keeps premultiplied alpha.
//
// What cairo cannot do is done on the pixels here (README.md):
//  - every binary raster operation other than R2_COPYPEN, for every pen and
//    brush primitive: one-pixel strokes by the line rule of RasterOps.h,
//    wider strokes and fills through an aliased coverage mask;
//  - one-pixel strokes in aliased mode, so that lines land exactly on GDI's
//    pixels;
//  - PatBlt, and blits with ternary operations other than SRCCOPY (the
//    latter only without rotation or shear);
//  - GetPixel and SetPixel, and finding a flood fill's area.
// Someone who writes the pixels directly (the raster surface) calls Flush
// before and MarkDirty after, so that cairo's view stays in step.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/CairoDC.h"

namespace kvn {

enum class RasterFormat { Rgb24, Argb32 };

class RasterDC : public CairoDC {
 public:
  // Null for a null buffer or a size outside 1 .. 32767 pixels a side.
  static std::unique_ptr<RasterDC> Create(std::uint8_t* bits, std::int32_t width, std::int32_t height,
                                          RasterFormat format = RasterFormat::Rgb24);

  std::uint8_t* Bits() const { return bits_; }
  std::int32_t Width() const { return Caps().widthPx; }
  std::int32_t Height() const { return Caps().heightPx; }
  std::int32_t Stride() const { return Caps().widthPx * 4; }

  // The bracket of direct writes to the pixels: Flush before (cairo's
  // pending drawing lands first), MarkDirty after (cairo learns the pixels
  // changed). Both are lazy, since a repaint brackets every stroke of every
  // object and hardly ever draws through cairo in between: Flush asks cairo
  // only when it has drawn since the last flush, and MarkDirty is told to
  // cairo just before it next draws (BeforeCairo). A direct write to the
  // pixels is a drawing operation of this context: Flush counts it for the
  // abort procedure. Inline, since a repaint calls it for every stroke.
  void Flush() {
    Going();
    FlushCairo();
  }
  void MarkDirty();

  // A band of a printed page: flood fills find nothing, as on a printer
  // (which refuses them), and a fill found within one band would stop at
  // its edge and differ from band to band.
  void RefuseFloodFills() { floodFills_ = false; }

 protected:
  // Flush for the context's own direct writes, which its drawing
  // operations have counted already.
  void FlushCairo() {
    if (cairoDrew_) FlushDrawn();
  }
  // For targets that keep their own pixel form behind the buffer (the 1-bit
  // DIB section); `surface` is a cairo image over `bits`, referenced here.
  RasterDC(cairo_surface_t* surface, std::uint8_t* bits, const DeviceCaps& caps);

  void RenderStroke(const GdiPath& devicePath) override;
  void RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2) override;
  bool RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop) override;
  bool RenderBlit(const BlitRequest& request, const GdiPath& deviceShape) override;
  COLORREF RenderGetPixel(std::int32_t x, std::int32_t y) override;
  bool RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color) override;
  bool RenderFloodArea(std::int32_t x, std::int32_t y, COLORREF color, unsigned mode, TRegion* area) override;

 private:
  std::uint8_t* PixelAt(std::int64_t x, std::int64_t y) const {
    return bits_ + std::size_t(y) * std::size_t(Stride()) + 4 * std::size_t(x);
  }
  // Applies the operation to one visible pixel.
  void PutRop2(std::int64_t x, std::int64_t y, int rop2, std::uint32_t word);
  void ThinStroke(const GdiPath& devicePath, const StrokeStyle& style);
  // The brush's colour at a device pixel; false where a hatch leaves the
  // background alone.
  bool BrushWord(const BrushData& brush, std::int64_t x, std::int64_t y, std::uint32_t* word) const;
  // Draws the path's coverage (a fill, or the stroke of the style) aliased
  // into a mask over its box and calls op(x, y) for every covered, visible
  // pixel.
  template <class Op>
  void ThroughMask(const GdiPath& devicePath, bool stroke, int fillMode, const StrokeStyle* style, Op op);

  void BeforeCairo() override;
  // Lets cairo finish what it drew on the pixels.
  void FlushDrawn();

  std::uint8_t* bits_;
  bool floodFills_ = true;
  bool cairoDrew_ = true;       // since the last flush
  bool writesUntold_ = false;   // direct writes cairo has not been told of
};

}  // namespace kvn
