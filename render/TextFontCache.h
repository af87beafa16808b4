// The program-wide font of text drawing through a device context. Texts
// drawn one after another mostly share face, style, height and angle, so one
// font is kept and made again only when one of these changes (or a drawing
// context asks for it with its font-cache option).
//
// Fonts are reference counted (platform/gdi/GdiObjects.h), and before the
// cached font is replaced the device context gets its previous font back,
// so no context is ever left holding a font the cache has dropped.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiObjects.h"

namespace kvn {

class TDC;
class cDrawInfo;
class cText;

// The escapement of a text angle in degrees: tenths of a degree rounded as
// floor(v + 0.5), 3600 added to a negative result (-90 -> 2700). A value
// that is not finite gives 0; one that still lies outside 0..3599 (angles
// beyond a full turn, which texts never hold) is brought into it.
std::int32_t TextFontEscapement(double angleDegrees);

// The cached font for the text at `height` device units (the em height;
// the sign is ignored). It is made again when the context's font-cache
// option is set (the option is then cleared), when there is none yet, or
// when the face name, the style bits (bold, italic, underline, strike-out),
// the height or the escapement differ from those it was made for; before
// that the device context gets back the font it had before the renderer
// selected one. The font is not selected here: the text drawing selects it.
// The font never underlines or strikes out (the text drawing draws those
// bars itself), and a family nobody has is asked by the name of the family
// that stands in for it (model/FontList.h, GetSubstituteFace).
// An empty handle when no font could be made.
TFont SelectTextFont(TDC& dc, const cText& text, cDrawInfo& info, std::int32_t height);

// Drops the cached font (the next SelectTextFont makes a new one).
void ClearTextFontCache();

}  // namespace kvn
