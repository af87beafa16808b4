// One line of text in an SHX font, placed as strokes in drawing units.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "model/Cubic.h"
#include "model/ShxFont.h"

namespace kvn {

class cDrawingData;
class cText;
struct ShxParsedFont;


struct ShxLineRequest {
  double height = 0.0;       // cap height in drawing units
  const char16_t* chars = nullptr;
  int count = 0;
  bool underline = false;
  bool strikeOut = false;
  double widthFactor = 1.0;
  double angle = 0.0;        // degrees, as RotatePoint turns
  DPoint origin;             // start of the line on its base line
  bool mirrorX = false;
  bool keepY = false;        // shape y kept (mirrored text) instead of flipped
};

// Appends the line's strokes to `out` and grows `box` (first-flag idiom of
// DRect) by every glyph's bounds. Nothing is built when "above" is 0. Shape y
// runs up, drawing y down: the shapes are flipped unless keepY is set. The
// returned value is the final pen x in shape units (the line's advance).
double BuildShxTextLine(ShxParsedFont& font, DRect& box, bool& first, ShxOutlineCache& out, const ShxLineRequest& line);

// Places one line of a text object (alignment, mirrors, anchor offset) and
// builds its strokes; `bounds` gets their normalised box. Null when the text's
// font is no SHX text font.
std::unique_ptr<ShxOutlineCache> BuildShxTextOutline(DRect& bounds, cText& text, const WString& lineText,
                                                     cDrawingData* data);

class cDrawInfo;

// The strokes of every line of a laid-out SHX text (the layout's outline
// source, installed by InstallShxFonts).
std::unique_ptr<ShxOutlineCache> BuildShxTextCache(cText& text, cDrawingData* data, DRect& bounds);
// Draws every line of an SHX text with the font's pen width (installed as the
// text object's SHX drawing by InstallShxFonts).
void DrawShxText(cText& text, cDrawInfo& info);

}  // namespace kvn
