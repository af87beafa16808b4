#include "render/ClipGeometry.h"

#include <algorithm>
#include <cmath>

namespace kvn {

namespace {

// floor(v + 0.5) limited to the 32-bit range (v is always between two
// 32-bit values here, the limit only guards the conversion).
std::int32_t RoundSaturated(double v) {
  const double r = std::floor(v + 0.5);
  if (!(r > -2147483648.0)) return INT32_MIN;
  if (r >= 2147483647.0) return INT32_MAX;
  return std::int32_t(r);
}

// One move along an axis: `along` selects x (true) or y. Returns true when a
// point was moved.
bool MoveOnAxis(DPoint& a, DPoint& b, double low, double high, bool alongX) {
  double& a0 = alongX ? a.x : a.y;
  double& b0 = alongX ? b.x : b.y;
  double& a1 = alongX ? a.y : a.x;
  double& b1 = alongX ? b.y : b.x;
  auto moveOnto = [&](double& p0, double& p1, double side) {
    // p is a or b; the other coordinate follows the segment linearly.
    p1 = a1 + (b1 - a1) * (side - a0) / (b0 - a0);
    p0 = side;
  };
  if (b0 > a0) {
    if (a0 < low && b0 > low) {
      moveOnto(a0, a1, low);
      return true;
    }
    if (b0 > high && a0 < high) {
      moveOnto(b0, b1, high);
      return true;
    }
  } else if (b0 < a0) {
    if (a0 > high && b0 < high) {
      moveOnto(a0, a1, high);
      return true;
    }
    if (b0 < low && a0 > low) {
      moveOnto(b0, b1, low);
      return true;
    }
  }
  return false;
}

}  // namespace

bool ClipSegmentToRect(DPoint& a, DPoint& b, double left, double top, double right, double bottom) {
  if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y) ||
      !std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom))
    return false;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  for (int move = 0; move < 4; ++move) {
    if (!MoveOnAxis(a, b, left, right, true) && !MoveOnAxis(a, b, top, bottom, false)) break;
  }
  return std::max(a.x, b.x) > left && std::min(a.x, b.x) < right && std::max(a.y, b.y) > top &&
         std::min(a.y, b.y) < bottom;
}

bool ClipEndPointToRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, DevicePoint& a,
                        const DevicePoint& b) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  // t = (side - a) / (b - a) on one axis; the move only when 0 < t < 1.
  auto moveOnto = [&](bool alongX, std::int32_t side) {
    const double a0 = alongX ? a.x : a.y, b0 = alongX ? b.x : b.y;
    const double a1 = alongX ? a.y : a.x, b1 = alongX ? b.y : b.x;
    if (b0 == a0) return;
    const double t = (double(side) - a0) / (b0 - a0);
    if (!(t > 0 && t < 1)) return;
    const std::int32_t other = RoundSaturated(a1 + (b1 - a1) * t);
    if (alongX) {
      a = {side, other};
    } else {
      a = {other, side};
    }
  };
  if (a.x < left) moveOnto(true, left);
  if (a.x > right) moveOnto(true, right);
  if (a.y < top) moveOnto(false, top);
  if (a.y > bottom) moveOnto(false, bottom);
  return a.x >= left && a.x <= right && a.y >= top && a.y <= bottom;
}

}  // namespace kvn
