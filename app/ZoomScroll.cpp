#include "app/ZoomScroll.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "document/cDrawing.h"
#include "model/cDrawingData.h"

namespace kvn {

double EffectiveDrawingScale(double k) { return k > 0.0 && std::isfinite(k) ? k : 1.0; }

double ComputeZoomLowerLimit(const DRect& extent, double k, std::int32_t cw, std::int32_t ch) {
  if (cw < 1 || ch < 1) return kMinZoomQ;
  const double e = std::max(extent.Width() / double(cw), extent.Height() / double(ch));
  if (!(e > 0.0)) return kMinZoomQ;
  const double f = EffectiveDrawingScale(k) / e;
  return std::min(kMinZoomQ, f / 4.0);
}

double ComputeZoomLowerLimit(const cDrawing& drawing, std::int32_t cw, std::int32_t ch) {
  const double k = drawing.Data() ? drawing.Data()->Scale() : 1.0;
  return ComputeZoomLowerLimit(drawing.GetExtent(), k, cw, ch);
}

double LimitedScale(double z, double k, double lowerLimitQ) {
  k = EffectiveDrawingScale(k);
  double q = z * k;
  if (std::isnan(q)) q = 4.0;  // a NaN request keeps 100 % rather than poisoning the mapping
  if (q > kMaxZoomQ) q = kMaxZoomQ;
  if (q < lowerLimitQ) q = lowerLimitQ;
  return q / k * 0.25;
}

std::int32_t SaturateInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= double(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
  if (v <= double(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
  return std::int32_t(v);
}

std::int32_t SaturateInt32(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

namespace {

// Doubles beyond what 64 bits hold are cut to it (2^62 keeps headroom for
// the margins added afterwards).
std::int64_t SaturateInt64(double v) {
  constexpr double kLimit = 4611686018427387904.0;  // 2^62
  if (std::isnan(v)) return 0;
  if (v >= kLimit) return std::int64_t(kLimit);
  if (v <= -kLimit) return -std::int64_t(kLimit);
  return std::int64_t(v);
}

}  // namespace

void SetZoomAt(WorldMapping& mapping, const DPoint& centre, double z, double k, double lowerLimitQ,
               const DRect& extent, std::int32_t cw, std::int32_t ch) {
  const double s = LimitedScale(z, k, lowerLimitQ);
  mapping.scale = s;
  mapping.originX = -extent.x1 * s * 4.0;
  mapping.originY = -extent.y1 * s * 4.0;
  // In doubles: at the largest zoom the centre's device coordinate is far
  // beyond 32 bits; the offset saturates instead of wrapping.
  const double dx = std::floor(centre.x * s * 4.0 + mapping.originX + 0.5) + double(mapping.offsetX);
  const double dy = std::floor(centre.y * s * 4.0 + mapping.originY + 0.5) + double(mapping.offsetY);
  mapping.offsetX = SaturateInt32(double(mapping.offsetX) + double(cw / 2) - dx);
  mapping.offsetY = SaturateInt32(double(mapping.offsetY) + double(ch / 2) - dy);
}

double FitZoom(const DRect& r, std::int32_t cw, std::int32_t ch) {
  const double area = r.Height() * r.Width();
  if (area == 0.0 || std::isnan(area)) return 0.0;
  if (cw <= 0 || ch <= 0) return 0.0;
  const double e = std::max(r.Width() / double(cw), r.Height() / double(ch));
  if (!(e > 0.0) || !std::isfinite(e)) return 0.0;
  return 1.0 / e;
}

AxisLayout ComputeAxisLayout(double low, double high, double scale, std::int32_t offset, std::int32_t client,
                             bool hasFormat) {
  AxisLayout a;
  const std::int64_t extent = SaturateInt64(std::floor((high - low) * 4.0 * scale + 0.5));
  a.range = std::max<std::int64_t>(extent, 0) + 2 * kScrollMargin;
  a.position = std::int64_t(kScrollMargin) - offset;
  a.origin = -low * scale * 4.0;
  if (a.range <= client) {
    a.fits = true;
    a.range = hasFormat ? 0 : std::int64_t(client) + 2;
    a.origin = (double(client) - 30.0) * 0.5 - scale * ((low + high) / 2.0) * 4.0;
    if (scale > 0.0 && std::isfinite(scale)) {
      const double centre = (low + high) / 2.0;
      const double half = double(client) * 0.5 * 0.25 / scale;
      a.boundLow = centre - half;
      a.boundHigh = centre + half;
    }
  }
  return a;
}

std::int64_t ClampScrollPosition(std::int64_t position, const ScrollAxis& axis, bool hasFormat) {
  if (!hasFormat && axis.fits) return 1;
  const std::int64_t upper = axis.range - axis.page;
  if (position > upper) position = upper;
  if (position < 0) position = 0;
  return position;
}

std::int64_t ScrollPositionForCode(std::uint32_t code, const ScrollAxis& axis, std::int64_t trackPosition,
                                   bool& ignored) {
  ignored = false;
  switch (code) {
    case 0: return axis.position - axis.line;
    case 1: return axis.position + axis.line;
    case 2: return axis.position - axis.page;
    case 3: return axis.position + axis.page;
    case 4:
    case 5: return trackPosition;
    case 6: return 0;
    case 7: return axis.range - 1;
    default: ignored = true; return axis.position;
  }
}

double ZoomForPercent(double percent, double k) {
  if (k == 0.0) return 0.0;
  return percent / 25.0 / k;
}

bool IsPercentChecked(double scale, double k, double percent) { return scale * k == percent / 100.0; }

WheelZoom ComputeWheelZoom(std::int32_t& remainder, std::int32_t delta, const WorldMapping& mapping,
                           const DeviceRect& client, const DevicePoint& cursor, double k, double lowerLimitQ) {
  WheelZoom out;
  const double oldZ = mapping.scale * 4.0;
  double z = oldZ;
  // In 64 bits: whatever the remainder holds plus any delta; what is left
  // after the notches lies within one notch and fits the 32-bit field again.
  std::int64_t rest = std::int64_t(remainder) + delta;
  bool stepped = false;
  if (rest >= kWheelNotch) {
    for (; rest >= kWheelNotch; rest -= kWheelNotch) z *= kWheelZoomStep;
    stepped = true;
  } else if (rest < -(kWheelNotch - 1)) {
    for (; rest < -(kWheelNotch - 1); rest += kWheelNotch) z /= kWheelZoomStep;
    stepped = true;
  }
  remainder = std::int32_t(rest);
  if (!stepped) return out;
  out.zoom = true;
  out.z = LimitedScale(z, k, lowerLimitQ) * 4.0;
  const bool inside = cursor.x >= client.left && cursor.x < client.right && cursor.y >= client.top &&
                      cursor.y < client.bottom;
  if (!inside) return out;
  const DPoint w = mapping.DeviceToWorld(cursor);
  const DevicePoint middle{std::int32_t((std::int64_t(client.left) + client.right) / 2),
                           std::int32_t((std::int64_t(client.top) + client.bottom) / 2)};
  const DPoint c = mapping.DeviceToWorldPoint(middle);
  // The client centre moves towards the cursor by what the zoom takes away:
  // at the new zoom, the cursor lies (w - c') x new z pixels from the centre,
  // as it lay (w - c) x old z pixels before.
  const double r = out.z > 0.0 ? oldZ / out.z : 1.0;
  out.aboutCursor = true;
  out.centre = DPoint{w.x - r * (w.x - c.x), w.y - r * (w.y - c.y)};
  return out;
}

UserZoomField ComputeUserZoomField(double scale, double k, double lowerLimitQ) {
  UserZoomField f;
  f.percent = scale * 100.0 * EffectiveDrawingScale(k);
  if (k == 0.0) {
    f.minimum = 0.0;
    f.maximum = std::numeric_limits<double>::max();
  } else {
    f.minimum = lowerLimitQ * 25.0;
    f.maximum = kMaxZoomPercent;
  }
  f.step = 25.0;
  return f;
}

double UserZoomToZoom(double percent, double k) { return percent / EffectiveDrawingScale(k) * 0.04; }

WorldMapping FitRectMapping(const cDrawing& drawing, const DRect& rect, const TRect& client) {
  WorldMapping m;
  m.SetDeviceClip(DeviceRect{client.left, client.top, client.right, client.bottom});
  const std::int32_t cw = client.right - client.left, ch = client.bottom - client.top;
  const double z = FitZoom(rect, cw - 2 * kFitInset, ch - 2 * kFitInset);
  if (z <= 0.0) return m;
  const double k = drawing.Data() ? drawing.Data()->Scale() : 1.0;
  const DRect extent = drawing.GetExtentWithFormat();
  SetZoomAt(m, DPoint{(rect.x1 + rect.x2) / 2.0, (rect.y1 + rect.y2) / 2.0}, z, EffectiveDrawingScale(k),
            ComputeZoomLowerLimit(drawing, cw, ch), extent, cw, ch);
  const bool hasFormat = !drawing.HasNoFormat();
  auto axis = [&](double low, double high, std::int32_t offset, std::int32_t size, double& origin,
                  std::int32_t& newOffset) {
    const AxisLayout l = ComputeAxisLayout(low, high, m.scale, offset, size, hasFormat);
    origin = l.origin;
    ScrollAxis a;
    a.page = size;
    a.range = l.range;
    a.fits = l.fits;
    newOffset = SaturateInt32(std::int64_t(kScrollMargin) - ClampScrollPosition(l.position, a, hasFormat));
  };
  axis(extent.x1, extent.x2, m.offsetX, cw, m.originX, m.offsetX);
  axis(extent.y1, extent.y2, m.offsetY, ch, m.originY, m.offsetY);
  return m;
}

}  // namespace kvn
