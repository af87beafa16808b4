// The Format page of the drawing parameters kept apart from its window:
// the values it shows, how they are stored back into the drawing (formats
// without a side, margins wider than the format, overlap above a third of
// the format, a zero scale), the three Estimate buttons, and the paper
// applied to the page. The sheet (app/ParametersSheet.cpp) binds its
// controls to these values.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "print/PaperTable.h"

namespace kvn {

class cDrawing;

struct FormatPageValues {
  double scaleField = 0;  // 1 / drawing scale; 0 for no scale
  int scaleSet = 0;
  double printerScale = 100;  // percent
  int defineArea = 0;
  // "Main drawing area": the format (margins included), 190 x 277 when
  // the drawing has none.
  PaperSizeMm paperFormat{190, 277};
  DPoint margins;  // the page's margin pair
  DPoint origin;
  int tiled = 0;
  double tilesX = 1, tilesY = 1;
  double overlap = 0;
  int paperGiven = 0;
  double paperId = 0;
  int locationGiven = 0;
  double locationX = 0, locationY = 0;
};

// The page's values for the drawing (its set-up).
FormatPageValues LoadFormatPage(const cDrawing& drawing, double drawingScale);

// Stores the values into the drawing, in the order of the store rules.
// `shownScaleField` is the scale field's value at set-up; `newScale` gets
// the drawing scale to use. True when the scale changed (by more than
// 2^-23).
bool StoreFormatPage(const FormatPageValues& values, double shownScaleField, cDrawing& drawing, double oldScale,
                     double& newScale);

// "Estimate" of the scale: the value for the scale field (1 / s), 0 when the
// extent is empty.
double EstimateScaleField(const DRect& extent);
// "Estimate" of the origin.
DPoint EstimateOrigin(const DRect& extent, double scaleField, double printerScale);
// "Estimate" of the tile counts.
void EstimateTiles(const DRect& extent, const DPoint& origin, const PaperSizeMm& paperFormat, const DPoint& margins,
                   double scaleField, int& tilesX, int& tilesY);

// A paper of size `paper` and margins `margins` applied to the page, for the
// drawing's extent (without a format) or printable area (with one); the
// default margins are the printer list's.
void ApplyPaper(FormatPageValues& values, const cDrawing& drawing, bool turn, PaperSizeMm paper, DPoint margins);

// The largest side of the extent over 277 mm, as a scale of 10^n or
// 5 x 10^n (the print layout dialog's Estimate).
double EstimateLayoutScale(double largestSide);

}  // namespace kvn
