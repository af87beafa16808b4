// The rules of the export that need no file: settings and their defaults,
// page file names, the tile under the view, the metafile's geometry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/Registry.h"
#include "model/cDrawingData.h"
#include "platform/settings/SettingsStore.h"
#include "print/TileAtPoint.h"
#include "print/export/ExportNames.h"
#include "print/export/ExportSettings.h"
#include "print/export/WriteSheetAsEmf.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::string Utf8(const WString& s) { return s.ToUtf8(); }

// Settings in a private folder for the test's lifetime.
class PrivateSettings {
 public:
  PrivateSettings() {
    if (const char* old = std::getenv("KVN_SETTINGS_DIR")) old_ = old;
    ::setenv("KVN_SETTINGS_DIR", scratch_.Path().c_str(), 1);
    SettingsStore::ResetGlobal();
  }
  ~PrivateSettings() {
    if (old_) ::setenv("KVN_SETTINGS_DIR", old_->c_str(), 1);
    else ::unsetenv("KVN_SETTINGS_DIR");
    SettingsStore::ResetGlobal();
  }

 private:
  test::ScratchDir scratch_;
  std::optional<std::string> old_;
};

TEST(ExportSettings, DefaultsAndWhatOkWritesBack) {
  PrivateSettings settings;
  ExportSettings s = ExportSettings::Load();
  EXPECT_EQ(s.resolution, 600.0);
  EXPECT_EQ(s.minLineWidth, 0.125);
  EXPECT_EQ(s.vectorBitmapMode, 0);
  EXPECT_EQ(s.colorMode, 2);
  EXPECT_EQ(s.smoothing, 0);

  // A missing line width is written back as 125 micrometres; the resolution
  // as its shortest text.
  s.resolution = 72.25;
  s.Save();
  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  EXPECT_EQ(key.GetDword(WString(u"EXP_MIN_WI"), 0), 125u);
  EXPECT_EQ(Utf8(key.GetString(WString(u"EXP_RES_D"), WString())), "72.25");
  EXPECT_EQ(key.GetDword(WString(u"EXP_CLR_MODE3"), 9), 2u);
  EXPECT_EQ(key.GetDword(WString(u"PRINT_PDF_BMP"), 9), 0u);
  EXPECT_EQ(key.GetDword(WString(u"EXP_USE_ALI"), 9), 0u);
  EXPECT_EQ(ExportSettings::Load().resolution, 72.25);

  // A width read as 0.3004 mm is written as floor(300.4 + 0.5).
  s.minLineWidth = 0.3006;
  s.Save();
  EXPECT_EQ(RegReadKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).GetDword(WString(u"EXP_MIN_WI"), 0), 301u);
  EXPECT_EQ(ExportSettings::Load().minLineWidth, 0.301);
}

TEST(ExportSettings, ColourModesAndFilters) {
  EXPECT_EQ(DepthOfColorMode(0).bitCount, 1u);
  EXPECT_TRUE(DepthOfColorMode(0).grey);
  EXPECT_EQ(DepthOfColorMode(1).bitCount, 8u);
  EXPECT_TRUE(DepthOfColorMode(1).grey);
  EXPECT_EQ(DepthOfColorMode(2).bitCount, 24u);
  EXPECT_FALSE(DepthOfColorMode(2).grey);
  EXPECT_EQ(DepthOfColorMode(3).bitCount, 4u);
  EXPECT_EQ(DepthOfColorMode(4).bitCount, 8u);
  EXPECT_EQ(DepthOfColorMode(99).bitCount, 24u);
  EXPECT_EQ(ExportTypeOfFilter(1), kExportTypeBmp);
  EXPECT_EQ(ExportTypeOfFilter(2), kExportTypeEmf);
  EXPECT_EQ(ExportTypeOfFilter(0), 0);
  EXPECT_EQ(ExportTypeOfFilter(3), 0);
}

TEST(ExportDialogRules, OptionSetsByTypeAndFilter) {
  // EMF: the resolution only; BMP: resolution, colours and smoothing.
  const ExportOptionSet emf = OptionSetOfType(OptionTypeOfFilter(2));
  EXPECT_TRUE(emf.tileEnabled && emf.resolution);
  EXPECT_FALSE(emf.color || emf.smoothing || emf.widthAndMode);
  const ExportOptionSet bmp = OptionSetOfType(OptionTypeOfFilter(1));
  EXPECT_TRUE(bmp.tileEnabled && bmp.resolution && bmp.color && bmp.smoothing);
  EXPECT_FALSE(bmp.widthAndMode);
  // An index outside the list is treated as the bitmap's.
  EXPECT_EQ(OptionTypeOfFilter(7), kExportTypeBmp);
  EXPECT_EQ(OptionTypeOfFilter(0), kExportTypeBmp);
  // The types never offered.
  for (int type : {1, 2, 3}) {
    const ExportOptionSet set = OptionSetOfType(type);
    EXPECT_FALSE(set.tileEnabled || set.resolution || set.color || set.smoothing || set.widthAndMode) << type;
  }
  EXPECT_TRUE(OptionSetOfType(6).smoothing);
  EXPECT_TRUE(OptionSetOfType(8).widthAndMode);
  EXPECT_TRUE(OptionSetOfType(8).resolutionWithBitmapModeOnly);
  EXPECT_FALSE(OptionSetOfType(8).smoothing);
}

