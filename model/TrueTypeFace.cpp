#include "model/TrueTypeFace.h"

#include <algorithm>

#include "platform/fonts/FontSources.h"
#include "platform/fonts/InstalledFonts.h"
#include "platform/fonts/RealizedFont.h"

namespace kvn {

namespace {

constexpr std::size_t kMaxBlock = 65534;
constexpr std::size_t kMaxOutline = 65535;

// Never destroyed: face sets of process-wide fonts release their records
// during exit.
std::vector<std::unique_ptr<MemoryFontRecord>>& MemoryFonts() {
  static auto* records = new std::vector<std::unique_ptr<MemoryFontRecord>>;
  return *records;
}

}  // namespace

// ---- memory fonts ----

MemoryFontRecord* RegisterMemoryFont(std::vector<std::uint8_t> bytes) {
  for (const auto& r : MemoryFonts()) {
    if (r->bytes == bytes) {
      ++r->refCount;
      return r.get();
    }
  }
  auto record = std::make_unique<MemoryFontRecord>();
  record->bytes = std::move(bytes);
  record->refCount = 1;
  MemoryFonts().push_back(std::move(record));
  return MemoryFonts().back().get();
}

void ReleaseMemoryFont(MemoryFontRecord* record) {
  if (!record || --record->refCount > 0) return;
  auto& all = MemoryFonts();
  const auto it = std::find_if(all.begin(), all.end(), [&](const auto& r) { return r.get() == record; });
  if (it == all.end()) return;
  if (record->added) RemoveMemoryFont(record->handle);
  all.erase(it);
}

std::size_t MemoryFontCount() { return MemoryFonts().size(); }

// ---- glyph records ----

FontGlyph* FindGlyph(char16_t code, const std::vector<std::unique_ptr<FontGlyph>>& glyphs, std::size_t* position) {
  const auto it = std::lower_bound(glyphs.begin(), glyphs.end(), code,
                                   [](const std::unique_ptr<FontGlyph>& g, char16_t c) { return g->code < c; });
  if (position) *position = std::size_t(it - glyphs.begin());
  return it != glyphs.end() && (*it)->code == code ? it->get() : nullptr;
}

void GetGlyphBeziers(FontGlyph& glyph, const RealizedFont& font, bool asIs) {
  glyph.outline.clear();
  glyph.polygons.reset();
  const char16_t c = asIs ? char16_t(glyph.code) : ToSymbolFontChar(char16_t(glyph.code));
  std::int32_t width = 0;
  if (!font.GetCharWidth(c, width) || width < 0) return;
  glyph.advance = std::uint16_t(std::min<std::int32_t>(width, 0xFFFF));
  std::vector<std::uint8_t> outline = font.GetGlyphOutline(c, 8.0);
  if (outline.size() <= kMaxOutline) glyph.outline = std::move(outline);
}

// ---- faces ----

TrueTypeFace::TrueTypeFace(TrueTypeFaceSet* owner, std::uint8_t s) : style(s), set(owner) {}
TrueTypeFace::~TrueTypeFace() = default;

RealizedFont* RealizeTrueTypeFace(TrueTypeFace& face) {
  if (face.font) return face.font.get();
  TrueTypeFaceSet& set = *face.set;
  if (set.memoryFont && !set.memoryFont->added) {
    set.memoryFont->handle = AddMemoryFont(set.memoryFont->bytes);
    set.memoryFont->added = true;
  }
  // A carried file that is no usable font makes the family unavailable, so
  // that stored glyphs or the fallback face are drawn, not some other face.
  if (set.memoryFont && set.memoryFont->handle == 0) set.state = 0;
  LogFont lf;
  lf.height = -48;
  lf.weight = (face.style & 1) ? 700 : 400;
  lf.italic = (face.style & 2) ? 1 : 0;
  lf.charSet = kDefaultCharset;
  SetLogFontFace(lf, set.name);
  // Whether the font realised is the family itself. A built-in family that
  // counts as available without being installed realises a stand-in: its
  // glyphs may serve, but its cap height and ranges must not replace the
  // stored ones.
  bool genuine = true;
  if (!set.memoryFont) {
    WString chosen;
    std::uint8_t pitch = 0, charset = 0;
    genuine = FindSubstituteFont(chosen, pitch, charset, set.name, set.pitchAndFamily);
    SetLogFontFace(lf, chosen);
    lf.pitchAndFamily = pitch;
    lf.charSet = charset;
  }
  std::unique_ptr<RealizedFont> font = RealizedFont::Create(lf);
  if (set.IsAvailable() && font && genuine) {
    set.rangesKnown = 1;
    bool fromTables = false;
    face.capHeight = MeasureCapHeight(*font, lf, fromTables);
    set.capFromTables = fromTables ? 1 : 0;
    const TextMetric tm = font->GetTextMetrics();
    set.pitchAndFamily = tm.pitchAndFamily;
    set.charSet = tm.charSet;
    std::vector<UnicodeRange> ranges = font->GetFontUnicodeRanges();
    if (!ranges.empty() && ranges.size() * 4 + 16 <= kMaxBlock) set.ranges = std::move(ranges);
  } else if (!set.IsAvailable() && set.rangesKnown == 0) {
    set.ranges.clear();
    face.capHeight = 0.0;
  }
  face.font = std::move(font);
  return face.font.get();
}

const std::vector<std::uint8_t>* TrueTypeFace::GetOutlineMetrics() {
  if (set->state == 0) return nullptr;
  if (set->state == 1 && !metrics.empty()) return &metrics;
  RealizedFont* realised = RealizeTrueTypeFace(*this);
  if (!realised || !set->IsAvailable()) return nullptr;
  std::vector<std::uint8_t> block = realised->GetOutlineTextMetrics();
  if (block.empty() || block.size() > kMaxBlock) return nullptr;
  metrics = std::move(block);
  const TextMetric tm = OutlineMetricsView(metrics).Text();
  (void)GetGlyph(char16_t(tm.defaultChar));
  const bool asIs = tm.charSet != kSymbolCharset;
  for (const auto& g : glyphs) GetGlyphBeziers(*g, *realised, asIs);
  return &metrics;
}

FontGlyph* TrueTypeFace::GetGlyph(char16_t code) {
  if (code == u'\t') (void)GetGlyph(u' ');
  std::size_t at = 0;
  if (FontGlyph* g = FindGlyph(code, glyphs, &at)) return g;
  RealizedFont* realised = set->IsAvailable() ? RealizeTrueTypeFace(*this) : nullptr;
  if (!realised || !set->IsAvailable()) {
    if (metrics.empty()) return nullptr;
    return FindGlyph(char16_t(OutlineMetricsView(metrics).Text().defaultChar), glyphs);
  }
  auto glyph = std::make_unique<FontGlyph>();
  glyph->code = code;
  FontGlyph* out = glyph.get();
  glyphs.insert(glyphs.begin() + std::ptrdiff_t(at), std::move(glyph));
  if (metrics.empty()) {
    // Fetching the metrics loads every record, this one too.
    (void)GetOutlineMetrics();
  } else {
    GetGlyphBeziers(*out, *realised, OutlineMetricsView(metrics).Text().charSet != kSymbolCharset);
  }
  return out;
}

// ---- families ----

TrueTypeFaceSet::TrueTypeFaceSet(const WString& n) : name(n) {}

TrueTypeFaceSet::~TrueTypeFaceSet() { ReleaseMemoryFont(memoryFont); }

void TrueTypeFaceSet::SetMemoryFont(MemoryFontRecord* record) {
  ReleaseMemoryFont(memoryFont);
  memoryFont = record;
}

TrueTypeFace* TrueTypeFaceSet::GetFace(int style) const {
  if (singleFace || style < 0 || style > 3) return faces[0].get();
  return faces[style].get();
}

TrueTypeFace* TrueTypeFaceSet::CreateFace(int style) {
  const int index = singleFace || style < 0 || style > 3 ? 0 : style;
  faces[index] = std::make_unique<TrueTypeFace>(this, std::uint8_t(index));
  return faces[index].get();
}

bool TrueTypeFaceSet::IsAvailable() {
  if (state == 2) {
    if (memoryFont) {
      state = 1;
    } else {
      WString face;
      std::uint8_t pitch = 0, charset = 0;
      state = FindSubstituteFont(face, pitch, charset, name, pitchAndFamily) ? 1 : 0;
    }
  }
  return state == 1;
}

void TrueTypeFaceSet::LoadGlyphs(const WString& text, int style) {
  TrueTypeFace* face = GetFace(style);
  for (int i = 0; i < text.Length() && text[i] != 0; ++i) {
    const char16_t code = text[i];
    if (face && face->KnownGlyph(code)) continue;
    if (face && FindGlyph(code, face->glyphs)) {
      face->NoteKnownGlyph(code);
      continue;
    }
    if (!IsAvailable()) return;
    if (!face) face = CreateFace(style);
    (void)face->GetGlyph(code);
  }
}

namespace {
TrueTypeLineDrawer lineDrawer = nullptr;
}  // namespace

void SetTrueTypeLineDrawer(TrueTypeLineDrawer drawer) { lineDrawer = drawer; }

void TrueTypeFaceSet::DrawText(const TrueTypeLine& line) {
  if (lineDrawer) lineDrawer(*this, line);
}

}  // namespace kvn
