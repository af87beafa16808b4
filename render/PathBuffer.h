// The renderer's path buffer: pieces of cubic segments in 1/256 device units.
//
// A segment is eight signed 32-bit integers: start, first control point,
// second control point, end, each (x, y). A straight line is the degenerate
// cubic (a, a, b, b). A piece is a growable array of segments with a closed
// flag. Two piece lists exist, chosen by the path mode, so that a nested
// output can build its own path without disturbing the outer one; pieces and
// their storage are kept for reuse when the buffer is emptied.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

struct DeviceSegment {
  std::int32_t v[8];
};
static_assert(sizeof(DeviceSegment) == 32);

class SegmentArray {
 public:
  SegmentArray() : segments(8) {}
  // Appends one record and returns the array.
  SegmentArray& Append(const DeviceSegment& s) {
    segments.Add(s);
    return *this;
  }
  void Clear() {
    segments.Clear();
    closed = 0;
  }
  GrowArray<DeviceSegment> segments;
  std::uint8_t closed = 0;
};

class PathBuffer {
 public:
  // The next piece of the current list, emptied (count 0, open).
  static SegmentArray* NewPiece();
  // Sets the current list's count in use to 0; the pieces stay allocated.
  static void Empty();
  static std::uint32_t PieceCount();
  static SegmentArray* Piece(std::uint32_t i);
  // 0 or 1; returns the previous mode.
  static int SetPathMode(int mode);
  static int PathMode();
};

}  // namespace kvn
