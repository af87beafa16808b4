#include "model/PictureFrame.h"

#include <algorithm>
#include <cmath>

#include "model/Geometry.h"

namespace kvn {

void PictureFrame::GetCorners(DPoint out[4]) const {
  out[0] = origin;
  out[1] = {origin.x + width, origin.y};
  out[2] = {origin.x + width, origin.y + height};
  out[3] = {origin.x, origin.y + height};
  if (angle != 0.0)
    for (int i = 1; i < 4; ++i) RotatePoint(out[i], origin, -angle);
}

void PictureFrame::SetPoints(const DPoint& p, const DPoint& q) {
  origin = {std::min(p.x, q.x), std::min(p.y, q.y)};
  width = std::max(p.x, q.x) - origin.x;
  height = std::max(p.y, q.y) - origin.y;
  angle = 0.0;
}

void PictureFrame::Move(const DPoint& offset) {
  origin.x += offset.x;
  origin.y += offset.y;
}

void PictureFrame::Rotate(const DPoint& centre, double degrees) {
  RotatePoint(origin, centre, degrees);
  angle = NormalizeAngle(angle - degrees);
}

void PictureFrame::Scale(const DPoint& centre, const DPoint& factors) {
  const double fx = factors.x, fy = factors.y;
  const double quarters = std::floor(angle / 90.0 + 0.5);
  if (angle == quarters * 90.0) {
    // Turned by quarters: the frame's sides lie along the axes.
    const long long k = static_cast<long long>(quarters);
    if (k % 2 != 0) {
      width *= std::fabs(fy);
      height *= std::fabs(fx);
    } else {
      width *= std::fabs(fx);
      height *= std::fabs(fy);
    }
  } else {
    const double m = std::min(std::fabs(fx), std::fabs(fy));
    if (m != 0.0) {
      width *= m;
      height *= m;
    }
  }
  if (fx < 0) {
    angle = (angle + 90.0) * -1.0 - 90.0;
    height = -height;
  }
  if (fy < 0) {
    angle = -angle;
    height = -height;
  }
  origin.x = (origin.x - centre.x) * fx + centre.x;
  origin.y = (origin.y - centre.y) * fy + centre.y;
  angle = NormalizeAngle(angle);
}

void PictureFrame::Recalc() {
  DPoint corners[4];
  GetCorners(corners);
  GetPointsBounds(extent, corners, 4);
  extent.Normalize();
}

}  // namespace kvn
