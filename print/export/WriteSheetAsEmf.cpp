#include "print/export/WriteSheetAsEmf.h"

#include <algorithm>
#include <cmath>

#include "document/cDrawing.h"
#include "foundation/WaitCursor.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "platform/gdi/MetafileDC.h"
#include "print/TileAtPoint.h"
#include "print/export/ExportFile.h"
#include "render/DrawInfo.h"
#include "render/SheetPainter.h"

namespace kvn {

namespace {

std::int32_t Whole(double v) { return std::int32_t(std::floor(v + 0.5)); }

}  // namespace

bool ComputeEmfGeometry(const DRect& area, double scale, double resolution, EmfExportGeometry* out) {
  if (!(scale > 0.0) || !(resolution > 0.0) || !std::isfinite(scale) || !std::isfinite(resolution)) return false;
  EmfExportGeometry g;
  g.k = resolution / 101.6 / scale;
  g.area = area;
  g.area.Normalize();
  g.area.Inflate(0.5 * g.k, 0.5 * g.k);
  const double side = std::max(g.area.Width(), g.area.Height());
  if (!std::isfinite(side)) return false;
  if (4.0 * g.k * side > kMaxMetafileDeviceSide) g.k *= kMaxMetafileDeviceSide / (4.0 * g.k * side);
  g.width = std::max(1, Whole(4.0 * g.k * g.area.Width()));
  g.height = std::max(1, Whole(4.0 * g.k * g.area.Height()));
  g.widthMm = std::max(1, Whole(g.area.Width() / scale));
  g.heightMm = std::max(1, Whole(g.area.Height() / scale));
  *out = g;
  return true;
}

bool RecordSheetAsEmf(const cDrawing& drawing, const DRect* view, double resolution, const std::uint8_t* filter,
                      std::uint16_t page, ByteArray& out, EmfExportGeometry* geometry) {
  cDrawingData* data = drawing.Data();
  cBlock* top = drawing.TopBlock();
  if (data == nullptr || top == nullptr) return false;
  const double scale = data->Scale();
  if (scale == 0.0) return false;
  WaitCursor wait;

  DRect area;
  ExtentFilter extentFilter;
  extentFilter.drawingPages = int(drawing.PageCount());
  extentFilter.page = &page;
  extentFilter.classFilter = filter;
  top->GetFilteredExtent(extentFilter, data, area);
  if (view != nullptr) ClipToViewTile(area, *view, drawing);
  EmfExportGeometry g;
  if (!ComputeEmfGeometry(area, scale, resolution, &g)) return false;
  if (geometry != nullptr) *geometry = g;

  MetafileDC dc(MetafileFrame{0, 0, g.widthMm * 100, g.heightMm * 100}, TSize{g.width, g.height},
                TSize{g.widthMm, g.heightMm});
  dc.SetMapMode(kMmAnisotropic);
  {
    WorldMapping mapping;
    mapping.outputMode = OutputMode::Metafile;
    mapping.scale = g.k;
    mapping.originX = -g.area.x1 * 4.0 * g.k;
    mapping.originY = -g.area.y1 * 4.0 * g.k;
    mapping.SetDeviceClip(DeviceRect{0, 0, g.width, g.height});
    cDrawInfo info(mapping, data, &dc, nullptr);
    PaintChainOptions options;
    options.filter = filter;
    options.levelColorsWhenPrinting = drawing.pageFlags[0] != 0;
    options.pageColorsWhenPrinting = drawing.pageFlags[1] != 0;
    options.overrideOn = true;
    PaintObjectChain(&data->Levels(), data, top, &drawing, page, info, options);
  }  // the context gives the device its objects back before the metafile closes
  return dc.Close(out);
}

bool WriteSheetAsEmf(const cDrawing& drawing, const WString& fileName, const DRect* view, double resolution,
                     const std::uint8_t* filter, std::uint16_t page, const cMsgDlg* owner) {
  ByteArray bytes;
  if (!RecordSheetAsEmf(drawing, view, resolution, filter, page, bytes)) return false;
  return WriteExportFile(fileName, {std::span<const std::uint8_t>(bytes.Items(), bytes.Count())}, owner);
}

}  // namespace kvn
