#include "platform/fonts/InstalledFonts.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "foundation/CodePages.h"
#include "foundation/WaitCursor.h"
#include "platform/fonts/FontSources.h"

namespace kvn {

namespace {

struct FontListState {
  bool built = false;
  std::uint64_t generation = 0;
  std::vector<InstalledFont> entries;    // name order
  std::vector<std::size_t> nameIndex;    // case- and accent-blind order
  std::vector<std::size_t> familyIndex;  // one per pitch-and-family byte, ascending
  // The last request and its answer. Keyed on the name and the
  // pitch-and-family byte: the same missing face asked with another family
  // gets its own answer.
  bool cached = false;
  WString cacheName;
  std::uint8_t cachePitch = 0;
  WString cacheFace;
  std::uint8_t cacheFacePitch = 0;
  std::uint8_t cacheCharset = 0;
  bool cacheFound = false;
  // FindStyledSubstitute's answers, keyed on the request.
  std::map<std::u16string, WString> styled;
  // Entries looked up by name before (or without) the whole list: built
  // from the faces of that one family, as the whole list would have them.
  std::map<std::u16string, std::optional<InstalledFont>> single;
  bool guiFaceKnown = false;
  DefaultGuiFace guiFace;
  std::function<DefaultGuiFace()> guiHook;
};

FontListState& FontListData() {
  static FontListState s;
  return s;
}

bool SymbolOnly(const InstalledFont& f) { return f.charsets.size() == 1 && f.charsets[0] == 2; }

// Name order, where a symbol-only face sorts as if U+FFFF followed its name.
bool NameLess(const InstalledFont& a, const InstalledFont& b) {
  std::u16string ka(a.faceName.View()), kb(b.faceName.View());
  if (SymbolOnly(a)) ka.push_back(u'\xFFFF');
  if (SymbolOnly(b)) kb.push_back(u'\xFFFF');
  return ka < kb;
}

// The face's character sets added to the entry's, each once, in order.
void AddCharsets(InstalledFont& entry, const std::vector<std::uint8_t>& sets) {
  for (std::uint8_t c : sets) {
    if (c != 255 && std::find(entry.charsets.begin(), entry.charsets.end(), c) == entry.charsets.end())
      entry.charsets.push_back(c);
  }
}

// Forgets the lists and every answer made from them.
void Forget(FontListState& s) {
  s.built = false;
  s.entries.clear();
  s.nameIndex.clear();
  s.familyIndex.clear();
  s.cached = false;
  s.styled.clear();
  s.single.clear();
}

void Build(FontListState& s) {
  // Reading every installed face takes a moment, once.
  WaitCursor busy;
  s.entries.clear();
  s.nameIndex.clear();
  s.familyIndex.clear();
  for (const FaceSource& face : InstalledFaces()) {
    const std::vector<std::uint8_t> sets = CharsetsOfFace(face);
    for (const WString& family : face.families) {
      if (family.IsEmpty() || family[0] == u'@') continue;
      auto it = std::find_if(s.entries.begin(), s.entries.end(),
                             [&](const InstalledFont& e) { return e.faceName == family; });
      if (it == s.entries.end()) {
        s.entries.push_back({family, {}, face.pitchAndFamily});
        it = s.entries.end() - 1;
      }
      // Each family is reported once per character set.
      AddCharsets(*it, sets);
    }
  }
  std::stable_sort(s.entries.begin(), s.entries.end(), NameLess);
  for (std::size_t i = 0; i < s.entries.size(); ++i) s.nameIndex.push_back(i);
  std::stable_sort(s.nameIndex.begin(), s.nameIndex.end(), [&](std::size_t a, std::size_t b) {
    return CompareNoCaseAccentW(s.entries[a].faceName.CStr(), s.entries[b].faceName.CStr()) < 0;
  });
  for (std::size_t i = 0; i < s.entries.size(); ++i) {
    const InstalledFont& e = s.entries[i];
    auto it = std::find_if(s.familyIndex.begin(), s.familyIndex.end(),
                           [&](std::size_t k) { return s.entries[k].pitchAndFamily == e.pitchAndFamily; });
    if (it == s.familyIndex.end()) {
      s.familyIndex.push_back(i);
    } else if (e.charsets.size() > s.entries[*it].charsets.size()) {
      *it = i;
    }
  }
  std::sort(s.familyIndex.begin(), s.familyIndex.end(),
            [&](std::size_t a, std::size_t b) { return s.entries[a].pitchAndFamily < s.entries[b].pitchAndFamily; });
  s.built = true;
}

// Forgets every list and answer made from other installed faces.
FontListState& Current() {
  FontListState& s = FontListData();
  if (s.generation != FontSourceGeneration()) {
    s.generation = FontSourceGeneration();
    Forget(s);
  }
  return s;
}

FontListState& Ensure() {
  FontListState& s = Current();
  if (!s.built) Build(s);
  return s;
}

const InstalledFont* Find(FontListState& s, const WString& name) {
  const char16_t* key = name.CStr();
  if (key[0] == u'@') ++key;
  auto it = std::lower_bound(s.nameIndex.begin(), s.nameIndex.end(), key, [&](std::size_t i, const char16_t* k) {
    return CompareNoCaseAccentW(s.entries[i].faceName.CStr(), k) < 0;
  });
  if (it == s.nameIndex.end() || CompareNoCaseAccentW(s.entries[*it].faceName.CStr(), key) != 0) return nullptr;
  return &s.entries[*it];
}

// Find without the whole list where the name allows: the entry is made from
// the faces of that family alone, the way Build makes it. Only when two
// spellings of the name (case, accents) are families of their own does the
// answer depend on the whole list's order, and then the whole list is built.
const InstalledFont* FindByFamily(FontListState& s, const WString& name) {
  if (s.built) return Find(s, name);
  const char16_t* key = name.CStr();
  if (key[0] == u'@') ++key;
  const std::u16string keyText(key);
  auto known = s.single.find(keyText);
  if (known == s.single.end()) {
    const WString family(keyText);
    std::optional<InstalledFont> entry;
    bool ambiguous = false;
    for (const FaceSource& face : InstalledFacesOfFamily(family)) {
      for (const WString& f : face.families) {
        if (f.IsEmpty() || f[0] == u'@' || CompareNoCaseAccentW(f.CStr(), key) != 0) continue;
        if (!entry) entry = InstalledFont{f, {}, face.pitchAndFamily};
        if (f != entry->faceName) {
          ambiguous = true;
          continue;
        }
        AddCharsets(*entry, CharsetsOfFace(face));
      }
    }
    if (ambiguous) return Find(Ensure(), name);
    known = s.single.emplace(keyText, std::move(entry)).first;
  }
  return known->second ? &*known->second : nullptr;
}

}  // namespace

const std::vector<InstalledFont>& EnsureInstalledFontList() { return Ensure().entries; }

const InstalledFont* FindInstalledFont(const WString& faceName) { return FindByFamily(Current(), faceName); }

bool FindSubstituteFont(WString& face, std::uint8_t& pitchAndFamily, std::uint8_t& charset, const WString& requested,
                        std::uint8_t requestedPitch) {
  FontListState& s = Current();
  if (s.cached && s.cachePitch == requestedPitch && EqualsAsciiNoCase(s.cacheName.View(), requested.View())) {
    face = s.cacheFace;
    pitchAndFamily = s.cacheFacePitch;
    charset = s.cacheCharset;
    return s.cacheFound;
  }
  bool found = false;
  const InstalledFont* entry = FindByFamily(s, requested);
  if (entry) {
    found = true;
  } else {
    auto firstOf = [&](const char16_t* a, const char16_t* b) {
      const InstalledFont* e = FindByFamily(s, WString(a));
      return e ? e : FindByFamily(s, WString(b));
    };
    if (requestedPitch == 0x12) entry = firstOf(u"Times New Roman", u"FreeSerif");
    if (requestedPitch == 0x22) entry = firstOf(u"Arial", u"FreeSans");
    if (requestedPitch == 0x31) entry = firstOf(u"Courier New", u"FreeMono");
    if (!entry && requestedPitch != 0) {
      Ensure();
      auto it = std::lower_bound(s.familyIndex.begin(), s.familyIndex.end(), requestedPitch,
                                 [&](std::size_t i, std::uint8_t p) { return s.entries[i].pitchAndFamily < p; });
      if (it != s.familyIndex.end() && s.entries[*it].pitchAndFamily == requestedPitch) entry = &s.entries[*it];
    }
    if (!entry) entry = firstOf(u"Arial", u"FreeSans");
  }
  if (entry) {
    face = entry->faceName;
    pitchAndFamily = entry->pitchAndFamily;
    charset = entry->charsets.size() == 1 ? entry->charsets[0] : 1;
  } else {
    if (!s.guiFaceKnown) {
      s.guiFace = s.guiHook ? s.guiHook() : DefaultGuiFace{};
      if (s.guiFace.faceName.IsEmpty()) s.guiFace = DefaultGuiFace{WString(u"DejaVu Sans"), 0x22};
      s.guiFaceKnown = true;
    }
    face = s.guiFace.faceName;
    pitchAndFamily = s.guiFace.pitchAndFamily;
    charset = 1;
  }
  s.cached = true;
  s.cacheName = requested;
  s.cachePitch = requestedPitch;
  s.cacheFace = face;
  s.cacheFacePitch = pitchAndFamily;
  s.cacheCharset = charset;
  s.cacheFound = found;
  return found;
}

WString FindStyledSubstitute(const WString& requested, int weight, bool italic, std::uint8_t pitchAndFamily) {
  FontListState& s = Current();
  std::u16string key(requested.View());
  key += char16_t(weight);
  key += char16_t(italic ? 1 : 0);
  key += char16_t(pitchAndFamily);
  if (auto it = s.styled.find(key); it != s.styled.end()) return it->second;
  WString answer;
  const WString matched = MatchStyledFamily(requested, weight, italic, pitchAndFamily);
  if (const InstalledFont* entry = matched.IsEmpty() ? nullptr : FindByFamily(s, matched)) answer = entry->faceName;
  if (answer.IsEmpty()) {
    std::uint8_t pitch = 0, charset = 0;
    (void)FindSubstituteFont(answer, pitch, charset, requested, pitchAndFamily);
  }
  s.styled.emplace(std::move(key), answer);
  return answer;
}

void ClearFontList() { Forget(FontListData()); }

std::vector<InstalledFont> CopyInstalledFontList() {
  FontListState& s = Ensure();
  std::vector<InstalledFont> out;
  for (std::size_t i : s.nameIndex) out.push_back(s.entries[i]);
  return out;
}

void SetDefaultGuiFaceHook(std::function<DefaultGuiFace()> hook) {
  FontListState& s = FontListData();
  s.guiHook = std::move(hook);
  s.guiFaceKnown = false;
  s.cached = false;
  s.styled.clear();
}

char16_t ToSymbolFontChar(char16_t c) {
  if (c < 256) return char16_t(0xF000 + c);
  const std::uint8_t b = WideToCodePageByte(1252, c);
  return b >= 128 ? char16_t(0xF000 + b) : c;
}

WString ToSymbolFontText(const WString& text) {
  WString out;
  for (int i = 0; i < text.Length(); ++i) out.AppendChar(ToSymbolFontChar(text[i]));
  return out;
}

void FromSymbolFontText(WString& text) {
  for (int i = 0; i < text.Length(); ++i) {
    if ((text[i] & 0xFF00) == 0xF000) *text.WritableAt(i) = char16_t(text[i] & 0xFF);
  }
}

WString TildesToTabs(const WString& text) {
  WString out = text;
  for (int i = 0; i < out.Length(); ++i) {
    if (out[i] == u'~') *out.WritableAt(i) = u'\t';
  }
  return out;
}

}  // namespace kvn
