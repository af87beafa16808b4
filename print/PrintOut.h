// The print-out: which print pages a drawing has (drawing pages times tiles,
// or one page for a chosen area), which of them have content, how large the
// drawing is printed, and how one print page is put onto a printer device
// context, as vector output of the sheet painter or as a grid of raster
// bands. The print job and the preview drive it through TMyPrintOut; for
// the preview the bands are kept as page images instead of being sent.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/TDib.h"
#include "print/PageImageStrip.h"
#include "print/PrinterData.h"

namespace kvn {

class ProgressMonitor;
class PrinterInfo;
class TDC;
class cDrawing;

// One captured band of a page image: its device rectangle and its picture.
struct PageImageBand {
  TRect rect;
  TDib dib;
};

// One page rendered without a device (the preview's pages).
struct PageImage {
  double width = 0, height = 0;  // pixels
  double resolutionX = 0, resolutionY = 0;
  std::vector<PageImageBand> bands;
};

// Band size of the raster road, in pixels.
inline constexpr std::int32_t kPrintBandSize = 1000;

// The print-out interface the job and the preview use.
class TMyPrintOut {
 public:
  TMyPrintOut() = default;
  virtual ~TMyPrintOut() = default;
  TMyPrintOut(const TMyPrintOut&) = delete;
  TMyPrintOut& operator=(const TMyPrintOut&) = delete;

  // Puts page `page` (from 1) on the device. False when cancelled or when
  // the page failed (pageFailed then tells which).
  virtual bool PrintPage(TDC* dc, int page, bool capture, std::uint8_t* out, ProgressMonitor* monitor, int done,
                         int total, bool useFilter, bool noDevice, int reserved);
  virtual bool HasPage(int page);

  WString documentName;  // at most 128 characters
  int lastPage = 0;
  int firstPage = 0;
  int collatedSets = 1;
  int pageNumber = -1;
  int pageCount = 0;
  PrinterInfo* printer = nullptr;
  std::vector<PageImage> pageImages;
  // The preview's bands of the page rendered last, in temporary files; a
  // capture puts its bands here instead of into pageImages while this is on.
  std::vector<PageImageStrip> strips;
  bool captureStrips = false;
  bool recordComplete = false;
  MyPrinterDataStruct__* record = nullptr;
  // Set by PrintPage when it returned false for a failure rather than a
  // cancel: the job then reports an error, not "Printing canceled".
  bool pageFailed = false;
  // With pageFailed: the page could not be held in memory (the job reports
  // "Out of memory").
  bool pageOutOfMemory = false;
  // The print-out was cancelled before it was printed: it prints nothing.
  bool cancelled = false;
};

// Colour mode -> bits per pixel and the monochrome flag (0 black and white,
// 1 grey, 2 colour, 3 sixteen colours, 4 256 colours; else colour).
void PrintColorModeBits(int colorMode, std::uint8_t& bits, std::uint8_t& monochrome);

// Arguments of the print-out, in the order the print dialog gives them.
struct PrintOutOptions {
  const std::uint8_t* objectFilter = nullptr;
  std::uint16_t currentPage = 0;
  PrinterInfo* printer = nullptr;
  int colorMode = 2;
  std::uint8_t pdfVector = 0;
  double minLineWidthMm = 0;
  double printScale = 0;  // 0: fit to the page
  DRect printArea;        // all zero: pages and tiles
  std::uint8_t autoRotate = 1;
  double margins[4] = {0, 0, 0, 0};  // left, top, right, bottom mm
  double areaMargin = 0;
  std::uint8_t halfResolution = 0;
  std::uint8_t only24Bit = 0;
  std::uint8_t colorManagement = 0;
  std::uint8_t vectorMode = 0;
  std::uint8_t noCompression = 0;
  std::uint8_t decompose = 0;
};

class APXPrintOut : public TMyPrintOut {
 public:
  APXPrintOut(cDrawing& drawing, const PrintOutOptions& options);
  ~APXPrintOut() override;

  bool PrintPage(TDC* dc, int page, bool capture, std::uint8_t* out, ProgressMonitor* monitor, int done, int total,
                 bool useFilter, bool noDevice, int reserved) override;
  bool HasPage(int page) override;

  MyPrinterDataStruct__Kvn& Record() { return record_; }
  const MyPrinterDataStruct__Kvn& Record() const { return record_; }
  double ScaleFactor() const { return scaleFactor_; }
  const PrintOutOptions& Options() const { return options_; }
  bool HasPrintArea() const { return !options_.printArea.IsZero(); }
  // 2 unknown, 1 content, 0 empty or excluded.
  std::uint8_t PageState(int page) const;
  // Leaves page `page` (from 1) out of the print (the dialog's selection).
  void DropPage(int page);

  // The semi-transparent-element flag the painter sets on vector pages.
  std::uint8_t transparencyWarning = 0;
  // Vector pages printed as pictures instead, because the printer's
  // document would have kept more of them than the process may hold (the
  // print command tells the user once, kStrPagesPrintedAsPictures).
  int vectorPagesAsPictures = 0;

  // Where print page `page` (from 1) lies: its rectangle in drawing units,
  // the tile origin and the drawing page.
  struct PagePlace {
    DRect rect;
    DPoint origin;
    std::uint16_t drawingPage = 0;
  };
  PagePlace PlaceOfPage(int page) const;
  // Pixels per drawing unit at `dpi`.
  double PixelsPerUnit(double dpi) const;
  // Draws the preview's bands that meet `clip` (logical units: dots of the
  // printed area at the larger resolution) at the printed area's position.
  void PaintStrips(TDC& dc, const TRect& clip);

 private:
  enum class VectorPage { Printed, Failed, TooLarge, Cancelled };
  VectorPage PrintVector(TDC* dc, const PagePlace& place, double dpi, std::int32_t minLinePx, bool useFilter,
                         bool noDevice);
  bool PrintRaster(TDC* dc, const PagePlace& place, double dpi, int divisor, std::int32_t minLinePx,
                   bool capture, ProgressMonitor* monitor, int done, int total, bool useFilter, bool noDevice,
                   bool pngPassThrough);

  cDrawing& drawing_;
  PrintOutOptions options_;
  MyPrinterDataStruct__Kvn record_;
  double scaleFactor_ = 1.0;
  std::vector<std::uint8_t> pageStates_;
};

// No object of the drawing page prints: false for an unpaged drawing or one
// without pages; true beyond the pages, for a page excluded from printing
// and for a page without a visible, printable object.
bool IsPrintPageEmpty(cDrawing& drawing, int drawingPage);
// Some visible, printable object on the page overlaps the rectangle strictly.
bool RectHasPrintableContent(cDrawing& drawing, const DRect& rect, int drawingPage);

}  // namespace kvn