TEST(ExportDialogRules, ExtentButtonsByPagesAndTiles) {
  EXPECT_EQ(ExtentModeOf(1, 1), ExportExtentMode::OnePageOneTile);
  EXPECT_EQ(ExtentModeOf(1, 4), ExportExtentMode::OnePageTiles);
  EXPECT_EQ(ExtentModeOf(12, 1), ExportExtentMode::PagesOneTile);
  EXPECT_EQ(ExtentModeOf(2, 2), ExportExtentMode::PagesAndTiles);
  ExportExtentChoices choices;  // each "Actual page" at first
  EXPECT_EQ(choices.Extent(ExportExtentMode::OnePageOneTile), 1);
  EXPECT_EQ(choices.Extent(ExportExtentMode::OnePageTiles), 1);
  EXPECT_EQ(choices.Extent(ExportExtentMode::PagesOneTile), 1);
  EXPECT_EQ(choices.Extent(ExportExtentMode::PagesAndTiles), 1);
  choices.tileOrPage = 0;
  choices.pageOrAll = 1;
  choices.tilePageAll = 2;
  EXPECT_EQ(choices.Extent(ExportExtentMode::OnePageTiles), 0);
  EXPECT_EQ(choices.Extent(ExportExtentMode::PagesOneTile), 2);
  EXPECT_EQ(choices.Extent(ExportExtentMode::PagesAndTiles), 2);
  EXPECT_EQ(choices.Extent(ExportExtentMode::OnePageOneTile), 1);
}

// A document of `count` unpaged sheets named by `name`.
std::unique_ptr<cDrawingDoc> Sheets(int count, const char16_t* (*name)(int)) {
  auto doc = std::make_unique<cDrawingDoc>();
  for (int i = 0; i < count; ++i) {
    auto sheet = std::make_unique<cSheet>();
    sheet->Drawing().name = WString(name(i));
    doc->AddSheet(std::move(sheet));
  }
  return doc;
}

TEST(ExportNames, TwelveEntriesTakeTwoDigitsNineTakeOne) {
  auto twelve = Sheets(12, [](int i) { return i == 2 ? u"Floor" : i == 5 ? u"a/b:c" : u"Plan"; });
  EXPECT_EQ(Utf8(MakePageFileSuffix(*twelve, 0)), "_01 - Plan");
  EXPECT_EQ(Utf8(MakePageFileSuffix(*twelve, 2)), "_03 - Floor");
  EXPECT_EQ(Utf8(MakePageFileSuffix(*twelve, 5)), "_06 - a_b_c");
  EXPECT_EQ(Utf8(MakePageFileSuffix(*twelve, 11)), "_12 - Plan");
  auto nine = Sheets(9, [](int) { return u"P"; });
  EXPECT_EQ(Utf8(MakePageFileSuffix(*nine, 0)), "_1 - P");
  EXPECT_EQ(Utf8(MakePageFileSuffix(*nine, 8)), "_9 - P");
  auto one = Sheets(1, [](int) { return u"Only"; });
  EXPECT_EQ(Utf8(MakePageFileSuffix(*one, 0)), "");
}

TEST(ExportNames, TheSuffixGoesBeforeTheExtensionOfTheNameOnly) {
  const WString s(u"_03 - Floor");
  EXPECT_EQ(Utf8(InsertPageSuffix(WString(u"/tmp/plan.emf"), s)), "/tmp/plan_03 - Floor.emf");
  EXPECT_EQ(Utf8(InsertPageSuffix(WString(u"/tmp/plan.v2.bmp"), s)), "/tmp/plan.v2_03 - Floor.bmp");
  EXPECT_EQ(Utf8(InsertPageSuffix(WString(u"/tmp/plan"), s)), "/tmp/plan_03 - Floor");
  EXPECT_EQ(Utf8(InsertPageSuffix(WString(u"/tmp/a.b/plan"), s)), "/tmp/a.b/plan_03 - Floor");
  EXPECT_EQ(Utf8(InsertPageSuffix(WString(u"plan"), WString())), "plan");
}

