#include "render/HatchGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/DRect.h"
#include "model/WorldMapping.h"
#include "render/GdiOutput.h"
#include "render/RasterSurface.h"

namespace kvn {

namespace {

constexpr double kHatchTiny = 0.000001;
constexpr std::int32_t kThinLineLimit = 384;  // 1.5 device units
// Dash periods of one family over the box; beyond it a damaged pattern
// (a period far below the box size) is filled solid instead of walked.
constexpr double kMaxPeriods = 4.0e6;
constexpr std::uint32_t kPatternValue = 0;  // anything but the tile background

bool IsFiniteValue(double v) { return std::isfinite(v); }

// Liang-Barsky against the box; false when nothing remains. A point inside
// the box stays a point.
bool ClipToBox(DPoint& a, DPoint& b, const DRect& box) {
  double t0 = 0, t1 = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - box.x1, box.x2 - a.x, a.y - box.y1, box.y2 - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const DPoint start = a;
  a = DPoint{start.x + t0 * dx, start.y + t0 * dy};
  b = DPoint{start.x + t1 * dx, start.y + t1 * dy};
  return true;
}

class FamilyOutput {
 public:
  FamilyOutput(const HatchTarget& target, const DRect& box, std::int32_t width)
      : target_(target), box_(box), width_(width) {}

  // False when the segment list overflowed.
  bool Segment(DPoint a, DPoint b) {
    if (std::max(a.x, b.x) < box_.x1 || std::min(a.x, b.x) > box_.x2 || std::max(a.y, b.y) < box_.y1 ||
        std::min(a.y, b.y) > box_.y2) {
      return true;
    }
    if (!ClipToBox(a, b, box_)) return true;
    if (target_.surface && target_.mapping) {
      std::int32_t p[2], q[2];
      target_.mapping->ToSubpixel(a, p);
      target_.mapping->ToSubpixel(b, q);
      const std::int32_t ox = target_.origin.x * 256, oy = target_.origin.y * 256;
      if (width_ < kThinLineLimit) {
        target_.surface->DrawLine(p[0] - ox, p[1] - oy, q[0] - ox, q[1] - oy, kPatternValue);
      } else {
        target_.surface->DrawWideLine(p[0] - ox, p[1] - oy, q[0] - ox, q[1] - oy, width_, kPatternValue, nullptr);
      }
    } else if (target_.maskBits && target_.mapping) {
      const DevicePoint p = target_.mapping->WorldToDevicePoint(a);
      const DevicePoint q = target_.mapping->WorldToDevicePoint(b);
      MaskLine(p.x - target_.origin.x, p.y - target_.origin.y, q.x - target_.origin.x, q.y - target_.origin.y,
               target_.maskBits, target_.maskWidth, target_.maskHeight);
    } else if (target_.segments) {
      if (target_.segments->size() > kMaxHatchPoints) {
        target_.segments->clear();
        return false;
      }
      target_.segments->push_back(a);
      target_.segments->push_back(b);
    }
    return true;
  }

 private:
  const HatchTarget& target_;
  DRect box_;
  std::int32_t width_;
};

}  // namespace

bool GenerateHatchFamily(const HatchTarget& target, std::size_t index, const DPoint box[4],
                         const HatchDefinition& definition, std::int32_t lineWidth, double scale) {
  if (scale == 0) scale = 1.0;
  if (index >= definition.families.size()) return false;
  const HatchFamily& family = definition.families[index];

  // A damaged file can carry any bit pattern; such a family is filled solid
  // rather than turned into integers.
  if (!IsFiniteValue(scale) || !IsFiniteValue(definition.angle) || !IsFiniteValue(family.angle) || !IsFiniteValue(family.baseX) ||
      !IsFiniteValue(family.baseY) || !IsFiniteValue(family.dx) || !IsFiniteValue(family.dy)) {
    return true;
  }
  for (double d : family.dashes) {
    if (!IsFiniteValue(d)) return true;
  }
  for (int i = 0; i < 4; ++i) {
    if (!IsFiniteValue(box[i].x) || !IsFiniteValue(box[i].y)) return true;
  }

  const double a = (definition.angle + family.angle) * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const double bx = family.baseX * scale, by = family.baseY * scale;
  double dx = family.dx * scale, dy = family.dy * scale;

  if (target.mapping && target.mapping->scale != 0) {
    const double p = 0.25 / target.mapping->scale;
    if (std::fabs(dx) < p && std::fabs(dy) < p) return true;
  }

  bool continuous = family.dashes.empty();
  double period = 0;
  if (continuous) {
    period = std::hypot(dx, dy);
  } else {
    for (double d : family.dashes) period += std::fabs(d) * scale;
  }
  if (!(period >= kHatchTiny) || !IsFiniteValue(period)) return true;

  DRect areaBox;
  bool firstCorner = true;
  double umin = 0, umax = 0, vmin = 0, vmax = 0;
  for (int i = 0; i < 4; ++i) {
    areaBox.AddPoint(box[i], firstCorner);
    const double u = box[i].x * c + box[i].y * s;
    const double v = -box[i].x * s + box[i].y * c;
    if (i == 0 || u < umin) umin = u;
    if (i == 0 || u > umax) umax = u;
    if (i == 0 || v < vmin) vmin = v;
    if (i == 0 || v > vmax) vmax = v;
  }
  areaBox.Normalize();

  if (family.angle != 0) {
    const double f = family.angle * std::numbers::pi / 180.0;
    const double rx = dx * std::cos(f) - dy * std::sin(f);
    const double ry = dx * std::sin(f) + dy * std::cos(f);
    dx = rx, dy = ry;
  }
  if (std::fabs(dy) < kHatchTiny) return true;

  if (family.dashes.size() == 1 && std::fabs(family.dashes[0] * scale - period) < kHatchTiny) continuous = true;

  double k0 = std::floor((vmin - by) / dy) - 1;
  double k1 = std::floor((vmax - by) / dy) + 1;
  if (dy < 0) {
    k0 = std::floor((vmax - by) / dy) - 1;
    k1 = std::floor((vmin - by) / dy) + 1;
  }
  if (!IsFiniteValue(k0) || !IsFiniteValue(k1) || k1 - k0 >= double(kMaxHatchLines)) return false;
  if (!continuous && (k1 - k0 + 1) * ((umax - umin) / period + 2) > kMaxPeriods) return true;

  auto back = [c, s](double u, double v) { return DPoint{u * c - v * s, u * s + v * c}; };
  FamilyOutput out(target, areaBox, lineWidth);
  for (auto k = std::int64_t(k0); k <= std::int64_t(k1); ++k) {
    const double v = by + double(k) * dy;
    if (continuous) {
      if (!out.Segment(back(umin, v), back(umax, v))) return true;
      continue;
    }
    const double u0 = bx + double(k) * dx;
    double u = std::floor((umin - u0) / period) * period + u0;
    while (u <= umax) {
      for (double d : family.dashes) {
        if (d >= 0 && !out.Segment(back(u, v), back(u + d * scale, v))) return true;
        u += std::fabs(d) * scale;
      }
    }
  }
  return false;
}

}  // namespace kvn
