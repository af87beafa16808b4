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
  // quadrants share their end points exactly: each quadrant's end is the
  // next one's start.
  const DPoint quadrants[4][3] = {
      {{x2, cy}, {x2, cy + ky}, {cx + kx, y2}},
      {{cx, y2}, {cx - kx, y2}, {x1, cy + ky}},
      {{x1, cy}, {x1, cy - ky}, {cx - kx, y1}},
      {{cx, y1}, {cx + kx, y1}, {x2, cy - ky}},
  };
  // Twelve points mapped, not sixteen, in one run, and written into the
  // piece's four records in place.
  std::int32_t mapped[4][3][2];
  mapping.ToSubpixelRun(&quadrants[0][0], 12, &mapped[0][0][0]);
  const std::uint32_t first = piece->segments.Count();
  piece->segments.SetCount(first + 4);
  DeviceSegment* out = piece->segments.Items() + first;
  for (int i = 0; i < 4; ++i) {
    std::int32_t* v = out[i].v;
    for (int k = 0; k < 3; ++k) {
      v[2 * k] = mapped[i][k][0];
      v[2 * k + 1] = mapped[i][k][1];
    }
    v[6] = mapped[(i + 1) % 4][0][0];
    v[7] = mapped[(i + 1) % 4][0][1];
  }
}

}  // namespace kvn
