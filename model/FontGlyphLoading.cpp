// Glyph records of a drawing's fonts, loaded for the texts that use them.
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"

namespace kvn {

void cDrawingData::LoadGlyphs(std::uint16_t fontIndex, const WString& text, int style) {
  if (fontIndex == 0xFFFF || fontIndex >= fontStyles_.Count()) return;
  cStyleFont* font = fontStyles_.Get(fontIndex);
  if (TrueTypeFaceSet* set = font ? font->FaceSet() : nullptr) set->LoadGlyphs(text, style);
}

void cDrawingData::LoadGlyphsForText(cText& text) {
  const int style = (text.IsBold(this) ? 1 : 0) + (text.IsItalic(this) ? 2 : 0);
  LoadGlyphs(text.GetFontIndex(this), text.GetDisplayText(this), style);
}

}  // namespace kvn
