#include "platform/fonts/FontSources.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string_view>

#include "platform/fonts/SfntFamilyName.h"
#include "platform/fonts/Type1Header.h"

namespace kvn {

namespace {

struct Sources {
  // A private configuration that tests and tools choose; without one,
  // fontconfig's current configuration (the one the environment names,
  // loaded once by fontconfig itself and kept for the process).
  FcConfig* custom = nullptr;
  // fontconfig's list, named but not yet described: a face is opened only
  // when its family is asked for, or when the whole list is.
  bool listed = false;
  enum class Told : std::uint8_t { Not, Described, Unusable };
  struct Listed {
    FaceSource face;
    bool type1 = false;
    Told told = Told::Not;
  };
  std::vector<Listed> faces;
  bool loaded = false;
  std::vector<FaceSource> installed;
  std::uint64_t generation = 1;
  // Grows with every change of either list: installed or memory faces.
  std::uint64_t choices = 1;
  struct Memory {
    int handle;
    FaceSource face;
  };
  std::vector<Memory> memory;
  int nextHandle = 1;
};

// Never destroyed: faces and fonts held by other process-wide objects may
// still be let go during exit.
Sources& SourceData() {
  static Sources* s = new Sources;
  return *s;
}

// Windows character sets by OS/2 code-page bit.
struct CodePageBit {
  int bit;
  std::uint8_t charset;
};
constexpr CodePageBit kCodePageBits[] = {
    {0, 0},    {1, 238},  {2, 204},  {3, 161},  {4, 162},  {5, 177},  {6, 178},  {7, 186}, {8, 163},
    {16, 222}, {17, 128}, {18, 134}, {19, 129}, {20, 136}, {21, 130}, {29, 77},  {31, 2},
};

struct StandIn {
  const char16_t* windowsName;
  const char16_t* libreName;
};
constexpr StandIn kStandIns[] = {
    {u"Arial", u"Liberation Sans"},
    {u"Arial Narrow", u"Liberation Sans Narrow"},
    {u"Times New Roman", u"Liberation Serif"},
    {u"Courier New", u"Liberation Mono"},
};

bool SameFaceName(const WString& a, const WString& b) { return CompareNoCaseAccentW(a.CStr(), b.CStr()) == 0; }

// One of the face's family names is `name` (case and accents ignored).
bool HasFamily(const FaceSource& face, const WString& name) {
  return std::any_of(face.families.begin(), face.families.end(), [&](const WString& f) { return SameFaceName(f, name); });
}

// The pitch-and-family byte of a face without an OS/2 table.
std::uint8_t PitchAndFamilyByName(const WString& family, bool mono) {
  if (mono) return 0x31;
  return family.Contains(u"Serif", false) ? 0x12 : 0x22;
}

std::uint8_t PitchAndFamily(FT_Face face, const WString& family, bool mono) {
  if (mono) return 0x31;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF) {
    // PANOSE serif style: 2-10 serifs, 11-13 sans serif (Latin text only).
    const int serif = os2->panose[1];
    if (os2->panose[0] == 2 && serif >= 2 && serif <= 10) return 0x12;
    if (os2->panose[0] == 2 && serif >= 11 && serif <= 13) return 0x22;
    const int cls = os2->sFamilyClass >> 8;
    if (cls >= 1 && cls <= 7 && cls != 6) return 0x12;
    if (cls == 8) return 0x22;
  }
  return PitchAndFamilyByName(family, false);
}

// Fills what FreeType tells of a face; false when it is no outline face.
bool DescribeFace(FT_Face face, FaceSource& out) {
  if (!FT_IS_SCALABLE(face)) return false;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF) {
    out.codePages = os2->ulCodePageRange1;
    out.weight = os2->usWeightClass ? os2->usWeightClass : 400;
  } else {
    out.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  }
  out.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  for (int i = 0; i < face->num_charmaps; ++i) {
    if (face->charmaps[i]->platform_id == 3 && face->charmaps[i]->encoding_id == 0) out.symbolCmap = true;
  }
  const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(face, FT_SFNT_HEAD));
  out.version = head ? head->Font_Revision : 0;
  const WString family = out.families.empty() ? WString() : out.families.front();
  out.pitchAndFamily = PitchAndFamily(face, family, FT_IS_FIXED_WIDTH(face));
  return true;
}

// A Type 1 face described from its clear-text header, as FreeType would
// describe it (Type1Header.h); false when FreeType must open it.
bool DescribeType1Face(FaceSource& out) {
  if (out.index != 0) return false;
  const std::string clear = ReadType1ClearText(out.file);
  const auto facts =
      ReadType1Facts(std::span(reinterpret_cast<const std::uint8_t*>(clear.data()), clear.size()));
  if (!facts) return false;
  out.codePages = 0;
  out.weight = facts->bold ? 700 : 400;
  out.italic = facts->italic;
  out.symbolCmap = false;
  out.version = 0;
  out.pitchAndFamily = PitchAndFamilyByName(out.families.front(), facts->fixedPitch);
  return true;
}

