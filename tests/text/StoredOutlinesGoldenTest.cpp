// The built-in "Arial" and "Arial Narrow" outlines (FONT_TABLE resources)
// drawn through a raster device context on a machine without those fonts:
// Czech accents, holes, underline and strike-out, and a turned line, against
// a reviewed picture.
#include <gtest/gtest.h>

#include "document/BuiltinFontReader.h"
#include "foundation/Resources.h"
#include "model/FontList.h"
#include "model/cStyleFont.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "text/TrueTypeLine.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 140;
// Anti-aliased edges of the device road may move by a few levels between
// cairo builds.
constexpr int kTolerance = 8;

TEST(StoredOutlinesGolden, BuiltinFamiliesDrawWithoutTheInstalledFonts) {
  if (FindResource(ResourceType::FontTable, kArialFontTableId).empty() ||
      FindResource(ResourceType::FontTable, kArialNarrowFontTableId).empty())
    GTEST_SKIP() << "built without the Liberation fonts: no built-in font resources";
  if (!test::FontFilesPresent({test::kDejaVuSans})) GTEST_SKIP() << "DejaVu Sans missing";
  FontList::ResetForTest();
  InstallBuiltinFontReader();
  {
    test::PrivateFonts fonts("stored-golden", {test::kDejaVuSans});
    TrueTypeFaceSet* arial = FontList::GetAt(0)->FaceSet();
    TrueTypeFaceSet* narrow = FontList::GetAt(1)->FaceSet();
    ASSERT_TRUE(arial->outlinesStored && narrow->outlinesStored);

    cRasterSurface surface(false);
    ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    WorldMapping m;
    m.scale = 1.0;
    m.offsetX = 8;
    m.offsetY = 4;
    m.deviceClip = {0, 0, kWidth, kHeight};
    cDrawInfo info(m, nullptr, surface.GetRasterDC(), nullptr);
    TrueTypeLine line;
    line.info = &info;
    line.origin = {0, 1};
    line.height = 6;
    line.text = WString(u"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148 @g");
    line.underline = true;
    line.strikeOut = true;
    line.barColor = 0x0000C0;
    DrawTrueTypeLine(*arial, line);
    line.origin = {2, 20};
    line.angle = 3;
    line.underline = line.strikeOut = false;
    line.color = 0x804000;
    line.text = WString(u"\u00DAd\u011Bln\u00E9 \u0158\u00C1DKY 1250/1252 \u20AC \u00E6\u00DF");
    DrawTrueTypeLine(*narrow, line);

    surface.Flush();
    test::Picture out{kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) out.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
    test::ExpectMatchesGolden(out, "stored_outlines", kTolerance);
  }
  FontList::ResetForTest();
  SetBuiltinFontReader(nullptr);
}

}  // namespace
}  // namespace kvn
