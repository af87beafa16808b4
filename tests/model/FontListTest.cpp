// The font list and its small services: built-in entries with and without
// the installed family, face-height ratios, charset suffixes, default faces.
#include <gtest/gtest.h>

#include "document/BuiltinFontReader.h"
#include "foundation/Resources.h"
#include "model/FontList.h"
#include "model/cStyleFont.h"
#include "model/ShxFont.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

using test::PrivateFonts;

struct FreshFontList {
  FreshFontList() { FontList::ResetForTest(); }
  ~FreshFontList() { FontList::ResetForTest(); }
};

TEST(FontList, InstalledArialIsAPlainEntry) {
  const std::vector<std::string> files = {test::kLiberationSans, test::kLiberationNarrow, test::kDejaVuSans};
  if (!test::FontFilesPresent(files)) GTEST_SKIP() << "Debian Liberation fonts missing";
  FreshFontList fresh;
  PrivateFonts fonts("list-with", files);
  ASSERT_EQ(FontList::TextFontCount(), 2u);
  cStyleFont* arial = FontList::GetAt(0);
  ASSERT_NE(arial, nullptr);
  EXPECT_EQ(arial->name, WString(u"Arial"));
  TrueTypeFaceSet* set = arial->FaceSet();
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->state, 1);
  EXPECT_FALSE(set->singleFace);
  for (int style = 0; style < 4; ++style) {
    ASSERT_NE(set->GetFace(style), nullptr);
    EXPECT_TRUE(set->GetFace(style)->glyphs.empty());
  }
  EXPECT_EQ(FontList::GetAt(1)->name, WString(u"Arial Narrow"));
  EXPECT_EQ(FontList::GetAt(2), nullptr);
  EXPECT_EQ(FontList::GetAt(2, true), nullptr);
  EXPECT_EQ(FontList::FindByName(WString(u"ARIAL NARROW")), FontList::GetAt(1));
  EXPECT_EQ(FontList::FindByName(WString()), nullptr);
  cStyleFont* font = nullptr;
  EXPECT_EQ(GetFallbackFace(&font, 1), set->GetFace(1));
  EXPECT_EQ(font, arial);
}

// Without the Liberation fonts, entry 1 carries the stored outlines of the
// built-in resource, as a single face.
TEST(FontList, MissingArialComesFromTheBuiltinResource) {
  if (FindResource(ResourceType::FontTable, kArialFontTableId).empty())
    GTEST_SKIP() << "built without the Liberation fonts: no built-in font resource";
  if (!test::FontFilesPresent({test::kDejaVuSans})) GTEST_SKIP() << "DejaVu Sans missing";
  FreshFontList fresh;
  InstallBuiltinFontReader();
  PrivateFonts fonts("list-without", {test::kDejaVuSans});
  cStyleFont* arial = FontList::GetAt(0);
  ASSERT_NE(arial, nullptr);
  EXPECT_EQ(arial->name, WString(u"Arial"));
  TrueTypeFaceSet* set = arial->FaceSet();
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->state, 1);
  EXPECT_TRUE(set->singleFace);
  EXPECT_TRUE(set->outlinesStored);
  TrueTypeFace* face = set->GetFace(3);
  ASSERT_EQ(face, set->GetFace(0));
  ASSERT_NE(face, nullptr);
  EXPECT_GT(face->glyphs.size(), 200u);
  for (char16_t c : {u'A', u'\u017D', u'\u0159', u'\u00E9', u'\u20AC'}) {
    const FontGlyph* g = FindGlyph(c, face->glyphs);
    ASSERT_NE(g, nullptr) << int(c);
    EXPECT_FALSE(g->outline.empty());
  }
  // No trace of the source font's names in the metrics block.
  OutlineMetricsView view(face->metrics);
  ASSERT_TRUE(view.Valid());
  EXPECT_EQ(view.Name(otm::kFamilyName), WString(u"Arial"));
  EXPECT_FALSE(view.Name(otm::kFullName).Contains(u"Liberation"));
  double cap = 0;
  EXPECT_NE(GetFaceSetMetrics(*set, &cap, 2), nullptr);
  EXPECT_GT(cap, 30.0);
  // A character the resource lacks comes from the face standing in, without
  // changing the family's stored cap height or ranges.
  const std::size_t ranges = set->ranges.size();
  const FontGlyph* zhe = face->GetGlyph(u'\u0416');
  ASSERT_NE(zhe, nullptr);
  EXPECT_FALSE(zhe->outline.empty());
  EXPECT_EQ(face->capHeight, cap);
  EXPECT_EQ(set->ranges.size(), ranges);
  FontList::ResetForTest();
  SetBuiltinFontReader(nullptr);
}

