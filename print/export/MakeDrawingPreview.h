// A drawing rendered into a picture that fits a box: the File-Open dialog's
// preview, and the samples of SHX text styles.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/TDib.h"

namespace kvn {

class cBlock;
class cDrawing;
class cDrawingData;

struct PreviewOptions {
  bool allowTurn = false;   // a drawing of the other orientation is turned to fill the box
  bool monochrome = false;  // 1 bit per pixel, else 8
  bool smoothing = true;
  std::int32_t background = -1;  // -1 white, else a COLORREF
  int margin = 0;                // pixels left free on every side
};

// The drawing's extent scaled to fill `width` x `height` less the margins
// (at least 4 x 4); null for an empty, infinite or NaN extent.
std::unique_ptr<TDib> MakeDrawingPreview(const cDrawing& drawing, cDrawingData* data, cBlock* top, int width,
                                         int height, const PreviewOptions& options);

}  // namespace kvn
