// The AGG side of the anti-aliased fill: the rasterizer and scanline types it
// feeds, and the render loop over their scanlines. Only the rasterize stage's
// .cpp files, the tests and the benchmarks include this header (AGG's
// templates stay out of headers that the rest of the program includes).
//
// From AGG only the scanline rasterizer (cells, sort, sweep, the integer 24.8
// clipper, the even-odd rule) and the packed scanline are used; the alpha
// table, the render loop and the blenders are ours (SpanBlend.h). Every
// rasterizer gets a clip box no larger than the surface (at most 32767
// pixels a side): AGG 2.6 miscounts coverage on longer edges without one,
// and the packed scanline keeps x in 16 bits.
#pragma once

#include <agg_rasterizer_scanline_aa.h>
#include <agg_scanline_p.h>

#include "render/SpanBlend.h"

namespace kvn {

using AaRasterizer = agg::rasterizer_scanline_aa<agg::rasterizer_sl_clip_int>;
using AaScanline = agg::scanline_p8;

// Sweeps the rasterizer (closing an open polygon first) and blends every
// span inside the renderer's clip box with the renderer's colour: runs of one
// coverage through BlendSolidSpan, the rest through BlendCoverSpan.
void RenderScanlines(AaRasterizer& rasterizer, AaScanline& scanline, const SpanRenderer& renderer,
                     CoverageRecorder* recorder);

}  // namespace kvn
