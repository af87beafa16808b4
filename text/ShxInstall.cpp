#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/cText.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"

namespace kvn {

namespace {

bool ShxMetrics(ShxFont& font, ShxLineMetrics& out) {
  (void)LoadShxFontData(font);
  if (!font.parsed || !font.parsed->IsTextFont()) return false;
  out.above = font.parsed->GetAbove();
  out.below = font.parsed->GetBelow();
  out.lineGapRatio = font.parsed->GetLineGapRatio();
  return true;
}

bool ShxGlyphBoxOf(ShxFont& font, char16_t code, GlyphBox& out) {
  (void)LoadShxFontData(font);
  if (!font.parsed) return false;
  ShxGlyph* glyph = font.parsed->GetGlyph(code);
  if (!glyph) return false;
  glyph->Compute(*font.parsed);
  out.advance = glyph->penEnd.x;
  out.left = glyph->bounds.x1;
  out.bottom = glyph->bounds.y1;
  out.right = glyph->bounds.x2;
  out.top = glyph->bounds.y2;
  out.hasInk = !glyph->polylines.empty();
  return true;
}

}  // namespace

void InstallShxFonts() {
  SetShxMetricsSource(&ShxMetrics);
  SetShxGlyphBoxSource(&ShxGlyphBoxOf);
  SetShxTextDrawer(&DrawShxText);
  SetShxOutlineSource(&BuildShxTextCache);
  SetShxArchiveLoader(&LoadShxArchive);
}

}  // namespace kvn
