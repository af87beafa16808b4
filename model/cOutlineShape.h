// cOutlineShape: the common part of the parametric shapes (rectangles and
// regular polygons) that keep a generated outline. The shape rebuilds an
// embedded cPolygon from its parameters on Recalc and is measured, drawn and
// resolved through it; Explode and GetOutline build a fresh polygon by the
// same rule.
#pragma once

#include "model/cPolygon.h"

namespace kvn {

class cOutlineShape : public cAnyFill {
 public:
  ~cOutlineShape() override;

  // Refresh, then the outline's Resolve with a copy: the replacement is a
  // copy of the outline polygon, or its pattern pieces.
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  // A new polygon built from the parameters.
  ObjectChain Explode(cDrawingData* data) override;
  DRect& GetExtent(DRect& out) override;
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  // Rebuilds the outline and refreshes it (its bounds and pattern pieces).
  void Recalc(cDrawingData* data) override;
  bool GetOutline(CubicArray& out, int* position) override;
  void Draw(cDrawInfo* info) override;
  // The outline's DrawOutline, never with the handle flag.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  bool IsClosed() const override { return true; }

  // Makes `target` the outline of the current parameters: this shape's line
  // and fill attributes and one closed vertex list.
  virtual void BuildOutline(cPolygon& target) const = 0;
  const cPolygon& Outline() const { return outline_; }

 protected:
  explicit cOutlineShape(std::uint8_t typeCode);
  // Line and fill attributes into the target; its lists reset to one empty
  // closed list, straight, or rounded by `radius` when that is not 0.
  PointList& PrepareOutline(cPolygon& target, double radius) const;

 private:
  cPolygon outline_;
};

}  // namespace kvn
