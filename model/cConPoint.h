// cConPoint: a connection point of a schematic symbol: a position with a
// direction angle, an optional name and an optional label that shows the
// name. It draws nothing itself; its label is a generated text that takes
// its place when the drawing is resolved. Factory type code 24.
//
// Record after the common header (current form, read from 3081 on):
//   position (real point); angle (compact double); a bit: the name is not
//   empty; with a name: the name (string), a bit: label shown; when shown:
//   label position (real point), label text style (text-style reference,
//   built-ins allowed), alignment (8 bits), label angle (compact double),
//   fixed label angle (bit).
// 3061-3080 store position and angle only; before 3061 both are floats, and
// an angle of FLT_MAX means "not set".
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "model/cOutObj.h"

namespace kvn {

class cConPoint : public cOutObj {
 public:
  cConPoint();
  ~cConPoint() override;

  // The label's resolved copy, or nothing without a label.
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  cConPoint* AsConPoint() override { return this; }
  const cConPoint* AsConPoint() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  // A copy of the label; nothing without a name or with the label hidden.
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The position as a rectangle of zero size.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // points[0] the position, points[1] the label position.
  void SetPoints(const DPoint* points, int count) override;
  // The angle follows the image of the unit direction under the factors.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  // Rebuilds the label from the name.
  void Recalc(cDrawingData* data) override;

  const cText* Label() const { return label_.get(); }

  DPoint position;
  double angle = 0.0;                 // degrees, (-180, 180]
  std::uint16_t labelTextStyle = 0x8004;
  std::uint8_t labelAlignment = 1;
  DPoint labelPosition;
  double labelAngle = 0.0;
  std::uint8_t labelShown = 0;
  // Set: the label keeps its angle when the point turns.
  std::uint8_t fixedLabelAngle = 0;
  WString name;

 private:
  std::unique_ptr<cText> label_;
};

}  // namespace kvn
