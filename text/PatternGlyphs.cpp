#include "text/PatternGlyphs.h"

#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "text/GlyphPolygons.h"
#include "text/ShxParsedFont.h"

namespace kvn {

namespace {

constexpr double kEmUnits = 48.0;

class FontTableGlyphs : public GlyphOutlineSource {
 public:
  bool GetGlyph(const cDrawingData* data, std::uint16_t fontIndex, char16_t code, std::vector<CubicArray>& contours,
                double& advance, double& unitsPerEm) override {
    if (!data || fontIndex >= data->FontStyles().Count()) return false;
    cStyleFont* font = data->FontStyles().Get(fontIndex);
    if (ShxFont* shx = font ? font->Shx() : nullptr) return GetShxGlyph(*shx, code, contours, advance, unitsPerEm);
    TrueTypeFaceSet* set = font ? font->FaceSet() : nullptr;
    if (!set) return false;
    TrueTypeFace* face = set->GetFace(0);
    FontGlyph* glyph = face ? FindGlyph(code, face->glyphs) : nullptr;
    if (!glyph && set->IsAvailable()) {
      if (!face) face = set->CreateFace(0);
      glyph = face->GetGlyph(code);
    }
    if (!glyph && set->state == 0) {
      if (TrueTypeFace* substitute = GetSubstituteFace(*set, 0)) glyph = substitute->GetGlyph(code);
    }
    if (!glyph) return false;
    if (!glyph->polygons) BuildGlyphPolygons(*glyph);
    for (const auto& run : glyph->polygons->runs) {
      if (run.size() < 4) continue;
      CubicArray contour;
      for (std::size_t i = 0; i + 3 < run.size(); i += 3) {
        Cubic c;
        for (int k = 0; k < 4; ++k) c.p[k] = DPoint{run[i + k].x / 65536.0, run[i + k].y / 65536.0};
        contour.Append(c);
      }
      contours.push_back(std::move(contour));
    }
    advance = glyph->advance;
    unitsPerEm = kEmUnits;
    return true;
  }

 private:
  // Strokes of a shape in shape units (y up), the height of capitals as the
  // em; a shape file without a header (line-type shapes) measures by 1.
  static bool GetShxGlyph(ShxFont& shx, char16_t code, std::vector<CubicArray>& contours, double& advance,
                          double& unitsPerEm) {
    if (!LoadShxFontData(shx)) return false;
    ShxParsedFont& font = *shx.parsed;
    ShxGlyph* glyph = font.GetGlyph(code);
    if (!glyph) return false;
    glyph->Compute(font);
    for (const CubicArray& line : glyph->polylines) {
      CubicArray copy;
      for (const Cubic& c : line) copy.Append64(c);
      contours.push_back(std::move(copy));
    }
    advance = glyph->penEnd.x;
    unitsPerEm = font.IsTextFont() ? font.GetAbove() : 1.0;
    return true;
  }
};

}  // namespace

void InstallPatternGlyphSource() {
  static FontTableGlyphs source;
  SetGlyphOutlineSource(&source);
}

}  // namespace kvn
