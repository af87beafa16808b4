#include "import/records/ImportFonts.h"

#include <string>

#include "foundation/ProgramFolders.h"
#include "import/records/YxxfReader.h"
#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "text/ShxFontFile.h"
#include "text/ShxStandIn.h"

namespace kvn {

namespace {

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t p = a[i], q = b[i];
    if (p >= u'a' && p <= u'z') p = char16_t(p - 32);
    if (q >= u'a' && q <= u'z') q = char16_t(q - 32);
    if (p != q) return false;
  }
  return true;
}

bool EndsWithNoCase(std::u16string_view text, std::u16string_view end) {
  return text.size() >= end.size() && SameNoCase(text.substr(text.size() - end.size()), end);
}

int FontOfName(const cDrawingData& data, const WString& name) {
  const FontStyleTable& fonts = data.FontStyles();
  for (std::uint32_t i = 0; i < fonts.Count(); ++i) {
    if (SameNoCase(fonts.Get(i)->name.View(), name.View())) return int(i);
  }
  return -1;
}

WString FolderOf(const WString& path) {
  const std::u16string_view v = path.View();
  const std::size_t slash = v.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? WString(u".") : WString(v.substr(0, slash));
}

// The capitalised face with ".shx".
WString ShxFontName(const WString& face) {
  std::u16string name(face.View());
  if (!name.empty() && name[0] >= u'a' && name[0] <= u'z') name[0] = char16_t(name[0] - 32);
  name += u".shx";
  return WString(std::u16string_view(name));
}

}  // namespace

WString GetStyleFaceName(const YxxfStyleRec& style) {
  std::u16string face(style.trueTypeFamily.IsEmpty() ? style.fontFile.View() : style.trueTypeFamily.View());
  // Drawings made on Windows name their fonts with Windows paths.
  const std::size_t slash = face.find_last_of(u"\\/");
  if (slash != std::u16string::npos) face.erase(0, slash + 1);
  for (std::u16string_view end : {u".shx", u".pfb", u".ttf"}) {
    if (EndsWithNoCase(face, end)) {
      face.erase(face.size() - end.size());
      break;
    }
  }
  if (SameNoCase(face, u"Arial CE")) face = u"Arial";
  if (face.empty()) face = u"Arial";
  return WString(std::u16string_view(face));
}

int FindOrAddShxFont(cDrawingData& data, const WString& drawingPath, const WString& face) {
  WString extended = face;
  extended.Append(WString(u".shx"));
  const WString& withExtension = extended;
  for (const WString* name : {&withExtension, &face}) {
    if (const int index = FontOfName(data, *name); index >= 0) return index;
  }
  for (const WString* name : {&withExtension, &face}) {
    if (FontList::FindByName(*name)) {
      const std::uint16_t index = data.FindOrAddFont(*name);
      return index == 65535 ? -1 : int(index);
    }
  }
  std::unique_ptr<ShxFont> shx = LoadShxFontFile(face, FolderOf(drawingPath));
  if (!shx || ShxShapeCount(*shx) == 0) {
    WString fonts = GetProgramDirectory();
    fonts.Append(WString(u"fonts"));
    shx = LoadShxFontFile(face, fonts);
  }
  if (!shx || ShxShapeCount(*shx) == 0) return -1;
  auto font = std::make_unique<cStyleFont>();
  font->name = ShxFontName(face);
  font->BindFace(nullptr, std::move(shx));
  const std::uint16_t index = data.FontStyles().Add(std::move(font));
  return index == kNoStyle ? -1 : int(index);
}

bool NamesShxFile(const YxxfStyleRec& style) {
  return style.trueTypeFamily.IsEmpty() && EndsWithNoCase(style.fontFile.View(), u".shx");
}

int AddShxStandIn(cDrawingData& data, const WString& face) {
  const cStyleFont* builtin = FontList::FindByName(ShxStandInName(face));
  if (!builtin) builtin = FontList::FindByName(WString(u"Simplex.shx"));
  ShxFont* shared = builtin ? builtin->Shx() : nullptr;
  if (!shared) return -1;
  auto font = std::make_unique<cStyleFont>();
  font->name = ShxFontName(face);
  font->BindFace(nullptr, std::make_unique<ShxFont>());
  font->shx->shared = shared;
  font->substituteName = builtin->name;
  const std::uint16_t index = data.FontStyles().Add(std::move(font));
  return index == kNoStyle ? -1 : int(index);
}

std::uint16_t FindStyleByName(const cDrawingData& data, const WString& name) {
  const TextStyleTable& styles = data.TextStyles();
  for (std::uint32_t i = 0; i < styles.Count(); ++i) {
    if (SameNoCase(styles.Get(i)->name.View(), name.View())) return std::uint16_t(i);
  }
  return 65535;
}

std::uint16_t GetImportLineTypeIndex(bool byHandle, std::uint64_t handle, const WString& name,
                                     const YxxfReader& reader) {
  const OwnedArray<YxxfLineTypeRec>& types = reader.lineTypes;
  if (byHandle) {
    if (handle == reader.byLayerLineType) return kLineTypeByLayer;
    if (handle == reader.byBlockLineType) return kLineTypeByBlock;
    for (std::uint32_t i = 0; i < types.Count() && i < 65534; ++i) {
      if (types[i]->handle == handle) return std::uint16_t(i);
    }
    return kLineTypeByLayer;
  }
  if (name.IsEmpty() || SameNoCase(name.View(), u"BYLAYER")) return kLineTypeByLayer;
  if (SameNoCase(name.View(), u"BYBLOCK")) return kLineTypeByBlock;
  for (std::uint32_t i = 0; i < types.Count() && i < 65534; ++i) {
    if (SameNoCase(types[i]->name.View(), name.View())) return std::uint16_t(i);
  }
  return kLineTypeByBlock;
}

}  // namespace kvn
