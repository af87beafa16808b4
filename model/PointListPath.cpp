// The render path of a point list: its cubic records in device sub-pixels as
// one piece of the renderer's current path.
#include "model/PointList.h"
#include "model/PathBuffer.h"
#include "model/WorldMapping.h"

namespace kvn {

void PointList::AppendToPath(const WorldMapping& mapping) const {
  PathBuffer::Empty();
  CubicArray records;
  ToBeziers(records);
  SegmentArray* piece = PathBuffer::NewPiece();
  for (const Cubic& c : records) {
    DeviceSegment segment;
    mapping.ToSubpixel4(c.p, segment.v);
    piece->Append(segment);
  }
  piece->closed = IsClosed() ? 1 : 0;
}

}  // namespace kvn
