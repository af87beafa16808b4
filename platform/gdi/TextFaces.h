// Where the text calls of every device context get their glyphs: a face
// source that turns a LOGFONT into a cairo font face with its metrics. The
// fonts layer (platform/fonts) registers itself as the process-wide source;
// until one is registered, text draws no glyphs (README.md: Text).
//
// Glyph space is the one of TDC::GetTextRunTransform: x along the baseline,
// y towards the descent, logical units of the font.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/GdiObjects.h"

namespace kvn {

// FreeType sizes a face to at most 65,535 pixels per em either way. Cairo,
// asked for a larger scaled font, fails to make it and loses the memory of
// the half-made one, so no larger scale is ever asked of it.
inline constexpr double kMaxGlyphPixelsPerEm = 65535.0;

// A realised font. The face stays valid while the source keeps it (sources
// cache their faces for the life of the process or until they are cleared).
struct TextFace {
  cairo_font_face_t* face = nullptr;
  double emSize = 0;     // the em height in logical units
  double ascent = 0;     // logical units above the baseline
  double descent = 0;    // below it
  double internalLeading = 0;
  double externalLeading = 0;
  bool antialias = true;  // false for NONANTIALIASED_QUALITY (3)
  // A LOGFONT width other than 0 narrows or widens the face: glyphs and
  // advances are scaled along the baseline by this factor, which makes the
  // face's average character width the width asked for.
  double widthScale = 1.0;
  double aveCharWidth = 0;  // logical units, after the scale
};

class TextFaceSource {
 public:
  virtual ~TextFaceSource() = default;
  // False when no face can serve the font.
  virtual bool Realise(const LogFont& font, TextFace* out) = 0;
};

// The process-wide source (not owned; null: none). GUI thread only. Setting
// it lets go of the scaled fonts the run layout keeps for the faces it met.
void SetTextFaceSource(TextFaceSource* source);
TextFaceSource* GetTextFaceSource();

// One glyph of a laid-out run: its index in the face and its origin on the
// baseline (glyph space).
struct PlacedGlyph {
  unsigned long index = 0;
  double x = 0;
};

// Lays out count UTF-16 units (a surrogate pair is one character): one glyph
// per character at the sum of the advances before it, the advances taken
// from `dx` (logical units, one per unit) when given, else from the face
// (times its width scale).
// `advances` (optional) receives each unit's advance. Answers the run's
// whole advance; false when the face cannot be used. The scaled fonts of the
// last few faces and em sizes are kept, with each character's glyph and
// advance as cairo gave them.
bool LayoutTextRun(const TextFace& face, const char16_t* text, int count, const int* dx,
                   std::vector<PlacedGlyph>* glyphs, std::vector<double>* advances, double* total);

}  // namespace kvn
