// cRectangle: an axis-parallel rectangle between two corners, optionally with
// rounded corners, stroked and filled. Factory type code 2.
//
// Record after the common header, the line part and the fill part:
//   from 3085        first corner, second corner (real points), radius
//                    (compact double)
//   3061 to 3084     the two corners as real points; radius 0
//   before 3061      the two corners as float points; radius 0
//
// The generated outline (a polygon rebuilt from the parameters) arrives with
// the polygon class; until then the rectangle is measured by its corners.
#pragma once

#include "foundation/DPoint.h"
#include "model/cAnyFill.h"

namespace kvn {

class cRectangle : public cAnyFill {
 public:
  cRectangle();
  ~cRectangle() override;

  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  void Move(const DPoint& offset) override;
  // Only multiples of 90 degrees; any other angle answers false and changes
  // nothing.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The box of the two corners, normalised.
  DRect& GetExtent(DRect& out) override;
  // Line and fill part; then the corners and radius of another rectangle.
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // Corners from points[0], points[1]; radius 0.
  void SetPoints(const DPoint* points, int count) override;
  // Corners about the centre per axis; the radius times the smaller absolute
  // factor.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void Recalc(cDrawingData* data) override;
  cRectangle* AsRectangle() override { return this; }
  const cRectangle* AsRectangle() const override { return this; }
  bool IsClosed() const override { return true; }

  DPoint corner1;
  DPoint corner2;
  double radius = 0.0;
};

}  // namespace kvn
