#include "print/export/MakeDrawingPreview.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "document/cDrawing.h"
#include "foundation/DRect.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "print/export/RenderSheetToDib.h"
#include "render/DibConversion.h"

namespace kvn {

std::unique_ptr<TDib> MakeDrawingPreview(const cDrawing& drawing, cDrawingData* data, cBlock* top, int width,
                                         int height, const PreviewOptions& options) {
  if (!top || !data) return nullptr;
  ExtentFilter filter;
  filter.drawingPages = int(drawing.PageCount());
  const std::uint16_t page = 0;
  if (drawing.PageCount() >= 2) filter.page = &page;
  DRect extent;
  top->GetFilteredExtent(filter, data, extent);
  const double ew = extent.x2 - extent.x1, eh = extent.y2 - extent.y1;
  if (!std::isfinite(ew) || !std::isfinite(eh) || !(ew > 0) || !(eh > 0)) return nullptr;

  int w = std::max(width - 2 * options.margin, 4), h = std::max(height - 2 * options.margin, 4);
  // A wide drawing in a tall box (or the other way round) fills more of it
  // turned a quarter.
  const bool turn = options.allowTurn && ((ew > eh) != (w > h)) && w != h;
  if (turn) std::swap(w, h);
  const double scale = std::max(ew / w, eh / h);
  if (!(scale > 0) || !std::isfinite(scale)) return nullptr;
  // At this resolution one drawing unit (of scale 1) is 1 / scale pixels.
  const double resolution = 101.6 / (4.0 * scale);
  std::unique_ptr<TDib> picture =
      RenderSheetToDib(&data->Levels(), data, top, nullptr, 1.0, options.monochrome ? 1 : 8, resolution, nullptr,
                       &drawing, page, options.monochrome, options.background, options.smoothing, false,
                       options.margin);
  if (picture && turn) picture = RotateDib90(*picture, 1);
  return picture;
}

}  // namespace kvn
