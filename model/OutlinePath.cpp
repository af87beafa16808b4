#include "model/OutlinePath.h"

#include "model/PathBuffer.h"
#include "model/WorldMapping.h"

namespace kvn {

void AppendOutlinePiece(const WorldMapping& mapping, const CubicArray& records, bool closed) {
  AppendOutlinePiece(mapping, records.Items(), records.Count(), closed);
}

void AppendOutlinePiece(const WorldMapping& mapping, const Cubic* records, std::uint32_t count, bool closed) {
  SegmentArray* piece = PathBuffer::NewPiece();
  // Every point maps straight into its segment: a point repeated bit for bit
  // (the ends of straight records, a record's start on its predecessor's end)
  // maps to the same integers each time.
  piece->segments.SetCount(count);
  DeviceSegment* out = piece->segments.Items();
  for (std::uint32_t i = 0; i < count; ++i) mapping.ToSubpixelRun(records[i].p, 4, out[i].v);
  piece->closed = closed ? 1 : 0;
}

void AppendVertexPiece(const WorldMapping& mapping, const DPoint* vertices, std::uint32_t count, bool closed) {
  SegmentArray* piece = PathBuffer::NewPiece();
  std::int32_t a[2] = {0, 0}, b[2] = {0, 0};
  if (count > 0) mapping.ToSubpixel(vertices[0], a);
  for (std::uint32_t i = 1; i < count; ++i) {
    mapping.ToSubpixel(vertices[i], b);
    piece->Append(DeviceSegment::Line(a[0], a[1], b[0], b[1]));
    a[0] = b[0];
    a[1] = b[1];
  }
  piece->closed = closed ? 1 : 0;
}

}  // namespace kvn
