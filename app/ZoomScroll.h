// The zoom and scroll arithmetic of the drawing window, apart from the
// window so that it runs without a display.
//
// Units: the mapping scale s maps one world unit to s x 4 device pixels; an
// operation takes a zoom z = s x 4 (pixels per world unit). The drawing
// scale k (the drawing data's scale, 1.0 when not a positive number) turns
// it into the percentage shown to the user, p = z x k x 25: z = 4 at k = 1 is
// 100 %. Limits are kept on q = z x k.
//
// Scroll positions and ranges are device pixels in 64 bits: at the largest
// zoom (q just under 4e7) an extent of a few hundred world units is already
// beyond 32 bits. What reaches 32-bit places (the mapping's integer offsets,
// the toolkit's scroll bars) is saturated there, never wrapped.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "model/WorldMapping.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class cDrawing;

// q above this is cut to it: a percentage of 999,999,999 %.
inline constexpr double kMaxZoomQ = (1e9 - 1.0) / 25.0;
// The same as a percentage, written out: kMaxZoomQ x 25 may miss it by a bit.
inline constexpr double kMaxZoomPercent = 999'999'999.0;
// The lowest q of an ordinary page: 0.000001 %.
inline constexpr double kMinZoomQ = 1e-6 / 25.0;
// Pixels around the page extent in the scroll extent.
inline constexpr std::int32_t kScrollMargin = 15;
// Pixels the client rectangle is shrunk by on every side when fitting.
inline constexpr std::int32_t kFitInset = 12;

// k as the zoom sees it: the value when positive and finite, else 1.0.
double EffectiveDrawingScale(double k);

// The lowest allowed q for an object extent `extent` (world units) in a
// client of cw x ch pixels: 4e-8, or a quarter of the q at which the extent
// just fits when that is smaller still.
double ComputeZoomLowerLimit(const DRect& extent, double k, std::int32_t cw, std::int32_t ch);
double ComputeZoomLowerLimit(const cDrawing& drawing, std::int32_t cw, std::int32_t ch);

// The limits applied to z: the mapping scale s.
double LimitedScale(double z, double k, double lowerLimitQ);

// Saturating conversions to the 32-bit places.
std::int32_t SaturateInt32(double v);
std::int32_t SaturateInt32(std::int64_t v);

// Zooms `mapping` to z (limits applied) so that world point `centre` lands
// on the client centre: origin from the extent's corner, offsets shifted.
// `extent` is the page extent, `lowerLimitQ` from ComputeZoomLowerLimit.
void SetZoomAt(WorldMapping& mapping, const DPoint& centre, double z, double k, double lowerLimitQ,
               const DRect& extent, std::int32_t cw, std::int32_t ch);

// The factor that fits `r` into a client of cw x ch, or 0 when nothing
// fits (zero or NaN area, empty client): 1 / max(width ratio, height ratio).
double FitZoom(const DRect& r, std::int32_t cw, std::int32_t ch);

// One scroll axis of the window.
struct ScrollAxis {
  std::int64_t position = 0;
  std::int64_t page = 0;
  std::int64_t line = 0;
  std::int64_t range = 0;
  bool fits = false;
  std::uint8_t lock = 0;
  double boundLow = 0.0;
  double boundHigh = 0.0;
};

// What the scroll extent of one axis comes to for the current mapping.
struct AxisLayout {
  std::int64_t range = 0;
  std::int64_t position = 0;
  bool fits = false;
  double origin = 0.0;
  // The world span of the client around the extent's centre, for a fitting
  // axis (0, 0 otherwise or when s is not valid).
  double boundLow = 0.0;
  double boundHigh = 0.0;
};
// `low`/`high` the extent's edges on the axis, `offset` the mapping's
// offset, `client` the client size on the axis.
AxisLayout ComputeAxisLayout(double low, double high, double scale, std::int32_t offset, std::int32_t client,
                             bool hasFormat);

