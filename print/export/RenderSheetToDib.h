// A sheet's page as a raster picture: rendered once at 24 bits on the raster
// surface (output mode 1), then reduced to the output depth, to a palette of
// the colours used when few are, for exports and the main window's previews.
//
// Pixels per drawing unit p = resolution / 25.4 / s (s: drawing units per
// paper millimetre). The area is the filtered extent of the page, limited to
// the view's tile when a view is given, and widened by `margin` pixels on
// every side; a side over 32766 pixels is refused, not rendered.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DRect.h"
#include "platform/gdi/TDib.h"

namespace kvn {

class LevelTable;
class cBlock;
class cDrawing;
class cDrawingData;

inline constexpr double kMaxDibSide = 32766.0;

// Why no picture came: the caller words its message by it.
enum class DibRenderFailure { None, NoResolution, TooLarge, NoSurface, Conversion };

struct DibRenderReport {
  DibRenderFailure failure = DibRenderFailure::None;
  // The size the picture would have had, in pixels (0 when not computed).
  double width = 0, height = 0;
};

// Bit count 1, 4, 8 or 24. Grey flag set: 1 bit renders monochrome without
// smoothing, other counts become an 8-bit grey picture. Grey flag clear: 1
// and 4 bits render without smoothing. Background -1 is white, else a
// COLORREF. With `collectColors` a picture of few colours is made paletted
// to exactly those (1, 4 or 8 bits).
std::unique_ptr<TDib> RenderSheetToDib(LevelTable* levels, cDrawingData* data, cBlock* top, const DRect* view,
                                       double scale, std::uint32_t bitCount, double resolution,
                                       const std::uint8_t* filter, const cDrawing* drawing, std::uint16_t page,
                                       bool grey, std::int32_t background, bool smoothing, bool collectColors,
                                       int margin, DibRenderReport* report = nullptr);

// The area rendered at p pixels per drawing unit into a new 24-bit picture
// (bottom-up), floor(size x p + 0.5) pixels a side, at least 1. The flag
// comes back set when the render was monochrome and every pixel is pure
// black or pure white. Null when no surface can be made.
std::unique_ptr<TDib> RenderAreaToDib24(LevelTable* levels, bool& onlyBlackWhite, double p, const DRect& area,
                                        cDrawingData* data, cBlock* top, const std::uint8_t* filter,
                                        const cDrawing* drawing, std::uint16_t page, bool monochrome,
                                        std::int32_t background, bool smoothing);

// Pixels per metre of the header: floor(resolution x 4000 / 101.6 + 0.5).
std::int32_t PelsPerMeterOfResolution(double resolution);

}  // namespace kvn
