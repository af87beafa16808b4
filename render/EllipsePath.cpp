#include "render/EllipsePath.h"

#include "foundation/DPoint.h"
#include "model/PathBuffer.h"
#include "model/WorldMapping.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {
// Control-point distance of a quarter circle as a fraction of its radius:
// 4/3 (sqrt 2 - 1); the radial error stays below 2.8e-4 of the radius.
}  // namespace

void AddEllipsePath(const WorldMapping& mapping, double x1, double y1, double x2, double y2) {
  SegmentArray* piece = PathBuffer::NewPiece();
  piece->closed = 1;
  const double cx = (x1 + x2) / 2;
  const double cy = (y1 + y2) / 2;
  const double kx = kQuarterArc * (x2 - x1) / 2;
  const double ky = kQuarterArc * (y2 - y1) / 2;
  // Around the ellipse from the middle of the x2 side through y2, x1 and y1.
  // The side middles are taken from the box itself so that neighbouring
  // quadrants share their end points exactly.
  const DPoint quadrants[4][4] = {
      {{x2, cy}, {x2, cy + ky}, {cx + kx, y2}, {cx, y2}},
      {{cx, y2}, {cx - kx, y2}, {x1, cy + ky}, {x1, cy}},
      {{x1, cy}, {x1, cy - ky}, {cx - kx, y1}, {cx, y1}},
      {{cx, y1}, {cx + kx, y1}, {x2, cy - ky}, {x2, cy}},
  };
  // Each quadrant ends on the point where the next begins: twelve points
  // mapped, not sixteen.
  std::int32_t mapped[4][3][2];
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 3; ++k) mapping.ToSubpixel(quadrants[i][k], mapped[i][k]);
  for (int i = 0; i < 4; ++i) {
    const std::int32_t* end = mapped[(i + 1) % 4][0];
    piece->Append(DeviceSegment{{mapped[i][0][0], mapped[i][0][1], mapped[i][1][0], mapped[i][1][1], mapped[i][2][0],
                                 mapped[i][2][1], end[0], end[1]}});
  }
}

}  // namespace kvn
