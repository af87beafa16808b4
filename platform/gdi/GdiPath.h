// GdiPath: figures of lines and cubic Beziers in device coordinates (doubles),
// as a device context records them between BeginPath and EndPath and as every
// drawing call hands its geometry to a target.
//
// Points carry PolyDraw types: kPtMoveTo starts a figure, kPtLineTo and
// kPtBezierTo (three points: two control points and the end) continue it,
// and kPtCloseFigure or-ed into the last point of a figure closes it.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class GdiPath {
 public:
  GdiPath() = default;
  GdiPath(const GdiPath&) = delete;
  GdiPath& operator=(const GdiPath&) = delete;
  GdiPath(GdiPath&&) noexcept = default;
  GdiPath& operator=(GdiPath&&) noexcept = default;

  void MoveTo(const DPoint& p);
  // A line or Bezier without a figure open starts one at its first point's
  // predecessor: callers begin every figure with MoveTo.
  void LineTo(const DPoint& p);
  void BezierTo(const DPoint& c1, const DPoint& c2, const DPoint& end);
  // Closes the last figure; nothing when it is already closed or has no
  // segment.
  void CloseFigure();
  void Append(const GdiPath& other);
  void Clear();

  std::uint32_t Count() const { return points_.Count(); }
  bool Empty() const { return points_.Count() == 0; }
  const DPoint* Points() const { return points_.Items(); }
  const std::uint8_t* Types() const { return types_.Items(); }
  DPoint LastPoint() const { return points_[points_.Count() - 1]; }

  bool IsFinite() const;
  // Bounding box of all points, control points included; false when empty.
  bool GetBounds(double* x0, double* y0, double* x1, double* y1) const;
  // Sum of the segment lengths along the control polygon (an upper bound of
  // the drawn length).
  double ControlLength() const;

  // A copy with every Bezier replaced by lines that stay within `tolerance`
  // of the curve; each curve is cut at most 2^16 times.
  void Flatten(double tolerance, GdiPath* out) const;
  // A copy of the flattened path cut to the box [-limit, limit]^2: for a fill
  // every figure is clipped as a polygon (Sutherland-Hodgman keeps what lies
  // inside the box); for a stroke every segment is clipped and what remains
  // of a figure becomes open pieces. Used before handing device geometry to
  // a rasteriser with a fixed-point range.
  void ClipToBox(double limit, bool forFill, GdiPath* out) const;

  // Flattened figures as point lists for region making: closed polygons.
  void ToPolygons(GrowArray<DPoint>* points, GrowArray<std::uint32_t>* counts) const;

 private:
  GrowArray<DPoint> points_{32};
  GrowArray<std::uint8_t> types_{32};
  std::uint32_t figureStart_ = 0;
};

}  // namespace kvn
