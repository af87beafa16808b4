// cBezier: the one-segment Bézier object of old files (type code 4). It is
// only ever read: its Read answers a cPolygon holding the same cubic segment
// with the same attributes, which takes its place in the object list.
//
// Record after the common header, the line part and the fill part: the
// closed byte and four float points (start, two control points, end).
#pragma once

#include <cstdint>

#include "model/Cubic.h"
#include "model/cAnyFill.h"

namespace kvn {

class cBezier : public cAnyFill {
 public:
  cBezier();
  ~cBezier() override;

  // Answers the replacement polygon.
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // The exact box of the segment.
  DRect& GetExtent(DRect& out) override;
  void Recalc(cDrawingData* data) override;
  bool IsClosed() const override { return closed != 0; }

  std::uint8_t closed = 0;
  Cubic segment{};
};

}  // namespace kvn
