// Where SHX fonts are used: files loaded for the import, the line metrics
// and anchor offset of texts in all three font sources, and the strokes
// that patterned line styles take from an SHX font.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cText.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/ShxFixtures.h"
#include "tests/support/TestData.h"
#include "text/PatternGlyphs.h"
#include "text/ShxFontFile.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

using test::MakeShapesFile;

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> SmallFont() { return MakeShapesFile({{65, "A", {0x34, 0x30, 0}}, {66, "B", {0x20, 0}}}, 10, 4); }

TEST(ShxFontFile, FoundRegardlessOfCaseAndBounded) {
  test::ScratchDir dir;
  WriteBytes(dir / "RomanX.SHX", SmallFont());
  WriteBytes(dir / "notes.shx", {'h', 'e', 'l', 'l', 'o'});
  const WString folder = WString::FromUtf8(dir.Path().string());
  std::unique_ptr<ShxFont> font = LoadShxFontFile(WString(u"romanx.shx"), folder);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(ShxShapeCount(*font), 2u);
  font = LoadShxFontFile(WString(u"ROMANX"), folder);  // the extension added
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(ShxShapeCount(*font), 2u);
  // Not an SHX file: data without shapes.
  font = LoadShxFontFile(WString(u"Notes.shx"), folder);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(ShxShapeCount(*font), 0u);
  EXPECT_EQ(LoadShxFontFile(WString(u"missing.shx"), folder), nullptr);
  EXPECT_EQ(LoadShxFontFile(WString(), folder), nullptr);
  // Above 16 MiB: not read.
  {
    std::ofstream big(dir / "big.shx", std::ios::binary);
    big.seekp(std::streamoff(kMaxShxFileSize));
    big.put('x');
  }
  EXPECT_EQ(LoadShxFontFile(WString(u"big.shx"), folder), nullptr);
}

class ShxMetrics : public ::testing::Test {
 protected:
  void SetUp() override { InstallShxFonts(); }
  void TearDown() override {
    SetShxMetricsSource(nullptr);
    SetShxArchiveLoader(nullptr);
  }
  std::uint16_t AddShxFont(cDrawingData& data, std::vector<std::uint8_t> bytes) {
    auto shx = std::make_unique<ShxFont>();
    shx->bytes = std::move(bytes);
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Own Test Font.shx");
    font->BindFace(nullptr, std::move(shx));
    return data.FontStyles().Add(std::move(font));
  }
};

TEST_F(ShxMetrics, ShxAndScreenFontSources) {
  cDrawingData data;
  cText t;
  t.SetText(WString(u"AB"));
  t.SetFontIndex(AddShxFont(data, SmallFont()));
  t.attr.height = 5;
  // above 10, below 4: line height h (10 + 4) / 10, descent h 4 / 10, gap h (2/3 - 4/10).
  EXPECT_DOUBLE_EQ(t.GetLineHeight(&data), 7);
  EXPECT_DOUBLE_EQ(t.GetDescent(&data), 2);
  EXPECT_NEAR(t.GetLineGap(&data), 5 * (2.0 / 3.0 - 0.4), 1e-12);
  // Without the SHX reader the font gives no metrics.
  SetShxMetricsSource(nullptr);
  EXPECT_EQ(t.GetLineHeight(&data), 0);
  InstallShxFonts();
  // A font that is no text font (no header) gives none either.
  cDrawingData shapesOnly;
  t.SetFontIndex(AddShxFont(shapesOnly, MakeShapesFile({{65, "A", {0x10, 0}}})));
  EXPECT_EQ(t.GetLineHeight(&shapesOnly), 0);

  // The screen font: the measured bytes over the measured em.
  cText s;
  s.attr.height = 3;
  s.measuredEm = 48;
  const std::uint8_t measured[4] = {10, 2, 5, 58};
  std::copy(measured, measured + 4, s.measuredMetrics);
  EXPECT_DOUBLE_EQ(s.GetLineHeight(nullptr), 3 * 58 / 48.0);
  EXPECT_DOUBLE_EQ(s.GetDescent(nullptr), 3 * 10 / 48.0);
  EXPECT_DOUBLE_EQ(s.GetLineGap(nullptr), 3 * 2 / 48.0);
  s.measuredEm = 0;
  EXPECT_EQ(s.GetLineHeight(nullptr), 0);
}

