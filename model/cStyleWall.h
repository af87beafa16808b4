// cStyleWall: the wall style. The thickness of the wall, the line attributes
// of its sides and caps and the fill attributes of its band, each either its
// own or taken from a named line or fill style.
#pragma once

#include "model/DrawAttributes.h"
#include "model/StyledAttributes.h"
#include "model/cAnyStyle.h"

namespace kvn {

class cStyleWall : public cAnyStyle {
 public:
  cStyleWall() = default;
  ~cStyleWall() override;

  // Thickness, width, pattern scale, hatch value and hatch scale multiplied.
  void Scale(double factor) override;
  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  // Sets the fill attributes from what a filled object shows: fill-style
  // index 65535; colours, hatch value and scale and opacity from the
  // object's fill style when one applies and does not defer to the object
  // (the colours also only while the object's own-colour marks are clear),
  // else the object's own; the hatch kind from the fill style whenever one
  // applies.
  void TakeFillAttributes(const cOutObj& object, const FillFields& fill, const cDrawingData* data);

  double thickness = 5.0;
  DrawAttributes attributes;
};

}  // namespace kvn
