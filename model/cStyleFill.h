// cStyleFill: the fill style. A solid fill colour with its opacity, and a
// hatch: a built-in pattern (kinds 1-254, drawn by the renderer) or, for kind
// 255, the style's own symbol objects repeated as a tile together with its
// own hatch lines.
//
// Units: hatch value (the hatch line width) in drawing units, hatch and
// symbol scales as factors; colours 0x00BBGGRR with bit 31 meaning "not set".
#pragma once

#include <cstdint>
#include <vector>

#include "model/ObjectChain.h"
#include "model/StyledAttributes.h"
#include "model/cAnyStyle.h"

namespace kvn {

// One line family of a symbol hatch: two values (written as 0 when the
// style's hatch-line flag is set), three values, and its dash lengths.
struct HatchLine {
  double values[2] = {};
  double params[3] = {};
  std::vector<double> dashes;  // at most 65535
};

inline constexpr std::uint8_t kSymbolHatch = 255;

class cStyleFill : public cAnyStyle {
 public:
  cStyleFill() = default;
  ~cStyleFill() override;

  void Scale(double factor) override;
  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  // "A(" k "," c ")": k is the hatch kind + 1, or for no hatch 0 without and
  // 1 with a fill colour; c the fill colour for k = 1, the hatch colour for a
  // hatch, 0 otherwise.
  void MakeName();
  // Takes the resolved hatch kind of a filled object and, unless the style is
  // by object, its fill colour, opacity, hatch colour, hatch value and hatch
  // scale; a by-object style takes the drawing scale as its hatch scale.
  void SetFromObject(const cOutObj& object, const FillFields& fill, const cDrawingData* data);
  // Whether a symbol-hatch sample of this style at the trial hatch scale
  // stays mostly white (above 85 % of a 100 x 100 picture). False when no
  // picture can be made.
  bool IsSparseAtScale(double trialScale) const;

  std::uint8_t hatchKind = 0;
  std::uint32_t fillColor = 0x80000000;
  std::uint8_t opacity = 255;
  std::uint8_t byObject = 0;
  std::uint32_t hatchColor = 0;
  double hatchValue = 0.25;
  double hatchScale = 1.0;
  double symbolScale = 1.0;
  ObjectChain symbol;
  std::uint8_t hatchLineFlag = 0;
  std::vector<HatchLine> hatchLines;  // at most 65535
  double hatchLinesValue = 0.0;

 private:
  // The conversions of records before 3068: hatch sizes times the drawing
  // scale, the symbol by its inverse.
  bool FinishOldRecord(int version, cDrawingData* data);
};

}  // namespace kvn
