#include "platform/fonts/FontLayerFaces.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fonts/FontSources.h"
#include "platform/fonts/RealizedFont.h"
#include "platform/gdi/TextFaces.h"

namespace kvn {

namespace {

const cairo_user_data_key_t kFtFaceKey{};

// What a cairo face of ours holds until cairo lets it go: its FreeType face
// and, for a memory font, the bytes that face reads its glyphs from (the
// font layer drops its own copy when the drawing removes the font).
struct HeldFace {
  FT_Face face = nullptr;
  std::shared_ptr<const std::vector<std::uint8_t>> memory;
  ~HeldFace() {
    if (face) FT_Done_Face(face);
  }
};

void DoneFace(void* held) { delete static_cast<HeldFace*>(held); }

// The key of a realised face: every LogFont field but the size, escapement
// and orientation, which the device context applies itself.
std::string FaceKey(const LogFont& font) {
  std::string key;
  key.reserve(80);
  for (int i = 0; i < kLfFaceSize && font.faceName[i]; ++i) {
    key.push_back(char(font.faceName[i] & 0xFF));
    key.push_back(char(font.faceName[i] >> 8));
  }
  key += '|' + std::to_string(font.weight) + '|' + std::to_string(font.italic) + '|' + std::to_string(font.charSet);
  return key;
}

// Every LogFont field: what a realised font's choice and metrics depend on.
using SizedKey = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t,
                            std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t,
                            std::uint8_t, std::u16string>;

SizedKey SizedKeyOf(const LogFont& font) {
  std::size_t n = 0;
  while (n < std::size_t(kLfFaceSize) && font.faceName[n]) ++n;
  return {font.height,    font.width,        font.escapement,    font.orientation, font.weight,
          font.italic,    font.underline,    font.strikeOut,     font.charSet,     font.outPrecision,
          font.clipPrecision, font.quality,  font.pitchAndFamily, std::u16string(font.faceName, n)};
}

class LayerFaces final : public TextFaceSource {
 public:
  // A device context asks for its font's face at every text call (a width
  // per character while a run is measured), and realising the metrics opens
  // the font file: the answers are kept per LogFont until the faces a
  // LogFont can choose change.
  bool Realise(const LogFont& font, TextFace* out) override {
    if (generation_ != FontChoiceGeneration()) {
      sized_.clear();
      // The face a name chooses may be another now; faces handed out stay
      // valid, as TextFace promises.
      for (auto& [key, entry] : entries_)
        if (entry.face) retired_.push_back(entry.face);
      entries_.clear();
      generation_ = FontChoiceGeneration();
    }
    SizedKey key = SizedKeyOf(font);
    if (auto it = sized_.find(key); it != sized_.end()) {
      if (!it->second.has_value()) return false;
      *out = *it->second;
      return true;
    }
    // Zooming makes a new size at every step; old sizes are dropped at once.
    if (sized_.size() >= kMaxSized) sized_.clear();
    std::optional<TextFace> made = RealiseSized(font);
    sized_.emplace(std::move(key), made);
    if (!made) return false;
    *out = *made;
    return true;
  }

 private:
  static constexpr std::size_t kMaxSized = 256;

  struct Entry {
    cairo_font_face_t* face = nullptr;
  };

  std::optional<TextFace> RealiseSized(const LogFont& font) {
    Entry* entry = Find(font);
    if (!entry || !entry->face) return std::nullopt;
    // Metrics are realised at the asked size; the cairo face is shared.
    std::unique_ptr<RealizedFont> sized = RealizedFont::Create(font);
    if (!sized) return std::nullopt;
    const TextMetric tm = sized->GetTextMetrics();
    TextFace face{entry->face,
                  sized->EmPixels(),
                  double(tm.ascent),
                  double(tm.descent),
                  double(tm.internalLeading),
                  double(tm.externalLeading),
                  font.quality != 3,
                  sized->WidthScale(),
                  double(tm.aveCharWidth)};
    if (!(face.emSize > 0)) return std::nullopt;
    return face;
  }

  Entry* Find(const LogFont& font) {
    const std::string key = FaceKey(font);
    auto it = entries_.find(key);
    if (it != entries_.end()) return &it->second;
    Entry& entry = entries_[key];
    std::unique_ptr<RealizedFont> chosen = RealizedFont::Create(font);
    if (!chosen) return &entry;
    const FaceSource& src = chosen->Source();
    // cairo keeps a face of its own: it sets sizes on it while drawing.
    FT_Face ft = nullptr;
    const FT_Error error =
        src.memory ? FT_New_Memory_Face(FreeTypeLibrary(), src.memory->data(), FT_Long(src.memory->size()), 0, &ft)
                   : FT_New_Face(FreeTypeLibrary(), src.file.c_str(), src.index, &ft);
    if (error != 0 || !ft) return &entry;
    auto held = std::make_unique<HeldFace>();
    held->face = ft;
    held->memory = src.memory;
    if (chosen->SymbolCmap()) FT_Select_Charmap(ft, FT_ENCODING_MS_SYMBOL);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING);
    if (cairo_font_face_set_user_data(face, &kFtFaceKey, held.get(), DoneFace) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      return &entry;
    }
    held.release();  // the face owns it now
    const int weight = font.weight > 0 ? font.weight : 400;
    unsigned synth = 0;
    if (weight >= 600 && src.weight < 600) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
    if (font.italic && !(ft->style_flags & FT_STYLE_FLAG_ITALIC)) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
    if (synth) cairo_ft_font_face_set_synthesize(face, synth);
    entry.face = face;
    return &entry;
  }

  // Faces stay for the life of the process, as TextFace promises: those of
  // the current font choice by key, those of earlier ones retired.
  std::map<std::string, Entry> entries_;
  std::vector<cairo_font_face_t*> retired_;
  std::map<SizedKey, std::optional<TextFace>> sized_;
  std::uint64_t generation_ = 0;
};

}  // namespace

TextFaceSource& FontLayerFaces() {
  static LayerFaces* faces = new LayerFaces;  // never destroyed: faces outlive every context
  return *faces;
}

void InstallFontLayerFaces() { SetTextFaceSource(&FontLayerFaces()); }

}  // namespace kvn
