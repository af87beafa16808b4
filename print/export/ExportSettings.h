// The export settings: five values under the program's settings key, read
// each time the export command runs and written back together when its
// dialog ends with OK.
//
//   "EXP_RES_D"      string  resolution in dpi, the shortest text that reads
//                            back to the same double          default "600"
//   "EXP_MIN_WI"     DWORD   thinnest line width in micrometres (0 or below
//                            is read as 0.125 mm, so it comes back as 125)
//   "PRINT_PDF_BMP"  DWORD   vector (0) or bitmap (1) mode, shared with the
//                            print options                    default 0
//   "EXP_CLR_MODE3"  DWORD   colour mode: 0 black and white, 1 only grey,
//                            2 in colour                      default 2
//   "EXP_USE_ALI"    DWORD   smoothing of fills and texts     default 0
//
// The line width and the vector mode are only stored: the two export types
// offered (BMP and EMF) never show or use them.
#pragma once

#include <cstdint>

namespace kvn {

struct ExportSettings {
  double resolution = 600.0;
  double minLineWidth = 0.125;  // mm
  int vectorBitmapMode = 0;
  int colorMode = 2;
  int smoothing = 0;

  static ExportSettings Load();
  void Save() const;
};

// Output depth and grey flag of a colour mode (modes 0 to 4; others as 2).
struct ColorModeDepth {
  std::uint32_t bitCount;
  bool grey;
};
ColorModeDepth DepthOfColorMode(int colorMode);

// Export types of the dialog's option sets; the filter list offers two.
inline constexpr int kExportTypeEmf = 4;
inline constexpr int kExportTypeBmp = 5;
// Filter index 1 (BMP) or 2 (EMF) to the export type; 0 for any other.
int ExportTypeOfFilter(std::uint32_t filterIndex);

// What the export dialog shows for an export type (its option set). Only
// types 4 and 5 are offered; the others are kept for the set's sake.
struct ExportOptionSet {
  bool tileEnabled = true;       // "Actual tile" (only while it is visible)
  bool resolution = true;        // label, combo and its field
  bool color = false;            // colour combo
  bool smoothing = false;        // smoothing check box
  bool widthAndMode = false;     // line width, its label and the mode combo
  // Type 8: the resolution shows only with the mode combo off its first entry.
  bool resolutionWithBitmapModeOnly = false;
};
ExportOptionSet OptionSetOfType(int exportType);
// The type the option sets use for a filter index: 1 BMP, 2 EMF, any other
// index as BMP.
int OptionTypeOfFilter(std::uint32_t filterIndex);

// The extent buttons by the document's page entries and the drawing's
// tiles, and the extent they give (0 actual tile, 1 actual page, 2 all pages).
enum class ExportExtentMode {
  OnePageOneTile = 0,      // no buttons: the actual page
  OnePageTiles = 1,        // "Actual tile", "Actual page"
  PagesOneTile = 2,        // "Actual page", "All pages"
  PagesAndTiles = 3,       // all three
};
ExportExtentMode ExtentModeOf(std::uint32_t pageEntries, std::int64_t tiles);

// The choices of a run (kept while the program runs): each an index of its
// buttons, "Actual page" to begin with.
struct ExportExtentChoices {
  int tileOrPage = 1;
  int tilePageAll = 1;
  int pageOrAll = 0;
  int elements = 0;  // "All elements"
  int Extent(ExportExtentMode mode) const;
  // The export command's: the next export starts from the last one's.
  static ExportExtentChoices& OfThisRun();
};

}  // namespace kvn
