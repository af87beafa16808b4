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

}  // namespace kvn
