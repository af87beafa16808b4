#include "platform/gdi/TextFaces.h"

#include <string>

namespace kvn {

namespace {

TextFaceSource* g_faceSource = nullptr;

void AppendUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    out->push_back(char(c));
  } else if (c < 0x800) {
    out->push_back(char(0xC0 | (c >> 6)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(char(0xE0 | (c >> 12)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else {
    out->push_back(char(0xF0 | (c >> 18)));
    out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  }
}

}  // namespace

void SetTextFaceSource(TextFaceSource* source) { g_faceSource = source; }
TextFaceSource* GetTextFaceSource() { return g_faceSource; }

bool LayoutTextRun(const TextFace& face, const char16_t* text, int count, const int* dx,
                   std::vector<PlacedGlyph>* glyphs, std::vector<double>* advances, double* total) {
  glyphs->clear();
  if (advances) advances->assign(std::size_t(count > 0 ? count : 0), 0.0);
  *total = 0;
  if (!face.face || !(face.emSize > 0) || count < 0) return false;
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, face.emSize, face.emSize);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face.face, &size, &identity, options);
  cairo_font_options_destroy(options);
  const bool ok = cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS;
  double x = 0;
  for (int i = 0; ok && i < count; ++i) {
    char32_t c = text[i];
    int units = 1;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    std::string utf8;
    AppendUtf8(&utf8, c);
    cairo_glyph_t* list = nullptr;
    int n = 0;
    double advance = 0;
    if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, utf8.data(), int(utf8.size()), &list, &n, nullptr, nullptr,
                                         nullptr) == CAIRO_STATUS_SUCCESS &&
        n > 0) {
      glyphs->push_back({list[0].index, x});
      cairo_text_extents_t extents;
      cairo_scaled_font_glyph_extents(scaled, list, 1, &extents);
      advance = extents.x_advance;
    }
    cairo_glyph_free(list);
    for (int u = 0; u < units; ++u) {
      const double a = dx ? double(dx[i + u]) : (u == 0 ? advance : 0.0);
      if (advances) (*advances)[std::size_t(i + u)] = a;
      x += a;
    }
    i += units - 1;
  }
  cairo_scaled_font_destroy(scaled);
  *total = x;
  return ok;
}

}  // namespace kvn
