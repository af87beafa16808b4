#include "platform/gdi/SymbolFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace kvn {

namespace {

// The file and face index fontconfig matches for the family name.
bool MatchFontFile(const std::string& family, std::string* file, int* index) {
  FcConfig* config = FcConfigGetCurrent();
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* path = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr;
  if (found) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
  }
  FcPatternDestroy(match);
  return found;
}

bool HasSymbolCharMap(const std::string& file, int index) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  bool symbol = false;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) == 0) {
    for (int i = 0; i < face->num_charmaps; ++i) {
      const FT_CharMap map = face->charmaps[i];
      if (map->platform_id == 3 && map->encoding_id == 0) symbol = true;
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return symbol;
}

}  // namespace

bool IsNonSymbolFont(const WString& faceName) {
  std::string file;
  int index = 0;
  if (!MatchFontFile(faceName.ToUtf8(), &file, &index)) return true;
  return !HasSymbolCharMap(file, index);
}

}  // namespace kvn
