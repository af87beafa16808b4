// cCircle: a circle or an axis-parallel ellipse. Factory type code 3.
//
// Form 1 (the default): the two points are opposite corners of the bounding
// box. Form 0: the first point is the centre and the second the centre plus
// the radii (their absolute differences count).
//
// Record after the common header and the line part (current form):
//   fill part; first point, second point (real points); form (bit)
// Older rows: 3061-3091 centre (real point), radius x (real), bit 1 + radius
// y (real) or bit 0 for a circle, form bit; 3054-3060 two float points and a
// form byte; before 3054 two float points and form 0. Before 3092 a form-0
// record stores the radii themselves, which become centre + radii on reading.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "model/cAnyFill.h"

namespace kvn {

class cCircle : public cAnyFill {
 public:
  cCircle();
  ~cCircle() override;

  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  // A circle turns by any angle; an ellipse only by multiples of 90 degrees
  // (any other angle answers false and changes nothing).
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The bounding box, normalised.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // The box points[0], points[1], in the circle's form.
  void SetPoints(const DPoint* points, int count) override;
  void Draw(cDrawInfo* info) override;
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void Recalc(cDrawingData* data) override;
  // Four closed quarter pieces, counter-clockwise for a box stored from its
  // lower left corner, starting at the middle of the first point's side.
  bool GetOutline(CubicArray& out, int* position) override;
  cCircle* AsCircle() override { return this; }
  const cCircle* AsCircle() const override { return this; }
  bool IsClosed() const override { return true; }

  // The bounding box as stored (not normalised): form 1 the two points, form
  // 0 centre minus and plus the radii.
  void GetBox(DPoint& a, DPoint& b) const;

  std::uint8_t form = 1;
  DPoint p1;
  DPoint p2;
};

}  // namespace kvn
