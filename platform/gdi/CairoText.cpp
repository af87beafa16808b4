// Glyphs on the cairo targets: the face at its em size (stretched along the
// baseline by its width scale) under the glyph-to-device transform, inside
// the clip, without anti-aliasing for NONANTIALIASED_QUALITY (whatever the
// target does for shapes).
#include <cmath>

#include "platform/gdi/CairoDC.h"

namespace kvn {

namespace {

// Off only in tests that compare the shared scaled font with the matrix road.
bool sharedScaledFont = true;

}  // namespace

void SetSharedGlyphFontForTests(bool enabled) { sharedScaledFont = enabled; }

bool GlyphScaleWithinFreeType(const cairo_matrix_t& fontMatrix, const cairo_matrix_t& ctm) {
  cairo_matrix_t scale;
  cairo_matrix_multiply(&scale, &fontMatrix, &ctm);
  // The glyph's size along its baseline and across it, as cairo hands them
  // to FreeType.
  const double along = std::hypot(scale.xx, scale.yx);
  const double det = std::fabs(scale.xx * scale.yy - scale.yx * scale.xy);
  if (!std::isfinite(along) || !std::isfinite(det)) return false;
  const double across = along > 0 ? det / along : 0.0;
  return along <= kMaxGlyphPixelsPerEm && across <= kMaxGlyphPixelsPerEm;
}

void CairoDC::RenderGlyphs(const XForm& glyphToDevice, const TextFace& face, const std::vector<PlacedGlyph>& glyphs,
                           COLORREF color) {
  if (glyphs.empty() || !face.face || CountInstead(glyphs.size())) return;
  // Runs that reach beyond cairo's coordinate range are not drawn.
  if (!(std::fabs(glyphToDevice.eDx) < kCairoCoordLimit && std::fabs(glyphToDevice.eDy) < kCairoCoordLimit)) return;
  cairo_t* cr = Cairo();
  cairo_font_options_t*& options = glyphOptions_[face.antialias ? 0 : 1];
  if (!options) {
    options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, face.antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  }
  cairo_matrix_t m;
  cairo_matrix_init(&m, glyphToDevice.eM11, glyphToDevice.eM12, glyphToDevice.eM21, glyphToDevice.eM22,
                    glyphToDevice.eDx, glyphToDevice.eDy);
  glyphList_.resize(glyphs.size());
  // Other targets (printers, documents) keep runs placed by the matrix,
  // which is what they record.
  if (sharedScaledFont && IsUntransformedImage(Surface())) {
    // The run's position goes into the glyphs instead of the matrix, so that
    // runs of one face, size and turn share one scaled font, kept in the
    // context's outer state between runs: with the position in the matrix
    // every run looked its scaled font up afresh, the larger part of the
    // cost of a run of a few glyphs. The pixels are the same: the font's
    // scale (em size times the turn) is the product cairo formed of the
    // em size and the matrix, and each glyph lands where cairo put it, its
    // position transformed as cairo transforms it (by the same routine; the
    // matrix cairo applied was this one, multiplied by identities).
    // The width scale stretches glyph space along the baseline: the
    // matrix's first column.
    const double alongEm = face.emSize * face.widthScale;
    cairo_matrix_t fontMatrix, identity;
    cairo_matrix_init(&fontMatrix, alongEm * m.xx, alongEm * m.yx, face.emSize * m.xy, face.emSize * m.yy, 0, 0);
    cairo_matrix_init_identity(&identity);
    if (!GlyphScaleWithinFreeType(fontMatrix, identity)) return;
    cairo_identity_matrix(cr);
    cairo_set_font_face(cr, face.face);
    cairo_set_font_matrix(cr, &fontMatrix);
    cairo_set_font_options(cr, options);
    // Made in the outer state, so that the saved state below inherits it.
    cairo_get_scaled_font(cr);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      double x = glyphs[i].x, y = 0.0;
      cairo_matrix_transform_point(&m, &x, &y);
      glyphList_[i] = {glyphs[i].index, x, y};
    }
    cairo_save(cr);
    ApplyClip(cr, 0, 0);
  } else {
    // The scale the context would ask for: the em size under the matrix
    // and the surface's own scale.
    cairo_matrix_t size, device, ctm;
    cairo_matrix_init_scale(&size, face.emSize * face.widthScale, face.emSize);
    double sx = 1, sy = 1;
    cairo_surface_get_device_scale(Surface(), &sx, &sy);
    cairo_matrix_init_scale(&device, sx, sy);
    cairo_matrix_multiply(&ctm, &m, &device);
    if (!GlyphScaleWithinFreeType(size, ctm)) return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    ApplyClip(cr, 0, 0);
    cairo_set_matrix(cr, &m);
    cairo_set_font_face(cr, face.face);
    cairo_set_font_matrix(cr, &size);
    cairo_set_font_options(cr, options);
    for (std::size_t i = 0; i < glyphs.size(); ++i) glyphList_[i] = {glyphs[i].index, glyphs[i].x, 0.0};
  }
  SetSourceColor(cr, color);
  cairo_show_glyphs(cr, glyphList_.data(), int(glyphList_.size()));
  cairo_restore(cr);
  RecoverFromError();
  Counted(glyphList_.size());
}

}  // namespace kvn
