// cAnyFill: the base of every stroked object that can be filled. It adds the
// fill part of the attributes (a solid colour with opacity, a hatch, or a
// fill style under type bit 0x40) and the fill part of the object record.
//
// Fill part of the record, written after the line part (current form):
//   styled (bit 0x40)  fill-style reference; with drawing data and a style
//                      that does not defer to the object, placeholders follow
//                      (fill colour not set, hatch colour 0, 0.0, 0.0)
//   unstyled           hatch kind (small byte)
//   then               fill colour (colour); when it is set, opacity below 255
//                      as bit 1 + byte, else bit 0; hatch colour (colour),
//                      hatch value (compact double), hatch scale (real-or-unit)
// Older bands are read as well (see ReadFillPart).
#pragma once

#include <cstdint>

#include "foundation/DRect.h"
#include "model/ObjectChain.h"
#include "model/StyledAttributes.h"
#include "model/cAnyLine.h"

namespace kvn {

class cPolygon;
class cCircle;
class cArc;
class cRectangle;
class cNPoly;
class cStyleFill;

class cAnyFill : public cAnyLine {
 public:
  explicit cAnyFill(std::uint8_t typeCode);
  ~cAnyFill() override;

  // ---- cOutObj slots ----
  cAnyFill* AsAnyFill() override { return this; }
  const cAnyFill* AsAnyFill() const override { return this; }
  // Width, pattern scale, hatch value and hatch scale times the factor; a
  // negative factor changes nothing.
  void ScaleLineWidths(const TransformContext& context, double factor) override;
  void Assign(const cOutObj& source) override;

  // ---- added slots ----
  virtual cPolygon* AsPolygon() { return nullptr; }
  virtual const cPolygon* AsPolygon() const { return nullptr; }
  virtual cCircle* AsCircle() { return nullptr; }
  virtual const cCircle* AsCircle() const { return nullptr; }
  virtual cArc* AsArc() { return nullptr; }
  virtual const cArc* AsArc() const { return nullptr; }
  virtual cRectangle* AsRectangle() { return nullptr; }
  virtual const cRectangle* AsRectangle() const { return nullptr; }
  virtual cNPoly* AsNPoly() { return nullptr; }
  virtual const cNPoly* AsNPoly() const { return nullptr; }
  virtual bool IsClosed() const = 0;

  // ---- styled attributes (own values without drawing data) ----
  std::uint32_t GetFillColor(const cDrawingData* data) const { return kvn::GetFillColor(*this, fill, data); }
  std::uint8_t GetFillAlpha(const cDrawingData* data) const { return kvn::GetFillAlpha(*this, fill, data); }
  std::uint32_t GetHatchColor(const cDrawingData* data) const { return kvn::GetHatchColor(*this, fill, data); }
  std::uint8_t GetHatchKind(const cDrawingData* data) const { return kvn::GetHatchKind(*this, fill, data); }
  double GetHatchSize(const cDrawingData* data) const { return kvn::GetHatchSize(*this, fill, data); }
  double GetHatchScale(const cDrawingData* data) const { return kvn::GetHatchScale(*this, fill, data); }
  const cStyleFill* GetFillStyle(const cDrawingData* data) const { return kvn::GetFillStyle(*this, fill, data); }

  // The type bit 0x40, the fill fields and the two own-colour marks of
  // another filled object (not the former fill-style index).
  void AssignFillPart(const cAnyFill& source);
  // Takes the fill values of the style (when the object is styled and the
  // style exists) and drops the reference.
  void DetachFillStyle(cDrawingData* data);
  // The fill half of style materialisation (see cAnyLine::MaterializeStyles).
  void MaterializeFillStyle(cDrawingData* data);

  // ---- hatch objects (cAnyFillHatch.cpp), for the renderer ----
  // The objects of the object's hatch in drawing units, relative to the
  // origin: a built-in pattern (kinds 1-254) or the fill style's symbol
  // (kind 255), recoloured in the resolved hatch colour (0 with `plain`).
  // `scale` receives the hatch scale used, `style` the fill style that
  // applies (or null), `tileBox` the repeat box of the pattern.
  void MakeHatchObjects(ObjectChain& out, double& scale, cDrawingData* data, const cStyleFill*& style,
                        DRect& tileBox, bool plain);
  // Copies of the style's symbol objects scaled by `scale` about the origin,
  // their line width `width` when that is not 0, else their own times
  // `widthFactor`; `tileBox` the symbol's box times the scale. Nothing for a
  // scale not above 0.
  static void CopyHatchSymbol(const cStyleFill& style, ObjectChain& out, DRect& tileBox, double scale,
                              double width, double widthFactor);

  // ---- the fill part of the record ----
  void WriteFillPart(cDrawingData* data, ArchiveWriter& w) const;
  void ReadFillPart(cDrawingData* data, ArchiveReader& r, int version);

  FillFields fill;
};

}  // namespace kvn
