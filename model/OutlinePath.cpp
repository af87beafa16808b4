#include "model/OutlinePath.h"

#include <cstring>

#include "model/PathBuffer.h"
#include "model/WorldMapping.h"

namespace kvn {

void AppendOutlinePiece(const WorldMapping& mapping, const CubicArray& records, bool closed) {
  AppendOutlinePiece(mapping, records.Items(), records.Count(), closed);
}

void AppendOutlinePiece(const WorldMapping& mapping, const Cubic* records, std::uint32_t count, bool closed) {
  SegmentArray* piece = PathBuffer::NewPiece();
  // Straight records repeat their ends as control points and each record
  // starts where the last one ended: a point the same bit for bit as the one
  // mapped just before maps to the same integers, so it is mapped once.
  DPoint last{};
  std::int32_t lastOut[2] = {0, 0};
  bool haveLast = false;
  for (std::uint32_t i = 0; i < count; ++i) {
    DeviceSegment segment;
    for (int k = 0; k < 4; ++k) {
      const DPoint& p = records[i].p[k];
      if (!haveLast || std::memcmp(&p, &last, sizeof(DPoint)) != 0) {
        mapping.ToSubpixel(p, lastOut);
        last = p;
        haveLast = true;
      }
      segment.v[2 * k] = lastOut[0];
      segment.v[2 * k + 1] = lastOut[1];
    }
    piece->Append(segment);
  }
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
