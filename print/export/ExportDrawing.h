// The export driver: one page entry of a document, or every entry of a
// document of two or more, written as BMP pictures or enhanced metafiles.
//
// All pages: the file names are made and every existing one is asked about
// before anything is written; then one file per entry, under a progress
// monitor (a step per page; a cancel stops before the next file). The first
// failure ends the export. Every file is written whole or not at all
// (ExportFile.h).
#pragma once

#include <cstdint>
#include <functional>

#include "foundation/DRect.h"
#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
class cMsgDlg;

inline constexpr std::uint32_t kAllPageEntries = 65535;

// Strings of the export.
inline constexpr int kStrExportCaption = 16074;     // "Export drawing into"
inline constexpr int kStrExportFilters = 19624;     // "Raster image (bitmap) (*.bmp)|*.bmp|..."
inline constexpr int kStrScaleNotSet = 18138;       // "Cannot perform this function.\n\nNot yet ..."
inline constexpr int kStrFileExistsCaption = 1173;  // "Question"
inline constexpr int kStrFileExists = 1174;         // "The file '%s' already exist. ..."
inline constexpr int kStrPictureTooLarge = 19625;   // "The picture would be %s x %s pixels ..."

// What the shell lends the export: the owner of its message boxes and
// progress dialog, and the way to the sheet parameters when a drawing
// window asked (empty otherwise).
struct ExportShell {
  cMsgDlg* owner = nullptr;
  std::function<void(std::uint32_t sheetIndex, std::uint32_t page)> openParameters;
};

struct ExportOptions {
  int exportType = 4;  // kExportTypeEmf or kExportTypeBmp
  bool wholePage = true;
  std::uint32_t pageEntry = kAllPageEntries;
  double resolution = 600.0;
  int colorMode = 2;
  bool smoothing = false;
  // The never-offered vector/bitmap choice; it changes no output of the two
  // export types.
  bool vectorMode = true;
};

// Exports the given entry (the caller's file name), or all entries.
bool ExportDrawing(cDrawingDoc& document, const DRect& view, const WString& fileName, const ExportOptions& options,
                   ExportShell& shell);

// One page entry to one file. The view rectangle counts only when a page was
// given and the whole-page flag is off ("Actual tile").
bool ExportPage(const WString& fileName, int exportType, cDrawingDoc& document, const DRect* view, bool wholePage,
                bool pageGiven, std::uint32_t entry, const std::uint8_t* filter, double resolution, int colorMode,
                bool smoothing, ExportShell& shell);

// The error box of string 18138 with the document's display name as caption.
void ShowScaleNotSetError(const cMsgDlg* owner, const cDrawingDoc& document);

}  // namespace kvn
