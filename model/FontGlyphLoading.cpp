// Glyph records of a drawing's fonts, loaded for the texts that use them.
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"

namespace kvn {

void cDrawingData::LoadGlyphs(std::uint16_t fontIndex, const WString& text, int style) {
  if (fontIndex == 0xFFFF || fontIndex >= fontStyles_.Count()) return;
  cStyleFont* font = fontStyles_.Get(fontIndex);
  if (TrueTypeFaceSet* set = font ? font->FaceSet() : nullptr) set->LoadGlyphs(text, style);
}

}  // namespace kvn
