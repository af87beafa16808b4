// cRectangle: an axis-parallel rectangle between two corners, optionally with
// rounded corners, stroked and filled. Factory type code 2.
//
// Record after the common header, the line part and the fill part:
//   from 3085        first corner, second corner (real points), radius
//                    (compact double)
//   3061 to 3084     the two corners as real points; radius 0
//   before 3061      the two corners as float points; radius 0
//
// The rectangle is measured, drawn and resolved through its outline polygon
// (cOutlineShape): the closed list of the corners (x1, y1), (x2, y1),
// (x2, y2), (x1, y2), with rounded corners (curve kind 2) when the radius is
// not 0.
#pragma once

#include "foundation/DPoint.h"
#include "model/cOutlineShape.h"

namespace kvn {

class cRectangle : public cOutlineShape {
 public:
  cRectangle();
  ~cRectangle() override;

  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  void Move(const DPoint& offset) override;
  // Only multiples of 90 degrees; any other angle answers false and changes
  // nothing.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // Line and fill part; then the corners and radius of another rectangle.
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // Corners from points[0], points[1]; radius 0.
  void SetPoints(const DPoint* points, int count) override;
  // Corners about the centre per axis; the radius times the smaller absolute
  // factor.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  cRectangle* AsRectangle() override { return this; }
  const cRectangle* AsRectangle() const override { return this; }
  void BuildOutline(cPolygon& target) const override;

  DPoint corner1;
  DPoint corner2;
  double radius = 0.0;
};

}  // namespace kvn