FcConfig* Config(Sources& s) {
  return s.custom ? s.custom : FcConfigGetCurrent();
}

bool IsType1(FcPattern* font) {
  FcChar8* format = nullptr;
  return FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch && format &&
         std::string_view(reinterpret_cast<const char*>(format)) == "Type 1";
}

// The installed outline faces by name only, in their fixed order.
void ListInstalled(Sources& s) {
  s.listed = true;
  s.faces.clear();
  FcConfig* config = Config(s);
  if (!config) return;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_FONTFORMAT, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  if (!set) return;
  for (int i = 0; i < set->nfont; ++i) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file) continue;
    if (FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    FaceSource face;
    face.file = reinterpret_cast<const char*>(file);
    face.index = index;
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n) {
      const WString name = WString::FromUtf8(reinterpret_cast<const char*>(family));
      if (!name.IsEmpty() && name[0] != u'@' &&
          std::none_of(face.families.begin(), face.families.end(), [&](const WString& f) { return f == name; }))
        face.families.push_back(name);
    }
    if (face.families.empty()) continue;
    // fontconfig's cache names the format: Type 1 faces are described from
    // their headers, which spares decrypting each whole font.
    s.faces.push_back({std::move(face), IsType1(set->fonts[i])});
  }
  FcFontSetDestroy(set);
  // The metric-compatible stand-ins take the Windows names nobody else has.
  for (const StandIn& stand : kStandIns) {
    const WString windowsName(stand.windowsName), libreName(stand.libreName);
    auto has = [&](const WString& name) {
      return std::any_of(s.faces.begin(), s.faces.end(),
                         [&](const Sources::Listed& l) { return HasFamily(l.face, name); });
    };
    if (has(windowsName)) continue;
    for (Sources::Listed& l : s.faces) {
      if (SameFaceName(l.face.families.front(), libreName)) l.face.families.push_back(windowsName);
    }
  }
  std::sort(s.faces.begin(), s.faces.end(), [](const Sources::Listed& l, const Sources::Listed& r) {
    const FaceSource &a = l.face, &b = r.face;
    const int c = a.families.front().View().compare(b.families.front().View());
    if (c != 0) return c < 0;
    if (a.file != b.file) return a.file < b.file;
    return a.index < b.index;
  });
}

// Describes listed face i once; whether it is a usable outline face.
bool DescribeListed(Sources& s, std::size_t i) {
  Sources::Listed& listed = s.faces[i];
  if (listed.told == Sources::Told::Not) {
    FaceSource& face = listed.face;
    bool ok = listed.type1 && DescribeType1Face(face);
    if (!ok) {
      FT_Face ft = nullptr;
      if (FT_New_Face(FreeTypeLibrary(), face.file.c_str(), face.index, &ft) == 0) {
        ok = DescribeFace(ft, face);
        FT_Done_Face(ft);
      }
    }
    listed.told = ok ? Sources::Told::Described : Sources::Told::Unusable;
  }
  return listed.told == Sources::Told::Described;
}

Sources& Listed() {
  Sources& s = SourceData();
  if (!s.listed) ListInstalled(s);
  return s;
}

}  // namespace

FT_LibraryRec_* FreeTypeLibrary() {
  // Never done: faces of process-wide objects are closed during exit, after
  // any static library object would have gone.
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    return FT_Init_FreeType(&lib) == 0 ? lib : nullptr;
  }();
  return library;
}

std::vector<std::uint8_t> CharsetsOfFace(const FaceSource& face) {
  std::vector<std::uint8_t> out;
  for (const CodePageBit& b : kCodePageBits) {
    if (face.codePages & (1u << b.bit)) out.push_back(b.charset);
  }
  if (out.empty()) out.push_back(face.symbolCmap ? 2 : 0);
  return out;
}

bool FaceHasCharset(const FaceSource& face, std::uint8_t charset) {
  if (charset == 1) return true;
  const std::vector<std::uint8_t> sets = CharsetsOfFace(face);
  return std::find(sets.begin(), sets.end(), charset) != sets.end();
}

const std::vector<FaceSource>& InstalledFaces() {
  Sources& s = Listed();
  if (!s.loaded) {
    s.loaded = true;
    s.installed.clear();
    for (std::size_t i = 0; i < s.faces.size(); ++i) {
      if (DescribeListed(s, i)) s.installed.push_back(s.faces[i].face);
    }
  }
  return s.installed;
}

std::vector<FaceSource> InstalledFacesOfFamily(const WString& name) {
  std::vector<FaceSource> out;
  Sources& s = Listed();
  for (std::size_t i = 0; i < s.faces.size(); ++i) {
    if (HasFamily(s.faces[i].face, name) && DescribeListed(s, i)) out.push_back(s.faces[i].face);
  }
  return out;
}

