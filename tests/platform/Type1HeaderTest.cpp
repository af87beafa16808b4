// Type 1 faces of the installed-font list are described from their clear-text
// headers instead of through FreeType: crafted headers, and every installed
// Type 1 face compared with FreeType's own description of it.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H

#include <gtest/gtest.h>

#include <cstring>

#include "platform/fonts/FontSources.h"
#include "platform/fonts/Type1Header.h"

namespace kvn {
namespace {

std::optional<Type1Facts> Facts(const std::string& text) {
  return ReadType1Facts(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Header(const std::string& info, const std::string& type = "1") {
  return "%!PS-AdobeFont-1.0: Test 1.0\n10 dict begin\n/FontInfo 8 dict dup begin\n" + info +
         "end readonly def\n/FontType " + type + " def\ncurrentdict end\ncurrentfile eexec\n\x8f\x01\x02";
}

TEST(Type1Header, CraftedHeaders) {
  struct Case {
    const char* what;
    std::string text;
    bool known, italic, bold, fixed;
  };
  const Case cases[] = {
      {"regular", Header("/Weight (Regular) readonly def\n/ItalicAngle 0 def\n/isFixedPitch false def\n"), true, false,
       false, false},
      {"bold oblique", Header("/Weight (Bold) readonly def\n/ItalicAngle -9.9 def\n"), true, true, true, false},
      {"black", Header("/Weight (Black) readonly def\n"), true, false, true, false},
      // FreeType flags only the two exact weights as bold.
      {"demi", Header("/Weight (Demi) readonly def\n"), true, false, false, false},
      {"extra bold", Header("/Weight (ExtraBold) readonly def\n"), true, false, false, false},
      // The angle is read as an integer.
      {"slight slant", Header("/ItalicAngle -0.5 def\n"), true, false, false, false},
      {"positive slant", Header("/ItalicAngle 12 def\n"), true, true, false, false},
      {"fixed pitch", Header("/isFixedPitch true def\n"), true, false, false, true},
      {"longer key not taken", Header("/WeightVector [1] def\n/ItalicAngleX 5 def\n"), true, false, false, false},
      {"another font type", Header("/Weight (Bold) readonly def\n", "42"), false, false, false, false},
      {"no eexec", "%!PS-AdobeFont-1.0: Test\n/FontInfo 1 dict\n/FontType 1 def\n", false, false, false, false},
      {"no Type 1 magic", "%!PS-TrueTypeFont\n/FontInfo 1 dict\n/FontType 1 def\neexec", false, false, false, false},
      {"unclosed string", Header("/Weight (Bold readonly def\n"), true, false, false, false},
      {"empty", "", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto facts = Facts(c.text);
    ASSERT_EQ(facts.has_value(), c.known);
    if (!facts) continue;
    EXPECT_EQ(facts->italic, c.italic);
    EXPECT_EQ(facts->bold, c.bold);
    EXPECT_EQ(facts->fixedPitch, c.fixed);
  }
}

// Every Type 1 face of the environment's font configuration (Ghostscript's
// URW faces, where installed) as FreeType describes it.
TEST(Type1Header, InstalledFacesAsFreeTypeDescribesThem) {
  UseFontConfigFile("");
  int compared = 0;
  for (const FaceSource& face : InstalledFaces()) {
    FT_Face ft = nullptr;
    if (face.file.empty() || FT_New_Face(FreeTypeLibrary(), face.file.c_str(), face.index, &ft) != 0) continue;
    if (std::strcmp(FT_Get_Font_Format(ft), "Type 1") == 0) {
      SCOPED_TRACE(face.file);
      ++compared;
      EXPECT_EQ(face.italic, (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0);
      EXPECT_EQ(face.weight, (ft->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400);
      const bool mono = FT_IS_FIXED_WIDTH(ft);
      EXPECT_EQ(face.pitchAndFamily, mono ? 0x31 : face.families.front().Contains(u"Serif", false) ? 0x12 : 0x22);
      bool symbol = false;
      for (int i = 0; i < ft->num_charmaps; ++i)
        symbol = symbol || (ft->charmaps[i]->platform_id == 3 && ft->charmaps[i]->encoding_id == 0);
      EXPECT_EQ(face.symbolCmap, symbol);
      EXPECT_EQ(face.codePages, 0u);
      EXPECT_EQ(face.version, 0);
    }
    FT_Done_Face(ft);
  }
  RecordProperty("type1_faces", compared);
}

}  // namespace
}  // namespace kvn
