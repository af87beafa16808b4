// cInvRect: the blank-out rectangle that insert and line-type expansion put
// behind generated symbols. It paints its rectangle white on a raster surface
// (screen drawing only, never while printing or recording) and is never
// stored: it has no record and the factory makes none.
#pragma once

#include "foundation/DRect.h"
#include "model/cOutObj.h"

namespace kvn {

class cInvRect : public cOutObj {
 public:
  // Its type code; no class of the factory has it.
  static constexpr std::uint8_t kTypeCode = 11;

  cInvRect();
  explicit cInvRect(const DRect& rectangle);
  ~cInvRect() override;

  // The rectangle it keeps.
  DRect& GetExtent(DRect& out) override;
  // Both corners to device units, normalised, filled with white (0x00FFFFFF)
  // on the context's raster surface; nothing without one or while the
  // mapping's output mode or printer flag is set.
  void Draw(cDrawInfo* info) override;
  void Recalc(cDrawingData* data) override;

  DRect rect;  // drawing units
};

}  // namespace kvn
