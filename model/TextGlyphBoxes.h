// Glyph advances and ink boxes for the text layout. The glyph shapes are
// read by the text subsystem above the model, which installs these sources
// at start-up; without them SHX glyphs have no advance and TrueType glyphs
// no ink beyond their advance.
#pragma once

namespace kvn {

struct FontGlyph;
struct ShxFont;

// In the units of the font source (SHX shape units; TrueType 48-pixel em
// units), y upwards.
struct GlyphBox {
  double advance = 0.0;
  double left = 0.0, bottom = 0.0, right = 0.0, top = 0.0;
  bool hasInk = false;
};

using ShxGlyphBoxSource = bool (*)(ShxFont& font, char16_t code, GlyphBox& out);
using TrueTypeGlyphBoxSource = void (*)(FontGlyph& glyph, GlyphBox& out);
// Null removes a source.
void SetShxGlyphBoxSource(ShxGlyphBoxSource source);
void SetTrueTypeGlyphBoxSource(TrueTypeGlyphBoxSource source);
// False (all zero) without a source or a glyph for the code.
bool GetShxGlyphBox(ShxFont& font, char16_t code, GlyphBox& out);
// The advance always; the ink only with a source installed.
void GetTrueTypeGlyphBox(FontGlyph& glyph, GlyphBox& out);

}  // namespace kvn
