#include "platform/gdi/SymbolFont.h"

#include "platform/fonts/FontTypes.h"
#include "platform/fonts/RealizedFont.h"

namespace kvn {

// The face is chosen as every realised font chooses it (memory fonts, the
// installed faces with their stand-ins, fontconfig's best match), so the
// answer is about the face text will really be drawn with.
bool IsNonSymbolFont(const WString& faceName) {
  LogFont logFont;
  SetLogFontFace(logFont, faceName);
  const std::unique_ptr<RealizedFont> font = RealizedFont::Create(logFont);
  return !font || !font->SymbolCmap();
}

}  // namespace kvn