std::size_t DescribedInstalledFaces() {
  const Sources& s = SourceData();
  return std::size_t(std::count_if(s.faces.begin(), s.faces.end(),
                                   [](const Sources::Listed& l) { return l.told != Sources::Told::Not; }));
}

std::vector<FaceSource> FacesOfFamily(const WString& name) {
  std::vector<FaceSource> out;
  Sources& s = SourceData();
  for (const Sources::Memory& m : s.memory) {
    if (HasFamily(m.face, name)) out.push_back(m.face);
  }
  const std::vector<FaceSource> installed = InstalledFacesOfFamily(name);
  out.insert(out.end(), installed.begin(), installed.end());
  return out;
}

void UseFontConfigFile(const std::string& path) {
  Sources& s = SourceData();
  if (s.custom) FcConfigDestroy(s.custom);
  s.custom = nullptr;
  if (!path.empty()) {
    s.custom = FcConfigCreate();
    if (!FcConfigParseAndLoad(s.custom, reinterpret_cast<const FcChar8*>(path.c_str()), FcTrue) ||
        !FcConfigBuildFonts(s.custom)) {
      FcConfigDestroy(s.custom);
      s.custom = FcConfigCreate();
    }
  }
  s.listed = false;
  s.faces.clear();
  s.loaded = false;
  s.installed.clear();
  ++s.generation;
  ++s.choices;
}

bool MatchBestFace(const WString& family, FaceSource& out) {
  FcConfig* config = Config(SourceData());
  FcPattern* pattern = FcPatternCreate();
  if (!config || !pattern) return false;
  const std::string name = family.ToUtf8();
  if (!name.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  const bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (ok) {
    out.file = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &out.index) != FcResultMatch) out.index = 0;
    out.families.push_back(family);
  }
  FcPatternDestroy(match);
  return ok;
}

WString MatchStyledFamily(const WString& family, int weight, bool italic, std::uint8_t pitchAndFamily) {
  FcConfig* config = Config(SourceData());
  FcPattern* pattern = FcPatternCreate();
  if (!config || !pattern) {
    if (pattern) FcPatternDestroy(pattern);
    return WString();
  }
  const std::string name = family.ToUtf8();
  if (!name.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  // The generic family after the name: what fontconfig's rules turn into a
  // face of that kind when the name itself is unknown.
  const bool fixed = (pitchAndFamily & 0x03) == 1 || (pitchAndFamily & 0xF0) == 0x30;
  const char* generic = fixed ? "monospace"
                        : (pitchAndFamily & 0xF0) == 0x10 ? "serif"
                        : (pitchAndFamily & 0xF0) == 0x40 ? "cursive"
                        : (pitchAndFamily & 0xF0) == 0x50 ? "fantasy"
                                                          : "sans-serif";
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
  if (fixed) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  // fontconfig ranks language coverage above spacing: of its ordered
  // answers, the first of fixed pitch where fixed pitch was asked, else the
  // first.
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(config, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  if (!sorted) return WString();
  WString out, first;
  for (int i = 0; i < sorted->nfont && out.IsEmpty(); ++i) {
    FcChar8* chosen = nullptr;
    if (FcPatternGetString(sorted->fonts[i], FC_FAMILY, 0, &chosen) != FcResultMatch || !chosen) continue;
    const WString answer = WString::FromUtf8(reinterpret_cast<const char*>(chosen));
    if (first.IsEmpty()) first = answer;
    int spacing = FC_PROPORTIONAL;
    (void)FcPatternGetInteger(sorted->fonts[i], FC_SPACING, 0, &spacing);
    if (!fixed || spacing == FC_MONO) out = answer;
  }
  FcFontSetDestroy(sorted);
  return out.IsEmpty() ? first : out;
}

std::uint64_t FontSourceGeneration() { return SourceData().generation; }

std::uint64_t FontChoiceGeneration() { return SourceData().choices; }

int AddMemoryFont(std::vector<std::uint8_t> bytes) {
  Sources& s = SourceData();
  auto shared = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
  FaceSource face;
  face.memory = shared;
  const WString family = ReadSfntFamilyName(shared->data(), shared->size());
  if (family.IsEmpty()) return 0;
  face.families.push_back(family);
  FT_Face ft = nullptr;
  if (FT_New_Memory_Face(FreeTypeLibrary(), shared->data(), FT_Long(shared->size()), 0, &ft) != 0) return 0;
  const bool ok = DescribeFace(ft, face);
  FT_Done_Face(ft);
  if (!ok) return 0;
  const int handle = s.nextHandle++;
  // Memory fonts are private: the installed list does not change.
  s.memory.push_back({handle, std::move(face)});
  ++s.choices;
  return handle;
}

void RemoveMemoryFont(int handle) {
  Sources& s = SourceData();
  const auto it =
      std::find_if(s.memory.begin(), s.memory.end(), [&](const Sources::Memory& m) { return m.handle == handle; });
  if (it == s.memory.end()) return;
  s.memory.erase(it);
  ++s.choices;
}

}  // namespace kvn