TEST_F(ShxMetrics, ShxFontsHaveNoLogFontBytes) {
  cDrawingData data;
  const cStyleFont* shx = data.FontStyles().Get(AddShxFont(data, SmallFont()));
  EXPECT_EQ(shx->GetCharSet(), 0);
  EXPECT_EQ(shx->GetPitchAndFamily(), 0);
  cStyleFont trueType;
  trueType.SetOwnFaceSet(std::make_unique<TrueTypeFaceSet>(WString(u"Some Face")));
  trueType.FaceSet()->charSet = 238;
  trueType.FaceSet()->pitchAndFamily = 0x22;
  EXPECT_EQ(trueType.GetCharSet(), 238);
  EXPECT_EQ(trueType.GetPitchAndFamily(), 0x22);
}

TEST_F(ShxMetrics, AnchorOffsetByAlignmentMirrorAndAngle) {
  cDrawingData data;
  cText t;
  t.SetText(WString(u"AB"));
  t.SetFontIndex(AddShxFont(data, SmallFont()));
  t.attr.height = 5;  // line height 7, descent 2
  auto anchor = [&](int code, bool noX) {
    t.alignment = std::uint8_t(code);
    (void)t.GetLineCount(&data);  // refreshed: the block width set below stays
    t.blockWidth = 20;
    return t.GetAnchorOffset(&data, noX);
  };
  EXPECT_EQ(anchor(0, false), (DPoint{0, 0}));
  EXPECT_EQ(anchor(4, false), (DPoint{10, 3.5}));
  EXPECT_EQ(anchor(8, false), (DPoint{20, 7}));
  EXPECT_EQ(anchor(8, true), (DPoint{0, 7}));
  EXPECT_EQ(anchor(10, false), (DPoint{10, 5}));  // base line: line height less descent
  t.attr.mirrorY = 1;
  EXPECT_EQ(anchor(8, false), (DPoint{20, -7}));
  t.attr.mirrorY = 0;
  t.SetAngle(90);
  const DPoint turned = anchor(2, false);
  EXPECT_NEAR(turned.x, 0, 1e-12);
  EXPECT_NEAR(std::fabs(turned.y), 20, 1e-12);
  // Two lines: the block height takes the gap and the spacing.
  t.SetAngle(0);
  t.SetText(WString(u"A\nB"));
  t.lineSpacing = 2;
  t.alignment = 6;
  ASSERT_EQ(t.GetLineCount(&data), 2);
  const double L = 7, gap = 5 * (2.0 / 3.0 - 0.4);
  EXPECT_NEAR(t.GetAnchorOffset(&data, true).y, (gap + L) * 2 + L, 1e-12);
}

TEST_F(ShxMetrics, TrueTypeInUnitsOfTheCapHeight) {
  if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Liberation Sans missing";
  FontList::ResetForTest();
  {
    test::PrivateFonts fonts("shx-metrics", {test::kLiberationSans});
    cDrawingData data;
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Liberation Sans");
    font->BindFace(std::make_unique<TrueTypeFaceSet>(font->name), nullptr);
    cText t;
    t.SetFontIndex(data.FontStyles().Add(std::move(font)));
    t.attr.height = 10;
    // Liberation Sans at the 48-pixel em: ascent 43, descent 10 (0.905 and
    // 0.212 of the em, rounded), cap height 1409/2048 of the em.
    const double cap = 48 * 1409 / 2048.0;
    EXPECT_NEAR(t.GetLineHeight(&data), 10 * (43 + 10) / cap, 0.05);
    EXPECT_NEAR(t.GetDescent(&data), 10 * 10 / cap, 0.05);
    EXPECT_GE(t.GetLineGap(&data), 0);
  }
  FontList::ResetForTest();
}

TEST_F(ShxMetrics, PatternedLinesTakeShxStrokes) {
  InstallPatternGlyphSource();
  cDrawingData data;
  cStyleLine style;
  style.dashElements.resize(1);
  style.dashElements[0].hasText = true;
  style.dashElements[0].text = WString(u"AB");
  style.dashElements[0].fontIndex = AddShxFont(data, SmallFont());
  style.dashElements[0].scale = 5.0;
  style.BuildPatternCache(&data);
  ASSERT_NE(style.PatternCache(), nullptr);
  ASSERT_EQ(style.PatternCache()->pieces.size(), 1u);
  EXPECT_EQ(style.PatternCache()->pieces[0].contours.size(), 2u);  // A's stroke and B's
  // A runs 3 up and 3 across at scale 5 / 10: its far end lies 1.5 from the origin in x.
  EXPECT_GT(style.PatternCache()->reach, 1.5);
  SetGlyphOutlineSource(nullptr);
}

}  // namespace
}  // namespace kvn
