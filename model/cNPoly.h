// cNPoly: a regular polygon of n sides (at least 3), optionally with rounded
// corners. Factory type code 10. Measured, drawn and resolved through its
// outline polygon (cOutlineShape).
//
// Side mode 0: the first point is the centre and the second a vertex. Side
// mode 1: the two points are the ends of one side, and the centre lies the
// apothem away from the side's middle, on its left looking from the first
// point toward the second (y up).
// Order 1 stores the vertices by increasing angle, order 0 the same points
// reversed.
//
// Record after the common header, the line part and the fill part (no
// version rows): side mode (bit), order (bit), sides (8 bits), first point,
// second point (real points), corner radius (compact double).
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "model/cOutlineShape.h"

namespace kvn {

class cNPoly : public cOutlineShape {
 public:
  cNPoly();
  ~cNPoly() override;

  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  void Move(const DPoint& offset) override;
  // Any angle.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // First and second point; side mode, order and radius 0.
  void SetPoints(const DPoint* points, int count) override;
  // Points about the centre per axis; the radius times the smaller absolute
  // factor.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  cNPoly* AsNPoly() override { return this; }
  const cNPoly* AsNPoly() const override { return this; }
  void BuildOutline(cPolygon& target) const override;

  // The centre of the polygon from the two points and the side mode.
  DPoint GetCentre() const;

  std::uint8_t sideMode = 0;
  std::uint8_t order = 0;
  std::uint8_t sides = 3;
  DPoint first;
  DPoint second;
  double radius = 0.0;
};

}  // namespace kvn