// Position clamped into [0, range - page] (upper bound first); held at 1
// for a fitting axis of a drawing without a format.
std::int64_t ClampScrollPosition(std::int64_t position, const ScrollAxis& axis, bool hasFormat);

// The new position for a scroll-bar code (SB_LINEUP ... SB_BOTTOM);
// `ignored` is set for any other code.
std::int64_t ScrollPositionForCode(std::uint32_t code, const ScrollAxis& axis, std::int64_t trackPosition,
                                   bool& ignored);

// The percentage commands: z for p % at drawing scale k (0 when k is 0).
double ZoomForPercent(double percent, double k);
// Whether s x k equals the command's fraction exactly (its check mark).
bool IsPercentChecked(double scale, double k, double percent);

// ---- the mouse wheel ----
// One notch (120 wheel units) multiplies or divides z by 2^(1/4): four
// notches double it.
inline constexpr double kWheelZoomStep = 1.1892071;
inline constexpr std::int32_t kWheelNotch = 120;

// What a wheel message comes to.
struct WheelZoom {
  bool zoom = false;         // at least one whole notch: zoom to z
  double z = 0.0;            // the new zoom, limits applied
  bool aboutCursor = false;  // centre holds the world point for the client centre
  DPoint centre;
};
// Adds `delta` to `remainder` and turns whole notches into zoom steps of the
// zoom z = s x 4 of `mapping`; a partial turn stays in the remainder (60
// waits for a second 60, -119 stays -119). With the cursor (client pixels)
// inside `client` (left and top inclusive, right and bottom exclusive), the
// centre is chosen so that the world point under the cursor stays under it;
// outside, the zoom goes about the client centre. `k` is the raw drawing
// scale, `lowerLimitQ` from ComputeZoomLowerLimit. The limits are applied
// before the centre is computed, so that a zoom held at its limit does not
// pan the drawing.
WheelZoom ComputeWheelZoom(std::int32_t& remainder, std::int32_t delta, const WorldMapping& mapping,
                           const DeviceRect& client, const DevicePoint& cursor, double k, double lowerLimitQ);

// ---- the User zoom dialog ----
// The number field of the dialog: the percentage shown, its range and step.
struct UserZoomField {
  double percent = 0.0;
  double minimum = 0.0;
  double maximum = 0.0;
  double step = 25.0;
};
// For mapping scale s, the raw drawing scale k and the lower limit of q:
// p = s x 100 x k (k = 1 when not positive), from the lower limit x 25 to
// 999,999,999 %, in steps of 25; k exactly 0 takes away both limits.
UserZoomField ComputeUserZoomField(double scale, double k, double lowerLimitQ);
// The zoom z for a percentage confirmed in the dialog: p / k x 0.04.
double UserZoomToZoom(double percent, double k);

// The scroll bars the drawing window drives (the view's). Positions and
// ranges arrive saturated to 32 bits.
class cScrollBarHost {
 public:
  virtual ~cScrollBarHost() = default;
  // Range 0..max, thumb `page`, position `pos`; a bar with max 0 is empty.
  virtual void SetScrollBar(bool vertical, std::int32_t max, std::int32_t page, std::int32_t pos) = 0;
  virtual void SetScrollPos(bool vertical, std::int32_t pos) = 0;
  // Where the user holds the thumb now.
  virtual std::int32_t GetTrackPos(bool vertical) = 0;
  // A bar turned empty or not empty: lay the view out again.
  virtual void ScrollBarsChanged() = 0;
  // The visible area moved: the rulers follow.
  virtual void VisibleAreaMoved() {}
};

// The mapping a freshly shown drawing window of client rectangle `client`
// comes to when View > "All elements" (or any fit) zooms it to `rect`: the
// fit into the client shrunk by kFitInset, the zoom centred on the client,
// then the scroll layout's origin and clamped positions, as the window sets
// them from scroll bars that held nothing yet. The mapping of an unusable
// rectangle (no area, empty client) keeps scale 1 with the client's clip.
WorldMapping FitRectMapping(const cDrawing& drawing, const DRect& rect, const TRect& client);

}  // namespace kvn
