// Outlines of drawing objects into the renderer's current path: each
// contour's cubic records mapped to device sub-pixels (1/256 device units)
// as one piece with the contour's closed flag.
#pragma once

#include "model/Cubic.h"

namespace kvn {

struct WorldMapping;

// Appends one piece to the current path (the path is not emptied).
void AppendOutlinePiece(const WorldMapping& mapping, const CubicArray& records, bool closed);
// The same for `count` records in plain memory.
void AppendOutlinePiece(const WorldMapping& mapping, const Cubic* records, std::uint32_t count, bool closed);
// The piece of the straight records (v[i], v[i], v[i + 1], v[i + 1]) for
// `count` vertices: the same integers as those records would give.
void AppendVertexPiece(const WorldMapping& mapping, const DPoint* vertices, std::uint32_t count, bool closed);
// The piece of a polyline of straight edges, with the edge from the last
// vertex back to the first when `closed` (from two vertices on): the same
// integers as its straight records (RoundedPolylineToBeziers without
// corners) would give, without making the records.
void AppendPolylinePiece(const WorldMapping& mapping, const DPoint* vertices, std::uint32_t count, bool closed);

}  // namespace kvn
