#include "model/FontList.h"

#include <cmath>
#include <string_view>

#include "foundation/Resources.h"
#include "model/cStyleFont.h"
#include "platform/fonts/InstalledFonts.h"

namespace kvn {

namespace {

struct BuiltinFamily {
  const char16_t* name;
  int resourceId;
};
constexpr BuiltinFamily kBuiltinFamilies[] = {
    {u"Arial", kArialFontTableId},
    {u"Arial Narrow", kArialNarrowFontTableId},
};

// Cap heights per style (regular, bold, italic, bold italic) and leading, in
// units of a 48-unit em.
struct FaceHeights {
  const char16_t* face;
  double cap[4];
  double leading;
};
constexpr FaceHeights kFaceHeights[] = {
    {u"Arial", {34.375, 34.375, 34.25, 34.375}, 2},
    {u"Courier New", {27.5, 28.375, 27.5, 28.375}, 0},
    {u"Times New Roman", {31.875, 31.875, 31.875, 31.875}, 2},
    {u"Arial Narrow", {34.375, 34.375, 34.375, 34.375}, 1},
    {u"Arial Narrow CE", {34.375, 34.375, 34.375, 34.375}, 1},
    {u"Tahoma", {34.875, 34.875, 34.875, 34.875}, 0},
    {u"Verdana", {34.875, 34.875, 34.875, 34.875}, 0},
    {u"Lucida Console", {30.125, 30.375, 30.125, 30.375}, 0},
    {u"Wingdings", {37.59375, 37.783203125, 37.59375, 37.783203125}, 0},
    {u"Symbol", {32.5078125, 32.791015625, 32.5078125, 32.791015625}, 0},
};
constexpr double kEm = 48.0;
constexpr double kDefaultCap = 34.375;
constexpr double kDefaultLeading = 2.0;

struct CharsetSuffix {
  const char16_t* suffix;
  std::uint8_t charset;
};
constexpr CharsetSuffix kCharsetSuffixes[] = {
    {u" CE", 238},
    {u" TUR", 162},
    {u" Greek", 161},
    {u" CYR", 204},
};

struct HeightCacheEntry {
  WString name;
  std::uint8_t style = 0;
  double cap = kDefaultCap / kEm;
  double leading = kDefaultLeading / kEm;
};

struct ListState {
  bool built = false;
  std::vector<std::unique_ptr<cStyleFont>> entries;
  std::uint32_t textFontCount = 0;
  std::unique_ptr<cStyleFont> fallback;
  bool fallbackLoading = false;
  bool fallbackTried = false;
  std::vector<HeightCacheEntry> heights;
  // The installed families that draw families nobody has, one set each.
  std::vector<std::unique_ptr<TrueTypeFaceSet>> substitutes;
  BuiltinFontReader reader = nullptr;
  ShxArchiveLoader shxLoader = nullptr;
};

ListState& ListData() {
  static ListState s;
  return s;
}


}  // namespace

// ---- the list ----

void FontList::Build() {
  ListState& s = ListData();
  if (s.built) return;
  // An empty list first: the bindings below consult it and must not build
  // it again.
  s.built = true;
  s.entries.clear();
  std::vector<std::unique_ptr<cStyleFont>> entries;
  for (const BuiltinFamily& family : kBuiltinFamilies) {
    const WString name(family.name);
    auto font = std::make_unique<cStyleFont>();
    font->name = name;
    font->BindFace(std::make_unique<TrueTypeFaceSet>(name), nullptr);
    TrueTypeFaceSet* set = font->FaceSet();
    bool available = set->memoryFont != nullptr;
    if (!available) {
      WString face;
      std::uint8_t pitch = 0, charset = 0;
      available = FindSubstituteFont(face, pitch, charset, name, 0);
    }
    set->state = available ? 1 : 0;
    if (!available) {
      font = LoadBuiltinFont(family.resourceId, name);
      set = font->FaceSet();
    }
    for (int style = 0; style < 4 && set; ++style) {
      if (!set->GetFace(style)) set->CreateFace(style);
    }
    entries.push_back(std::move(font));
  }
  if (s.shxLoader) s.shxLoader(entries, 0);
  s.textFontCount = std::uint32_t(entries.size());
  if (s.shxLoader) s.shxLoader(entries, 1);
  s.entries = std::move(entries);
}

cStyleFont* FontList::FindByName(const WString& name) {
  if (name.IsEmpty()) return nullptr;
  Build();
  for (const auto& f : ListData().entries) {
    if (f->name.CompareNoCaseN(name.CStr(), -1) == 0) return f.get();
  }
  return nullptr;
}

cStyleFont* FontList::GetAt(std::uint32_t index, bool includeAll) {
  Build();
  const ListState& s = ListData();
  const std::uint32_t limit = includeAll ? std::uint32_t(s.entries.size()) : s.textFontCount;
  return index < limit && index < s.entries.size() ? s.entries[index].get() : nullptr;
}

std::uint32_t FontList::Count() { return std::uint32_t(ListData().entries.size()); }

std::uint32_t FontList::TextFontCount() {
  Build();
  return ListData().textFontCount;
}

void FontList::ResetForTest() {
  ListState& s = ListData();
  s.entries.clear();
  s.fallback.reset();
  s.fallbackTried = false;
  s.heights.clear();
  s.substitutes.clear();
  s.built = false;
  s.textFontCount = 0;
}

void SetBuiltinFontReader(BuiltinFontReader reader) { ListData().reader = reader; }
void SetShxArchiveLoader(ShxArchiveLoader loader) { ListData().shxLoader = loader; }

std::unique_ptr<cStyleFont> LoadBuiltinFont(int resourceId, const WString& name) {
  const std::span<const std::uint8_t> bytes = FindResource(ResourceType::FontTable, resourceId);
  std::unique_ptr<cStyleFont> font;
  if (!bytes.empty() && ListData().reader) font = ListData().reader(bytes);
  if (font && font->FaceSet()) {
    TrueTypeFaceSet* set = font->FaceSet();
    set->state = 1;
    set->singleFace = 1;
    font->name = name;
    return font;
  }
  font = std::make_unique<cStyleFont>();
  font->name = name;
  font->SetOwnFaceSet(std::make_unique<TrueTypeFaceSet>(name));
  return font;
}

TrueTypeFace* GetFallbackFace(cStyleFont** out, int style) {
  FontList::Build();
  ListState& s = ListData();
  for (const auto& f : s.entries) {
    if (TrueTypeFaceSet* set = f->FaceSet()) {
      if (out) *out = f.get();
      return set->GetFace(style);
    }
  }
  if (!s.fallbackTried && !s.fallbackLoading) {
    s.fallbackLoading = true;
    s.fallback = LoadBuiltinFont(kArialFontTableId, WString(u"Arial"));
    s.fallbackLoading = false;
    s.fallbackTried = true;
  }
  TrueTypeFaceSet* set = s.fallback ? s.fallback->FaceSet() : nullptr;
  if (!set) return nullptr;
  if (out) *out = s.fallback.get();
  return set->GetFace(0);
}

TrueTypeFace* GetSubstituteFace(TrueTypeFaceSet& set, int style) {
  if (set.memoryFont || set.IsAvailable()) return nullptr;
  ListState& s = ListData();
  FontList::Build();
  const WString name = FindStyledSubstitute(set.name, (style & 1) ? 700 : 400, (style & 2) != 0, set.pitchAndFamily);
  TrueTypeFaceSet* substitute = nullptr;
  if (!name.IsEmpty()) {
    for (const auto& known : s.substitutes) {
      if (known->name == name) substitute = known.get();
    }
    if (!substitute) {
      s.substitutes.push_back(std::make_unique<TrueTypeFaceSet>(name));
      substitute = s.substitutes.back().get();
    }
  }
  if (!substitute || substitute == &set || !substitute->IsAvailable()) {
    // Not even the default face is installed: the list's first family,
    // which may carry its own outlines.
    cStyleFont* font = nullptr;
    TrueTypeFace* fallback = GetFallbackFace(&font, style);
    if (fallback && fallback->set != &set && set.substituteName.IsEmpty() && font) set.substituteName = font->name;
    return fallback && fallback->set != &set ? fallback : nullptr;
  }
  if (set.substituteName.IsEmpty()) set.substituteName = name;
  TrueTypeFace* face = substitute->GetFace(style);
  return face ? face : substitute->CreateFace(style);
}

const std::vector<std::uint8_t>* GetFaceSetMetrics(TrueTypeFaceSet& set, double* capHeight, int style) {
  TrueTypeFace* face = set.GetFace(style);
  if (face && !face->metrics.empty()) {
    if (capHeight) *capHeight = face->capHeight;
    return &face->metrics;
  }
  if (set.IsAvailable()) {
    if (!face) face = set.CreateFace(style);
    if (const std::vector<std::uint8_t>* block = face->GetOutlineMetrics()) {
      if (capHeight) *capHeight = face->capHeight;
      return block;
    }
  }
  TrueTypeFace* fallback = GetSubstituteFace(set, style);
  if (!fallback || fallback->set == &set) return nullptr;
  const std::vector<std::uint8_t>* block =
      !fallback->metrics.empty() ? &fallback->metrics : fallback->GetOutlineMetrics();
  if (block && capHeight) *capHeight = fallback->capHeight;
  return block;
}

// ---- small services ----

double GetFaceHeightRatio(double* leading, const WString& face, int style) {
  if (leading) *leading = kDefaultLeading / kEm;
  if (face.IsEmpty()) return kDefaultCap / kEm;
  for (const FaceHeights& f : kFaceHeights) {
    if (EqualsAsciiNoCase(face.View(), f.face)) {
      if (leading) *leading = f.leading / kEm;
      return f.cap[style & 3] / kEm;
    }
  }
  ListState& s = ListData();
  for (const HeightCacheEntry& e : s.heights) {
    if (e.style == (style & 3) && e.name == face) {
      if (leading) *leading = e.leading;
      return e.cap;
    }
  }
  HeightCacheEntry entry;
  entry.name = face;
  entry.style = std::uint8_t(style & 3);
  {
    TrueTypeFaceSet set(face);
    if (set.IsAvailable()) {
      TrueTypeFace* f = set.CreateFace(style & 3);
      if (const std::vector<std::uint8_t>* block = f->GetOutlineMetrics(); block && f->capHeight != 0.0) {
        const TextMetric tm = OutlineMetricsView(*block).Text();
        const double em = double(tm.height - tm.internalLeading);
        if (em > 0) {
          entry.cap = f->capHeight / em;
          entry.leading = tm.externalLeading / em;
        }
      }
    }
  }
  s.heights.push_back(entry);
  if (leading) *leading = entry.leading;
  return entry.cap;
}

bool ApplyCharsetSuffix(WString& name, std::uint8_t& charset) {
  for (const CharsetSuffix& s : kCharsetSuffixes) {
    const std::u16string_view suffix(s.suffix);
    if (std::size_t(name.Length()) < suffix.size()) continue;
    const std::size_t start = std::size_t(name.Length()) - suffix.size();
    bool match = true;
    for (std::size_t i = 0; i < suffix.size() && match; ++i)
      match = AsciiUpper(name[int(start + i)]) == AsciiUpper(suffix[i]);
    if (!match) continue;
    name = name.Mid(0, int(start));
    charset = s.charset;
    return true;
  }
  return false;
}

WString GetDefaultFaceForKind(std::uint8_t& pitchAndFamily, std::uint8_t kind) {
  switch (kind) {
    case 1:
      pitchAndFamily = 0x31;  // fixed pitch, modern
      return WString(u"Courier New");
    case 2:
      pitchAndFamily = 0x12;  // variable pitch, roman
      return WString(u"Times New Roman");
    default:
      pitchAndFamily = 0x22;  // variable pitch, swiss
      return WString(u"Arial");
  }
}

void RoundTo4Significant(double& x) {
  if (!(x > 0) || std::isinf(x)) return;
  const double step = std::pow(10.0, std::floor(std::log10(x))) * 0.001;
  x = std::floor(x / step + 0.5) * step;
}

}  // namespace kvn