void FakeArchives(std::vector<std::unique_ptr<cStyleFont>>& list, int blob) {
  auto font = std::make_unique<cStyleFont>();
  font->name = WString(blob == 0 ? u"romans.shx" : u"ltypeshp.shx");
  font->shx = std::make_unique<ShxFontPair>();
  font->shx->own = std::make_unique<ShxFont>();
  list.push_back(std::move(font));
}

// The SHX fonts of the archive count as text fonts; the shape files after
// them only when all entries are asked for.
TEST(FontList, ShapeFilesComeAfterTheTextFonts) {
  FreshFontList fresh;
  SetShxArchiveLoader(&FakeArchives);
  EXPECT_EQ(FontList::TextFontCount(), 3u);
  EXPECT_EQ(FontList::Count(), 4u);
  EXPECT_EQ(FontList::GetAt(2)->name, WString(u"romans.shx"));
  EXPECT_EQ(FontList::GetAt(3), nullptr);
  EXPECT_EQ(FontList::GetAt(3, true)->name, WString(u"ltypeshp.shx"));
  EXPECT_EQ(FontList::GetAt(4, true), nullptr);
  EXPECT_EQ(FontList::FindByName(WString(u"ROMANS.SHX")), FontList::GetAt(2));
  SetShxArchiveLoader(nullptr);
}

TEST(FontList, FaceHeightRatios) {
  FreshFontList fresh;
  double leading = 0;
  EXPECT_DOUBLE_EQ(GetFaceHeightRatio(&leading, WString(u"arial narrow ce"), 0), 34.375 / 48);
  EXPECT_DOUBLE_EQ(leading, 1.0 / 48);
  EXPECT_DOUBLE_EQ(GetFaceHeightRatio(&leading, WString(u"Arial"), 2), 34.25 / 48);
  EXPECT_DOUBLE_EQ(leading, 2.0 / 48);
  EXPECT_DOUBLE_EQ(GetFaceHeightRatio(&leading, WString(), 0), 34.375 / 48);
  {
    PrivateFonts fonts("heights", {test::kDejaVuSans});
    // Not installed: the default, remembered.
    EXPECT_DOUBLE_EQ(GetFaceHeightRatio(&leading, WString(u"No Such Face"), 0), 34.375 / 48);
    EXPECT_DOUBLE_EQ(leading, 2.0 / 48);
    if (test::FontFilesPresent({test::kDejaVuSans})) {
      // Installed and outside the table: measured on the face.
      const double ratio = GetFaceHeightRatio(&leading, WString(u"DejaVu Sans"), 0);
      EXPECT_NEAR(ratio, 1493.0 / 2048, 0.01);
    }
  }
}

TEST(FontList, CharsetSuffixesDefaultFacesAndRounding) {
  WString name(u"Arial CYR");
  std::uint8_t charset = 0;
  EXPECT_TRUE(ApplyCharsetSuffix(name, charset));
  EXPECT_EQ(name, WString(u"Arial"));
  EXPECT_EQ(charset, 204);
  name = WString(u"ArialCE");
  EXPECT_FALSE(ApplyCharsetSuffix(name, charset));
  EXPECT_EQ(name, WString(u"ArialCE"));
  name = WString(u"Times New Roman greek");
  EXPECT_TRUE(SplitFaceCharsetSuffix(name, charset));
  EXPECT_EQ(charset, 161);
  name = WString(u"CE");
  EXPECT_FALSE(ApplyCharsetSuffix(name, charset));
  std::uint8_t pitch = 0;
  EXPECT_EQ(GetDefaultFaceForKind(pitch, 1), WString(u"Courier New"));
  EXPECT_EQ(pitch, 0x31);
  EXPECT_EQ(GetDefaultFaceForKind(pitch, 2), WString(u"Times New Roman"));
  EXPECT_EQ(pitch, 0x12);
  EXPECT_EQ(GetDefaultFaceForKind(pitch, 7), WString(u"Arial"));
  EXPECT_EQ(pitch, 0x22);
  double x = 3.14159;
  RoundTo4Significant(x);
  EXPECT_DOUBLE_EQ(x, 3.142);
  x = 0.000123456;
  RoundTo4Significant(x);
  EXPECT_DOUBLE_EQ(x, 0.0001235);
  x = -2.5;
  RoundTo4Significant(x);
  EXPECT_EQ(x, -2.5);
}

}  // namespace
}  // namespace kvn
