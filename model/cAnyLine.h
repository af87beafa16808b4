// cAnyLine: the base of every object drawn with a pen (lines, arcs, circles,
// rectangles, regular polygons, polygons, dimensions). It carries the line
// part of the attributes (own values, or a line style under type bit 0x80),
// the line part of the object record, and the pattern pieces that a patterned
// line type expands into.
//
// Line part of the record, written after the common header (current form):
//   styled (bit 0x80)  line-style reference; with drawing data and a style
//                      that does not defer to the object, placeholders follow
//                      (colour 0, gap colour not set, 0.0, 0.0, pen bit 0)
//   unstyled           line type (small byte)
//   then               colour, gap colour (colours), width (compact double),
//                      pattern scale (real-or-unit), pen option (bit)
// Older bands are read as well (see ReadLinePart).
//
// Units: widths in drawing units; colours 0x00BBGGRR, bit 31 = not set.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DRect.h"
#include "model/Cubic.h"
#include "model/StyledAttributes.h"
#include "model/cOutObj.h"

namespace kvn {

class cLine;
class cPolygon;
class cStyleLine;

// Line types: 0 none, 1 solid, 2 up to kBuiltinDashTypes - 1 the renderer's
// dash rows, kBuiltinDashTypes + k entry k of the predefined line types.
inline constexpr std::uint8_t kLineTypeNone = 0;
inline constexpr std::uint8_t kLineTypeSolid = 1;
inline constexpr std::uint8_t kBuiltinDashTypes = 19;

// The process-wide switch of pattern expansion (on unless switched off).
bool IsPatternExpansionOn();
void SetPatternExpansionOn(bool on);

// Pattern pieces of a stroked object: the prototype first, then what the
// placement walk made, with the walk's two integers.
struct PatternPiece {
  std::unique_ptr<cOutObj> object;
  std::int32_t a = 0;
  std::int32_t b = -1;
};
struct PatternPieceList {
  std::vector<PatternPiece> entries;
  DRect bounds;
  std::uint8_t boundsEmpty = 1;
};

class cAnyLine : public cOutObj {
 public:
  explicit cAnyLine(std::uint8_t typeCode);
  ~cAnyLine() override;

  // ---- cOutObj slots ----
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  cAnyLine* AsAnyLine() override { return this; }
  const cAnyLine* AsAnyLine() const override { return this; }
  ObjectChain Explode(cDrawingData* data) override;
  void ScaleLineWidths(const TransformContext& context, double factor) override;
  // The stroked base has no geometry: the zero rectangle.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  void Recalc(cDrawingData* data) override;

  // ---- added slots ----
  virtual cLine* AsLine() { return nullptr; }
  virtual const cLine* AsLine() const { return nullptr; }
  // Appends one contour as cubic records and answers whether it is closed.
  // `position` starts at 0 and is -1 after the last contour; null asks for
  // the first contour only. The stroked base has none.
  virtual bool GetOutline(CubicArray& out, int* position);

  // ---- styled attributes (own values without drawing data) ----
  std::uint32_t GetColor(const cDrawingData* data) const { return GetLineColor(*this, stroke, data); }
  std::uint32_t GetGapColor(const cDrawingData* data) const { return kvn::GetGapColor(*this, stroke, data); }
  double GetWidth(const cDrawingData* data) const { return GetLineWidth(*this, stroke, data); }
  double GetPatternScale(const cDrawingData* data) const { return kvn::GetPatternScale(*this, stroke, data); }
  std::uint8_t GetPenOption(const cDrawingData* data) const { return kvn::GetPenOption(*this, stroke, data); }
  std::uint8_t GetLineType(const cDrawingData* data) const { return kvn::GetLineType(*this, stroke, data); }
  const cStyleLine* GetLineStyle(const cDrawingData* data) const { return kvn::GetLineStyle(*this, stroke, data); }

  // Line type from a Windows pen style (PS_SOLID ... PS_INSIDEFRAME).
  void SetLineTypeFromPenStyle(int penStyle);

  // Copies the styled values into the object so that it no longer depends on
  // its line style (and, for filled objects, its fill style); the former
  // indices keep what the object referred to.
  void MaterializeStyles(cDrawingData* data);

  // Draws the pattern pieces instead of the object; false when there are
  // none to draw (expansion off, or no pieces).
  // Inline: every stroked object asks at every drawing, and most have no
  // pattern objects.
  bool DrawPatternObjects(cDrawInfo* info) { return patternPieces_ && DrawPlacedPatternObjects(info); }

  const PatternPieceList* PatternPieces() const { return patternPieces_.get(); }

  // The pattern expansion that the stroked classes run in their Recalc
  // (model/PatternExpansion.cpp): rebuilds the pattern pieces of a symbol
  // line style, or of a predefined line type (19 and above), along every
  // contour of GetOutline. Pattern pieces never expand themselves.
  void ExpandPattern(cDrawingData* data);
  // The Explode rule of stroked objects on the first contour, curves
  // included (model/cPolygon.cpp): a straight record becomes a cLine (none
  // for a record whose ends coincide), any other record a one-piece
  // cPolygon, each with this object's line attributes.
  ObjectChain ExplodeFirstContour(cDrawingData* data);
  // The target takes this object's fill attributes (when filled) or line
  // attributes, and its first vertex list becomes the cubic chain of the
  // first contour with its closed flag (model/cPolygon.cpp).
  void ToPolygon(cPolygon& target);

  // ---- the line part of the record ----
  void WriteLinePart(cDrawingData* data, ArchiveWriter& w) const;
  // Reads the line part of a record of the given file version; old-pattern
  // values and the holder object of pre-3050 records go to the context.
  void ReadLinePart(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version);

  StrokeFields stroke;

 protected:
  void DeletePatternPieces() { patternPieces_.reset(); }

 private:
  bool DrawPlacedPatternObjects(cDrawInfo* info);

  std::unique_ptr<PatternPieceList> patternPieces_;
};

}  // namespace kvn
