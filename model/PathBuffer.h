// The renderer's path buffer: pieces of cubic segments in 1/256 device units.
//
// A segment is eight signed 32-bit integers: start, first control point,
// second control point, end, each (x, y). A straight line is the degenerate
// cubic (a, a, b, b): every straightness test compares exactly those pairs.
// A piece is a growable array of segments (grow step 8) with a closed flag.
// Two piece lists exist, chosen by the path mode, so that a nested output can
// build its own path without disturbing the outer one; pieces and their
// storage are kept for reuse when the buffer is emptied.
//
// The lists are process-wide and used by the GUI thread only.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

struct DeviceSegment {
  std::int32_t v[8];  // x0 y0, x1 y1, x2 y2, x3 y3

  // First control point on the start and second on the end.
  bool IsStraight() const { return v[2] == v[0] && v[3] == v[1] && v[4] == v[6] && v[5] == v[7]; }
  static DeviceSegment Line(std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
    return {{ax, ay, ax, ay, bx, by, bx, by}};
  }
  friend bool operator==(const DeviceSegment&, const DeviceSegment&) = default;
};
static_assert(sizeof(DeviceSegment) == 32);

class SegmentArray {
 public:
  SegmentArray() : segments(8) {}
  // Appends one record and returns the array; a full array grows to twice its
  // capacity plus one.
  SegmentArray& Append(const DeviceSegment& s) {
    segments.Append(s);
    return *this;
  }
  void Clear() {
    segments.Clear();
    closed = 0;
  }
  std::uint32_t Count() const { return segments.Count(); }
  const DeviceSegment* Items() const { return segments.Items(); }

  GrowArray<DeviceSegment> segments;
  std::uint8_t closed = 0;
};

// The two piece lists and the mode choosing between them (see PathBuffer).
namespace path_buffer_detail {
struct PieceList {
  OwnedArray<SegmentArray> pieces;
  std::uint32_t inUse = 0;
};
// The renderer runs on the one GUI thread. Inline: every stroke of a paint
// empties the buffer and takes a piece.
inline PieceList lists[2];
inline int pathMode = 0;
inline PieceList& Current() { return lists[pathMode]; }
// Adds a piece record to the current list (its first use of that many).
SegmentArray* GrowCurrent();
}  // namespace path_buffer_detail

class PathBuffer {
 public:
  // The next piece of the current list, emptied (count 0, open).
  static SegmentArray* NewPiece() {
    path_buffer_detail::PieceList& list = path_buffer_detail::Current();
    SegmentArray* piece =
        list.inUse < list.pieces.Count() ? list.pieces[list.inUse] : path_buffer_detail::GrowCurrent();
    ++list.inUse;
    piece->Clear();
    return piece;
  }
  // Sets the current list's count in use to 0; the pieces stay allocated.
  static void Empty() { path_buffer_detail::Current().inUse = 0; }
  static std::uint32_t PieceCount() { return path_buffer_detail::Current().inUse; }
  static SegmentArray* Piece(std::uint32_t i) {
    const path_buffer_detail::PieceList& list = path_buffer_detail::Current();
    return i < list.inUse ? list.pieces[i] : nullptr;
  }
  // The pieces in use of the current list, PieceCount() of them (the form in
  // which the stroke and fill code hand them on).
  static SegmentArray* const* Pieces() { return path_buffer_detail::Current().pieces.begin(); }
  // 0 or 1; returns the previous mode.
  static int SetPathMode(int mode);
  static int PathMode() { return path_buffer_detail::pathMode; }
};

}  // namespace kvn
