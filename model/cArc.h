// cArc: a circular arc through three points (start, a point on the arc,
// end), open or closed (a closed arc is filled; its chord closes it).
// Factory type code 9.
//
// Kind byte: 0x01 closed (the record then holds the fill part), 0x02 a second
// arc flag kept with the record.
//
// Record after the common header and the line part (current form):
//   kind (2 bits), start, middle, end (real points), fill part when closed
// Before 3081 the fill part follows the line part instead (always); before
// 3061 the kind is a byte and the points are float points.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "model/ArcPieces.h"
#include "model/cAnyFill.h"

namespace kvn {

class cArc : public cAnyFill {
 public:
  static constexpr std::uint8_t kClosed = 0x01;
  static constexpr std::uint8_t kSecondFlag = 0x02;

  cArc();
  ~cArc() override;

  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  // Any angle.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The exact box of the outline's curves.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // A quarter circle in the box points[0], points[1]: radius the smaller
  // side, turning from points[0] toward the box's far corner.
  void SetPoints(const DPoint* points, int count) override;
  void Draw(cDrawInfo* info) override;
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  // Only uniformly: factors whose sizes differ answer false (the caller
  // turns the arc into a polygon) unless the context carries drawing data
  // and a chain, in which case the arc is scaled by the smaller factor about
  // its moved middle.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  // The stroked-object rule, then the three points.
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  void Recalc(cDrawingData* data) override;
  bool GetOutline(CubicArray& out, int* position) override;
  cArc* AsArc() override { return this; }
  const cArc* AsArc() const override { return this; }
  bool IsClosed() const override { return (kind & kClosed) != 0; }

  std::uint8_t kind = 0;
  DPoint start;
  DPoint middle;
  DPoint end;

 private:
  // The circle of the three points as Recalc last worked it out: the
  // outline takes it while the object is not marked changed since (every
  // change of the points marks it), instead of working it out at each
  // drawing.
  ArcCircle circle_;
  bool circleKept_ = false;
};

}  // namespace kvn
