// Glyphs on the cairo targets: the face at its em size under the
// glyph-to-device transform, inside the clip, without anti-aliasing for
// NONANTIALIASED_QUALITY (whatever the target does for shapes).
#include <cmath>

#include "platform/gdi/CairoDC.h"

namespace kvn {

void CairoDC::RenderGlyphs(const XForm& glyphToDevice, const TextFace& face, const std::vector<PlacedGlyph>& glyphs,
                           COLORREF color) {
  if (glyphs.empty() || !face.face) return;
  // Runs that reach beyond cairo's coordinate range are not drawn.
  if (!(std::fabs(glyphToDevice.eDx) < kCairoCoordLimit && std::fabs(glyphToDevice.eDy) < kCairoCoordLimit)) return;
  cairo_t* cr = Cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  ApplyClip(cr, 0, 0);
  cairo_matrix_t m;
  cairo_matrix_init(&m, glyphToDevice.eM11, glyphToDevice.eM12, glyphToDevice.eM21, glyphToDevice.eM22,
                    glyphToDevice.eDx, glyphToDevice.eDy);
  cairo_set_matrix(cr, &m);
  cairo_set_font_face(cr, face.face);
  cairo_set_font_size(cr, face.emSize);
  cairo_font_options_t*& options = glyphOptions_[face.antialias ? 0 : 1];
  if (!options) {
    options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, face.antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  }
  cairo_set_font_options(cr, options);
  SetSourceColor(cr, color);
  glyphList_.resize(glyphs.size());
  for (std::size_t i = 0; i < glyphs.size(); ++i) glyphList_[i] = {glyphs[i].index, glyphs[i].x, 0.0};
  cairo_show_glyphs(cr, glyphList_.data(), int(glyphList_.size()));
  cairo_restore(cr);
  RecoverFromError();
}

}  // namespace kvn
