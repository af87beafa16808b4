#include "model/TextGlyphBoxes.h"

#include "model/TrueTypeFace.h"

namespace kvn {

namespace {
ShxGlyphBoxSource shxSource = nullptr;
TrueTypeGlyphBoxSource trueTypeSource = nullptr;
}  // namespace

void SetShxGlyphBoxSource(ShxGlyphBoxSource source) { shxSource = source; }
void SetTrueTypeGlyphBoxSource(TrueTypeGlyphBoxSource source) { trueTypeSource = source; }

bool GetShxGlyphBox(ShxFont& font, char16_t code, GlyphBox& out) {
  out = GlyphBox{};
  if (!shxSource || !shxSource(font, code, out)) {
    out = GlyphBox{};
    return false;
  }
  return true;
}

void GetTrueTypeGlyphBox(FontGlyph& glyph, GlyphBox& out) {
  out = GlyphBox{};
  if (trueTypeSource) trueTypeSource(glyph, out);
  out.advance = glyph.advance;
}

}  // namespace kvn
