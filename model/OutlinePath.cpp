#include "model/OutlinePath.h"

#include <cstring>

#include "model/PathBuffer.h"
#include "model/WorldMapping.h"

namespace kvn {

void AppendOutlinePiece(const WorldMapping& mapping, const CubicArray& records, bool closed) {
  AppendOutlinePiece(mapping, records.Items(), records.Count(), closed);
}

namespace {

bool SameBits(const DPoint& a, const DPoint& b) { return std::memcmp(&a, &b, sizeof(DPoint)) == 0; }

}  // namespace

void AppendOutlinePiece(const WorldMapping& mapping, const Cubic* records, std::uint32_t count, bool closed) {
  SegmentArray* piece = PathBuffer::NewPiece();
  piece->segments.SetCount(count);
  DeviceSegment* out = piece->segments.Items();
  // A point the same bit for bit as another maps to the same integers: a
  // straight record (a, a, b, b) maps its two ends, and its start not at all
  // where it is its predecessor's end, as in a polyline. A curve maps its four
  // points as one run.
  for (std::uint32_t i = 0; i < count; ++i) {
    const Cubic& r = records[i];
    std::int32_t* v = out[i].v;
    if (!SameBits(r.p[0], r.p[1]) || !SameBits(r.p[2], r.p[3])) {
      mapping.ToSubpixelRun(r.p, 4, v);
      continue;
    }
    if (i > 0 && SameBits(r.p[0], records[i - 1].p[3])) {
      v[0] = out[i - 1].v[6];
      v[1] = out[i - 1].v[7];
    } else {
      mapping.ToSubpixel(r.p[0], v);
    }
    v[2] = v[0];
    v[3] = v[1];
    if (SameBits(r.p[3], r.p[0])) {
      v[6] = v[0];
      v[7] = v[1];
    } else {
      mapping.ToSubpixel(r.p[3], v + 6);
    }
    v[4] = v[6];
    v[5] = v[7];
  }
  piece->closed = closed ? 1 : 0;
}

namespace {

// The vertices' edges into a new piece; with `back`, the edge from the last
// vertex to the first as well.
void AppendEdges(const WorldMapping& mapping, const DPoint* vertices, std::uint32_t count, bool back, bool closed) {
  SegmentArray* piece = PathBuffer::NewPiece();
  std::int32_t first[2] = {0, 0}, a[2] = {0, 0}, b[2] = {0, 0};
  if (count > 0) mapping.ToSubpixel(vertices[0], first);
  a[0] = first[0];
  a[1] = first[1];
  for (std::uint32_t i = 1; i < count; ++i) {
    mapping.ToSubpixel(vertices[i], b);
    piece->Append(DeviceSegment::Line(a[0], a[1], b[0], b[1]));
    a[0] = b[0];
    a[1] = b[1];
  }
  if (back && count >= 2) piece->Append(DeviceSegment::Line(a[0], a[1], first[0], first[1]));
  piece->closed = closed ? 1 : 0;
}

}  // namespace

void AppendVertexPiece(const WorldMapping& mapping, const DPoint* vertices, std::uint32_t count, bool closed) {
  AppendEdges(mapping, vertices, count, false, closed);
}

void AppendPolylinePiece(const WorldMapping& mapping, const DPoint* vertices, std::uint32_t count, bool closed) {
  AppendEdges(mapping, vertices, count, closed, closed);
}

}  // namespace kvn
