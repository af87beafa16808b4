#include "print/export/ExportSettings.h"

#include <cmath>

#include "foundation/Registry.h"
#include "foundation/TextFormat.h"

namespace kvn {

namespace {

const WString kResolution(u"EXP_RES_D");
const WString kExportMinWidth(u"EXP_MIN_WI");
const WString kVectorBitmap(u"PRINT_PDF_BMP");
const WString kColorMode(u"EXP_CLR_MODE3");
const WString kSmoothing(u"EXP_USE_ALI");

}  // namespace

ExportSettings ExportSettings::Load() {
  ExportSettings s;
  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  const std::string text = key.GetString(kResolution, WString(u"600")).ToUtf8();
  s.resolution = StringToDoubleLenient(text.c_str(), int(text.size()));
  s.minLineWidth = std::int32_t(key.GetDword(kExportMinWidth, 0)) / 1000.0;
  if (!(s.minLineWidth > 0.0)) s.minLineWidth = 0.125;
  s.vectorBitmapMode = int(key.GetDword(kVectorBitmap, 0));
  s.colorMode = int(key.GetDword(kColorMode, 2));
  s.smoothing = int(key.GetDword(kSmoothing, 0));
  return s;
}

void ExportSettings::Save() const {
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  key.SetString(kResolution, FormatDouble(resolution, kDoubleModeShortest));
  key.SetDword(kExportMinWidth, std::uint32_t(std::int32_t(std::floor(minLineWidth * 1000.0 + 0.5))));
  key.SetDword(kVectorBitmap, std::uint32_t(vectorBitmapMode));
  key.SetDword(kColorMode, std::uint32_t(colorMode));
  key.SetDword(kSmoothing, std::uint32_t(smoothing));
}

ColorModeDepth DepthOfColorMode(int colorMode) {
  static constexpr std::uint8_t kBits[5] = {1, 8, 24, 4, 8};
  if (colorMode < 0 || colorMode > 4) colorMode = 2;
  return {kBits[colorMode], colorMode < 2};
}

int ExportTypeOfFilter(std::uint32_t filterIndex) {
  return filterIndex == 1 ? kExportTypeBmp : filterIndex == 2 ? kExportTypeEmf : 0;
}

ExportOptionSet OptionSetOfType(int exportType) {
  ExportOptionSet set;
  switch (exportType) {
    case 1:
    case 2:
    case 3:
      return ExportOptionSet{false, false, false, false, false, false};
    case kExportTypeEmf:
      return set;
    case 8:
      return ExportOptionSet{true, true, true, false, true, true};
    default:  // 5, 6, 7
      return ExportOptionSet{true, true, true, true, false, false};
  }
}

int OptionTypeOfFilter(std::uint32_t filterIndex) {
  return filterIndex == 2 ? kExportTypeEmf : kExportTypeBmp;
}

ExportExtentMode ExtentModeOf(std::uint32_t pageEntries, std::int64_t tiles) {
  if (pageEntries >= 2) return tiles >= 2 ? ExportExtentMode::PagesAndTiles : ExportExtentMode::PagesOneTile;
  return tiles >= 2 ? ExportExtentMode::OnePageTiles : ExportExtentMode::OnePageOneTile;
}

ExportExtentChoices& ExportExtentChoices::OfThisRun() {
  static ExportExtentChoices choices;
  return choices;
}

int ExportExtentChoices::Extent(ExportExtentMode mode) const {
  switch (mode) {
    case ExportExtentMode::OnePageOneTile: return 1;
    case ExportExtentMode::OnePageTiles: return tileOrPage == 0 ? 0 : 1;
    case ExportExtentMode::PagesOneTile: return pageOrAll == 0 ? 1 : 2;
    case ExportExtentMode::PagesAndTiles: return tilePageAll < 0 || tilePageAll > 2 ? 1 : tilePageAll;
  }
  return 1;
}

}  // namespace kvn