// A drawing of 3 x 2 tiles of 100 x 50 (format 120 x 70, margins 10) from (5, 5).
struct Tiled {
  cSheet sheet;
  Tiled() {
    cDrawing& d = sheet.Drawing();
    d.formatSize = {120, 70};
    d.formatMargins = {10, 10};
    d.formatOrigin = {5, 5};
    d.tiles = {2.5, 2.0};
    sheet.Data()->SetScale(1.0);
  }
};

TEST(TileAtPoint, TheTileUnderTheCentreAndTileZeroOutside) {
  Tiled t;
  int column = -1, row = -1;
  DRect view{110, 60, 150, 90};  // centre (130, 75): column ceil(1.25) - 1 = 1, row ceil(1.4) - 1 = 1
  EXPECT_TRUE(TileAtPoint(column, row, t.sheet.Drawing(), &view));
  EXPECT_EQ(column, 1);
  EXPECT_EQ(row, 1);
  view = DRect{255, 5, 265, 15};  // column ceil(2.6) - 1 = 2 (the partial third tile)
  EXPECT_TRUE(TileAtPoint(column, row, t.sheet.Drawing(), &view));
  EXPECT_EQ(column, 2);
  EXPECT_EQ(row, 0);
  // On a tile edge the tile before it; outside the tiling tile (0, 0).
  view = DRect{105, 55, 105, 55};
  EXPECT_TRUE(TileAtPoint(column, row, t.sheet.Drawing(), &view));
  EXPECT_EQ(column, 0);
  EXPECT_EQ(row, 0);
  view = DRect{1e300, 1e300, 1e300, 1e300};
  EXPECT_TRUE(TileAtPoint(column, row, t.sheet.Drawing(), &view));
  EXPECT_EQ(column, 0);
  EXPECT_EQ(row, 0);
  view = DRect{-500, 20, -400, 30};
  EXPECT_TRUE(TileAtPoint(column, row, t.sheet.Drawing(), &view));
  EXPECT_EQ(column, 0);

  DRect area{0, 0, 400, 400};
  ClipToViewTile(area, DRect{110, 60, 150, 90}, t.sheet.Drawing());
  EXPECT_EQ(area, (DRect{105, 55, 205, 105}));
}

TEST(TileAtPoint, UntiledOrSizelessDrawingsAreLeftAlone) {
  cSheet plain;
  plain.Drawing().formatSize = {297, 210};
  int column = 7, row = 7;
  EXPECT_FALSE(TileAtPoint(column, row, plain.Drawing(), nullptr));
  DRect area{0, 0, 400, 400};
  ClipToViewTile(area, DRect{1, 1, 2, 2}, plain.Drawing());
  EXPECT_EQ(area, (DRect{0, 0, 400, 400}));

  Tiled t;
  t.sheet.Drawing().formatMargins = {60, 10};  // printable width below zero
  EXPECT_FALSE(TileAtPoint(column, row, t.sheet.Drawing(), nullptr));
  ClipToViewTile(area, DRect{1, 1, 2, 2}, t.sheet.Drawing());
  EXPECT_EQ(area, (DRect{0, 0, 400, 400}));
}

TEST(EmfGeometry, HundredUnitsAtScaleOneAndSixHundredDpi) {
  EmfExportGeometry g;
  ASSERT_TRUE(ComputeEmfGeometry(DRect{0, 0, 100, 50}, 1.0, 600.0, &g));
  EXPECT_NEAR(g.area.Width(), 105.905, 0.001);  // widened by 2.95 on each side
  EXPECT_NEAR(g.area.x1, -2.9528, 0.0001);
  EXPECT_EQ(g.width, 2502);
  EXPECT_EQ(g.widthMm, 106);
  EXPECT_EQ(g.widthMm * 100, 10600);
}

TEST(EmfGeometry, TheLargerSideIsHeldToThirtyTwoThousandDeviceUnits) {
  EmfExportGeometry g;
  ASSERT_TRUE(ComputeEmfGeometry(DRect{0, 0, 2000, 1000}, 1.0, 600.0, &g));
  EXPECT_EQ(g.width, 32000);
  EXPECT_EQ(g.height, std::int32_t(std::floor(32000.0 * g.area.Height() / g.area.Width() + 0.5)));
  EXPECT_EQ(g.widthMm, std::int32_t(std::floor(g.area.Width() + 0.5)));
  EXPECT_FALSE(ComputeEmfGeometry(DRect{0, 0, 1, 1}, 0.0, 600.0, &g));
  EXPECT_FALSE(ComputeEmfGeometry(DRect{0, 0, 1, 1}, 1.0, 0.0, &g));
  EXPECT_FALSE(ComputeEmfGeometry(DRect{0, 0, 1, 1}, 1.0, std::nan(""), &g));
}

}  // namespace
}  // namespace kvn
