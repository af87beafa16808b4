// cLine: a straight segment from a start point to an end point, drawn with
// the line attributes of its stroked base. Factory type code 1.
//
// Record after the common header and the line part:
//   from 3061   start (real point), end (delta point against the start)
//   before      start and end as float points
#pragma once

#include "foundation/DPoint.h"
#include "model/cAnyLine.h"

namespace kvn {

class cLine : public cAnyLine {
 public:
  cLine();
  ~cLine() override;

  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  void Move(const DPoint& offset) override;
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The box of the two points, normalised.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // points[0] and points[1] become start and end.
  void SetPoints(const DPoint* points, int count) override;
  void Draw(cDrawInfo* info) override;
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void Recalc(cDrawingData* data) override;
  cLine* AsLine() override { return this; }
  const cLine* AsLine() const override { return this; }
  // One open contour: the straight record (start, start, end, end).
  bool GetOutline(CubicArray& out, int* position) override;

  DPoint start;
  DPoint end;
};

}  // namespace kvn
