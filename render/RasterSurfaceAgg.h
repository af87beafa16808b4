// The AGG objects a raster surface owns for the anti-aliased fill: a B, G, R,
// A pixel format over the surface's rows, the base renderer whose clip box is
// the surface's clip, and the solid scanline renderer that carries the fill
// colour. Only the rasterize and span stages include this header (AGG's
// templates stay out of headers that the rest of the program includes).
//
// The rows are top down (positive stride). The base renderer's clip box is
// inclusive, in whole pixels, and (1, 1, 0, 0) when the clip is empty. A
// rasterizer fed for this surface must get a clip box as well: AGG 2.6
// rasterises edges longer than 16,384 pixels with coverage errors without one.
#pragma once

#include <agg_pixfmt_rgba.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>

namespace kvn {

struct RasterAgg {
  using PixelFormat = agg::pixfmt_bgra32;
  using BaseRenderer = agg::renderer_base<PixelFormat>;
  using SolidRenderer = agg::renderer_scanline_aa_solid<BaseRenderer>;

  RasterAgg() : pixelFormat(rows), base(pixelFormat), solid(base) {}
  RasterAgg(const RasterAgg&) = delete;
  RasterAgg& operator=(const RasterAgg&) = delete;

  agg::rendering_buffer rows;  // attached to the surface's pixels by every Prepare
  PixelFormat pixelFormat;
  BaseRenderer base;
  SolidRenderer solid;
};

}  // namespace kvn
