// The print preview apart from its windows: the resolution the pages are
// rendered at, which pages have content, the page shown for an index, the
// scroll ranges and the page view's place in both fit modes, the rendering
// of one page into bands, and the painting of a page view (the sheet, its
// unprintable margins, the printed area's dotted lines and the bands).
// print/dialogs/PrintPreview.h builds the preview's windows on these.
#pragma once

#include "platform/gdi/GdiTypes.h"

namespace kvn {

class APXPrintOut;
class MyPrinterDataStruct__;
class ProgressMonitor;
class TDC;
class TMyPrintOut;

// Lowers the record's resolutions so that the larger one is no finer than a
// page that fills the larger side of the window needs.
void CapPreviewResolution(MyPrinterDataStruct__& record, int windowWidth, int windowHeight);

// The pages of the print-out's range that have content, counted under the
// monitor (may be null); `currentPage` is clamped into the range first.
// `startIndex` is the index of the current page among the counted ones, 0
// when it has none. False when cancelled.
struct PreviewPages {
  int count = 0;
  int startIndex = 0;
};
bool CountPreviewPages(TMyPrintOut& printOut, int currentPage, ProgressMonitor* monitor, PreviewPages& pages);

// The page number (from 1) of the index-th page with content (from 0); 1
// when there is no such page.
int PreviewPageOfIndex(TMyPrintOut& printOut, int index);

// Paper height / paper width; 1.0 when either is not usable.
double PreviewAspect(const MyPrinterDataStruct__& record);

// The scroller's ranges in 16-pixel units, for a window of that size and a
// screen of dpiX x dpiY.
struct PreviewScrollRanges {
  int horizontal = 0;
  int vertical = 0;
};
PreviewScrollRanges ComputePreviewScrollRanges(int windowWidth, int windowHeight, double aspect, int dpiX, int dpiY);

// The page view's rectangle inside a layout area of clientWidth x
// clientHeight: fit width (the page as wide as the area, 6 pixels in) or
// fit page (as high as the area).
TRect PreviewFitRect(bool fitWidth, int clientWidth, int clientHeight, double aspect);

// Renders page `page` of the print-out into its preview bands (the bands of
// the previous page and their files go first). False when cancelled or
// when the page failed.
bool RenderPreviewPage(APXPrintOut& printOut, int page, ProgressMonitor* monitor);

// Where the parts of the sheet lie on a page view of width x height pixels.
struct PreviewSheetLayout {
  TRect printed;    // the printed area (position, format x scale)
  TRect printable;  // the printer's printable area
  TSize windowExt;  // printer dots of the printable area (at the larger resolution)
  TSize viewportExt;
  bool dottedLines = true;  // false when the printed area is the whole view
};
PreviewSheetLayout LayoutPreviewSheet(const MyPrinterDataStruct__& record, int width, int height);

// Paints the page view: white sheet, the page's bands when `ready`, grey
// unprintable margins, the printed area's red dotted lines. `paint` is the
// part to paint, in view pixels.
void PaintPreviewSheet(TDC& dc, APXPrintOut& printOut, bool ready, int width, int height, const TRect& paint);

}  // namespace kvn
