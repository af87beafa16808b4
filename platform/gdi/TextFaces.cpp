#include "platform/gdi/TextFaces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

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

// A scaled font of the layout (hinting off) for one face and em size, with
// what the layout asked of it per character: cairo answers the same glyph
// and advance every time, and its look-ups (the scaled font's creation, the
// character's conversion, the glyph's extents) cost more than the run's own
// work for short texts.
class LayoutFont {
 public:
  // Larger em sizes (a font of a metafile in fine logical units) are laid
  // out at the largest size FreeType takes and their advances scaled:
  // unhinted advances grow with the size.
  LayoutFont(cairo_font_face_t* face, double emSize)
      : face_(face),
        emSize_(emSize),
        advanceScale_(emSize > kMaxGlyphPixelsPerEm ? emSize / kMaxGlyphPixelsPerEm : 1.0) {
    cairo_matrix_t size, identity;
    cairo_matrix_init_scale(&size, emSize / advanceScale_, emSize / advanceScale_);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    // The scaled font holds a reference to the face: while this entry lives,
    // no other face can be made at its address.
    scaled_ = cairo_scaled_font_create(face, &size, &identity, options);
    cairo_font_options_destroy(options);
  }
  ~LayoutFont() { cairo_scaled_font_destroy(scaled_); }
  LayoutFont(const LayoutFont&) = delete;
  LayoutFont& operator=(const LayoutFont&) = delete;

  bool Is(cairo_font_face_t* face, double emSize) const { return face_ == face && emSize_ == emSize; }
  bool Ok() const { return cairo_scaled_font_status(scaled_) == CAIRO_STATUS_SUCCESS; }

  // The glyph of a character and its advance; false when the face has none.
  bool Glyph(char32_t c, unsigned long* index, double* advance) {
    Entry* e = nullptr;
    if (c < kDirect) {
      e = &direct_[c];
    } else {
      e = &others_[c];
    }
    if (!e->known) {
      e->known = true;
      std::string utf8;
      AppendUtf8(&utf8, c);
      cairo_glyph_t* list = nullptr;
      int n = 0;
      if (cairo_scaled_font_text_to_glyphs(scaled_, 0, 0, utf8.data(), int(utf8.size()), &list, &n, nullptr,
                                           nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
          n > 0) {
        cairo_text_extents_t extents;
        cairo_scaled_font_glyph_extents(scaled_, list, 1, &extents);
        e->found = true;
        e->index = list[0].index;
        e->advance = extents.x_advance * advanceScale_;
      }
      cairo_glyph_free(list);
    }
    *index = e->index;
    *advance = e->advance;
    return e->found;
  }

 private:
  struct Entry {
    unsigned long index = 0;
    double advance = 0;
    bool known = false;
    bool found = false;
  };
  static constexpr char32_t kDirect = 256;

  cairo_font_face_t* face_;
  double emSize_;
  double advanceScale_;
  cairo_scaled_font_t* scaled_ = nullptr;
  std::array<Entry, kDirect> direct_{};
  std::unordered_map<char32_t, Entry> others_;
};

// The layout fonts last used, the most recent first. GUI thread only, like
// the face source. A zoom makes new em sizes; the oldest go.
std::vector<std::unique_ptr<LayoutFont>>& LayoutFonts() {
  // Never destroyed: a scaled font may hold the last reference to its face,
  // whose FreeType face must not outlive the font layer's library.
  static auto& fonts = *new std::vector<std::unique_ptr<LayoutFont>>;
  return fonts;
}

LayoutFont& LayoutFontFor(cairo_font_face_t* face, double emSize) {
  std::vector<std::unique_ptr<LayoutFont>>& fonts = LayoutFonts();
  constexpr std::size_t kKept = 8;
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    if (!fonts[i]->Is(face, emSize)) continue;
    if (i != 0) std::rotate(fonts.begin(), fonts.begin() + std::ptrdiff_t(i), fonts.begin() + std::ptrdiff_t(i) + 1);
    return *fonts[0];
  }
  if (fonts.size() >= kKept) fonts.pop_back();
  fonts.insert(fonts.begin(), std::make_unique<LayoutFont>(face, emSize));
  return *fonts[0];
}

}  // namespace

void SetTextFaceSource(TextFaceSource* source) {
  // The faces belong to the source: their layout fonts go with it.
  LayoutFonts().clear();
  g_faceSource = source;
}
TextFaceSource* GetTextFaceSource() { return g_faceSource; }

bool LayoutTextRun(const TextFace& face, const char16_t* text, int count, const int* dx,
                   std::vector<PlacedGlyph>* glyphs, std::vector<double>* advances, double* total) {
  glyphs->clear();
  if (advances) advances->assign(std::size_t(count > 0 ? count : 0), 0.0);
  *total = 0;
  if (!face.face || !(face.emSize > 0) || !std::isfinite(face.emSize) || !(face.widthScale > 0) ||
      !std::isfinite(face.widthScale) || count < 0)
    return false;
  LayoutFont& font = LayoutFontFor(face.face, face.emSize);
  const bool ok = font.Ok();
  double x = 0;
  for (int i = 0; ok && i < count; ++i) {
    char32_t c = text[i];
    int units = 1;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    unsigned long index = 0;
    double advance = 0;
    if (font.Glyph(c, &index, &advance)) {
      glyphs->push_back({index, x});
    } else {
      advance = 0;
    }
    // The layout font is the face's own at the em size: the width scale
    // stretches its (unhinted, linear) advances as it stretches the glyphs.
    advance *= face.widthScale;
    for (int u = 0; u < units; ++u) {
      const double a = dx ? double(dx[i + u]) : (u == 0 ? advance : 0.0);
      if (advances) (*advances)[std::size_t(i + u)] = a;
      x += a;
    }
    i += units - 1;
  }
  *total = x;
  return ok;
}

}  // namespace kvn
