// The cubic record: the one curve form that point lists, outlines, the pattern
// walk and the renderer exchange. 64 bytes: start, first control point, second
// control point, end, each two doubles in drawing units.
//
// A straight piece is the degenerate record (a, a, b, b): its control points
// lie exactly on its ends.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"
#include "foundation/Vec3.h"

namespace kvn {

struct Cubic {
  DPoint p[4];

  const DPoint& Start() const { return p[0]; }
  const DPoint& End() const { return p[3]; }
  // Exact comparison of both coordinates, as the straight test of every user.
  bool IsStraight() const { return p[0] == p[1] && p[2] == p[3]; }
  static Cubic Straight(const DPoint& a, const DPoint& b) { return Cubic{{a, a, b, b}}; }
};
static_assert(sizeof(Cubic) == 64, "the cubic record is four points of two doubles");

// The same record with 3-D points (96 bytes), as the import delivers curves.
struct Cubic3D {
  Vec3 p[4];
};
static_assert(sizeof(Cubic3D) == 96, "the 3-D cubic record is four points of three doubles");

// A contour: cubic records in drawing order, with the closed flag of the list
// they came from. Append64 grows to fit, one record at a time.
class CubicArray : public GrowArray<Cubic> {
 public:
  explicit CubicArray(std::uint32_t step = 8) : GrowArray<Cubic>(step) {}
  void Append64(const Cubic& record) { Append(record); }
  std::uint8_t closed = 0;
};

}  // namespace kvn
