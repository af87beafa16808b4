#include "model/OutlinePath.h"

#include "render/PathBuffer.h"
#include "render/WorldMapping.h"

namespace kvn {

void AppendOutlinePiece(const WorldMapping& mapping, const CubicArray& records, bool closed) {
  SegmentArray* piece = PathBuffer::NewPiece();
  for (const Cubic& c : records) {
    DeviceSegment segment;
    mapping.ToSubpixel4(c.p, segment.v);
    piece->Append(segment);
  }
  piece->closed = closed ? 1 : 0;
}

}  // namespace kvn
