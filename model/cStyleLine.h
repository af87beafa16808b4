// cStyleLine: the line style. Pen attributes, a line type with its pattern
// scale, and for patterned line types a symbol (placed along the line) and a
// list of dash elements. model/README.md ("Line styles and line types") is the
// model that the stroke routine, the pattern expansion, the LINES_TABLE
// resource and the import share; this class stores it.
//
// Units: width, repeat length, start offset and dash positions in drawing
// units (times the pattern scale where it applies); angles in degrees;
// colours 0x00BBGGRR with bit 31 meaning "not set".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "model/Cubic.h"
#include "model/ObjectChain.h"
#include "model/StyledAttributes.h"
#include "model/cAnyStyle.h"

namespace kvn {

// One element of a complex line type: a dash (its position is the dash
// length: above 0 a dash, below 0 a gap, 0 a dot) that may carry a text or
// shape character drawn at the element.
struct LineDashElement {
  double position = 0.0;
  bool hasText = false;
  std::uint8_t flags = 0;            // element type flags of the import
  WString text;
  std::uint16_t fontIndex = 65535;   // into the drawing's font table
  double offsetX = 0.0;
  double offsetY = 0.0;
  double scale = 0.0;                // text height of the element
  double rotation = 0.0;             // degrees
};

// Outlines of the dash elements' texts, built on demand.
struct LinePatternCache {
  struct Piece {
    std::uint32_t element = 0;       // index into the dash elements
    std::vector<CubicArray> contours;
  };
  std::vector<Piece> pieces;
  // Largest distance of any outline point from its element's origin: the
  // room a patterned line needs beyond its stroke, before the pattern scale.
  double reach = 0.0;
};

// What BuildPatternCache needs of the fonts: one glyph of a drawing's font,
// its contours in font units (y as the font gives it, mirrored on use), its
// advance in the same units and the font's units per em. Installed by the
// text subsystem; without one no outlines are built.
class GlyphOutlineSource {
 public:
  virtual ~GlyphOutlineSource() = default;
  virtual bool GetGlyph(const cDrawingData* data, std::uint16_t fontIndex, char16_t code,
                        std::vector<CubicArray>& contours, double& advance, double& unitsPerEm) = 0;
};
// Null removes the source. The source must outlive its installation.
void SetGlyphOutlineSource(GlyphOutlineSource* source);

class cStyleLine : public cAnyStyle {
 public:
  cStyleLine() = default;
  ~cStyleLine() override;

  void Scale(double factor) override;
  void ScalePattern(double factor) override;
  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  // "L(" line type "," width "," colour "," pattern scale "," pen ")".
  void MakeName();
  // Takes the line type (low 7 bits) and, unless the style is by object, the
  // pen of a stroked object through its styled accessors; a by-object style
  // takes the drawing scale as its pattern scale. Drops the symbol flag, the
  // dash elements and the cache.
  void SetFromObject(const cOutObj& object, const StrokeFields& stroke, const cDrawingData* data);

  // Brings the symbol to pattern scale 1: the symbol values (the start
  // offset only when positive) divided by the pattern scale, the symbol's
  // objects and their line widths scaled by its inverse. Nothing without a
  // symbol or a positive pattern scale.
  void NormalizeSymbolScale();

  // A symbol line style: the flag and at least one symbol object.
  bool IsSymbolLine() const { return hasSymbol != 0 && !symbol.Empty(); }
  bool HasDashElements() const { return !dashElements.empty(); }

  // Builds the outlines of the dash elements' texts when there are any and no
  // cache yet; the cache stays until FreePatternCache.
  void BuildPatternCache(const cDrawingData* data);
  void FreePatternCache() { patternCache_.reset(); }
  const LinePatternCache* PatternCache() const { return patternCache_.get(); }

  std::uint32_t color = 0;
  std::uint32_t gapColor = 0x80FFFFFF;
  double width = 0.25;
  std::uint8_t lineType = 1;
  double patternScale = 1.0;
  std::uint8_t penOption = 0;
  // The two symbol values: see model/README.md for their roles.
  double repeatLength = 0.0;
  double startOffset = 0.0;
  // 0x01 the symbol takes the line's colours, 0x02 the line's width.
  std::uint8_t symbolByte = 0;
  std::uint8_t hasSymbol = 0;
  std::uint8_t byObject = 0;
  ObjectChain symbol;
  std::vector<LineDashElement> dashElements;

 private:
  std::unique_ptr<LinePatternCache> patternCache_;
};

}  // namespace kvn
