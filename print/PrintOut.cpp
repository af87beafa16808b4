#include "print/PrintOut.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "model/LevelTable.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/print/PrintDC.h"
#include "render/DrawInfo.h"
#include "render/InsertChildList.h"
#include "render/SheetPainter.h"

namespace kvn {

namespace {

constexpr int kMaxPrintNameLength = 128;
// A page's record flag: the page is not printed.
constexpr std::uint8_t kPageNotPrintable = 0x01;
// More print pages than this are not made: tiles and pages of a damaged
// drawing could otherwise ask for billions.
constexpr std::int64_t kMaxPrintPages = 1 << 20;

bool LevelPrints(LevelTable& levels, std::uint16_t index) {
  const LevelRecord* level = levels.GetLevel(index);
  return level->visible && level->printable;
}

// The object, or for an insert any of its children, is on a visible and
// printable level. An insert up to date answers from the levels its last
// expansion measured, without expanding again.
bool ObjectLevelPrints(LevelTable& levels, const cOutObj& object) {
  if (const cInsert* insert = object.AsInsert()) {
    for (const ChildLevelExtent& e : insert->ChildExtents()) {
      if (LevelPrints(levels, e.level)) return true;
    }
    return false;
  }
  if (const InsertChildList* insert = AsInsertChildList(object)) {
    for (cOutObj* child : insert->GetChildren()) {
      if (child && LevelPrints(levels, child->Level())) return true;
    }
    return false;
  }
  return LevelPrints(levels, object.Level());
}

bool Overlaps(const DRect& a, const DRect& b) { return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2; }

double PositiveOrOneScale(double v) { return v > 0 ? v : 1.0; }

}  // namespace

bool TMyPrintOut::PrintPage(TDC*, int, bool, std::uint8_t*, ProgressMonitor*, int, int, bool, bool, int) {
  return true;
}

bool TMyPrintOut::HasPage(int) { return false; }

void PrintColorModeBits(int colorMode, std::uint8_t& bits, std::uint8_t& monochrome) {
  monochrome = 0;
  switch (colorMode) {
    case 0: bits = 1, monochrome = 1; break;
    case 1: bits = 8, monochrome = 1; break;
    case 3: bits = 4; break;
    case 4: bits = 8; break;
    default: bits = 24; break;
  }
}

bool IsPrintPageEmpty(cDrawing& drawing, int drawingPage) {
  if (drawing.PageCount() == 0) return false;
  if (drawingPage < 0 || std::uint32_t(drawingPage) >= drawing.PageCount()) return true;
  if (drawing.GetPage(std::uint32_t(drawingPage))->kind & kPageNotPrintable) return true;
  cDrawingData* data = drawing.Data();
  if (!data || !drawing.TopBlock()) return true;
  for (cOutObj* o = drawing.TopBlock()->FirstObject(); o; o = o->next) {
    if (o->HasFlag(kFlagHidden)) continue;
    if (!IsObjectOnCurrentPage(nullptr, *o, drawing, std::uint16_t(drawingPage))) continue;
    UpdateExtents(*o, data);
    if (ObjectLevelPrints(data->Levels(), *o)) return false;
  }
  return true;
}

bool RectHasPrintableContent(cDrawing& drawing, const DRect& rect, int drawingPage) {
  cDrawingData* data = drawing.Data();
  if (!data || !drawing.TopBlock()) return false;
  for (cOutObj* o = drawing.TopBlock()->FirstObject(); o; o = o->next) UpdateExtents(*o, data);
  if (!Overlaps(rect, drawing.GetExtent())) return false;
  const bool pageTest = drawing.PageCount() > 1;
  LevelTable& levels = data->Levels();
  for (cOutObj* o = drawing.TopBlock()->FirstObject(); o; o = o->next) {
    if (pageTest && !IsObjectOnCurrentPage(nullptr, *o, drawing, std::uint16_t(drawingPage))) continue;
    if (o->HasFlag(kFlagHidden)) continue;
    o->UpdateIfDirty(data);
    DRect extent;
    if (InsertChildList* insert = AsInsertChildList(*o)) {
      // A child on a printed level can meet the rectangle only where its
      // level's extent does: an insert none of whose printed levels meets it
      // is passed by without being expanded.
      bool held = true;
      if (const cInsert* measured = o->AsInsert()) {
        const std::span<const ChildLevelExtent> levelExtents = measured->ChildExtents();
        if (std::none_of(levelExtents.begin(), levelExtents.end(), [&](const ChildLevelExtent& e) {
              return LevelPrints(levels, e.level) && Overlaps(e.extent, rect);
            })) {
          continue;
        }
        held = measured->HoldsChildren();
      }
      bool meets = false;
      for (cOutObj* child : insert->GetChildren()) {
        if (!child || !LevelPrints(levels, child->Level())) continue;
        if ((meets = Overlaps(child->GetFullExtent(data, extent), rect))) break;
      }
      // Children made again only for this test go again.
      if (!held) insert->DropChildren();
      if (meets) return true;
    } else if (LevelPrints(levels, o->Level()) && Overlaps(o->GetFullExtent(data, extent), rect)) {
      return true;
    }
  }
  return false;
}

APXPrintOut::APXPrintOut(cDrawing& drawing, const PrintOutOptions& options)
    : drawing_(drawing), options_(options), record_(drawing) {
  record = &record_;
  printer = options.printer;
  scaleFactor_ = options.printScale != 0 ? options.printScale : 1.0;
  record_.fit = options.printScale == 0 ? 1 : 0;

  // Extents are taken from derived geometry: bring it up to date once.
  if (drawing.Data() && drawing.TopBlock()) {
    for (cOutObj* o = drawing.TopBlock()->FirstObject(); o; o = o->next) UpdateExtents(*o, drawing.Data());
  }

  // The printed size of one print page, in paper millimetres.
  const double dataScale = drawing.Data() ? drawing.Data()->Scale() : 1.0;
  double width = 0, height = 0;
  if (!HasPrintArea() && !drawing.HasNoFormat()) {
    drawing.GetPrintableSize(width, height);
    width /= PositiveOrOneScale(dataScale);
    height /= PositiveOrOneScale(dataScale);
    if (drawing.tiles.x > 1.0 || drawing.tiles.y > 1.0) {
      width += 2 * drawing.tileOverlap;
      height += 2 * drawing.tileOverlap;
    }
  } else if (!HasPrintArea()) {
    const DRect extent = drawing.GetExtent();
    width = extent.Width();
    height = extent.Height();
    if (dataScale != 0) {
      width /= PositiveOrOneScale(dataScale);
      height /= PositiveOrOneScale(dataScale);
    }
  } else {
    double grow = options.minLineWidthMm / 2 + options.areaMargin;
    const DRect& area = options.printArea;
    if (dataScale == 0) {
      const double most = std::max(area.Width(), area.Height());
      if (most != 0) grow *= most / 287.0;
    } else {
      grow *= dataScale;
    }
    options_.printArea.Inflate(grow, grow);
    width = options_.printArea.Width() / PositiveOrOneScale(dataScale);
    height = options_.printArea.Height() / PositiveOrOneScale(dataScale);
  }
  const double percent = drawing.printScale > 0 ? drawing.printScale : 100.0;
  record_.formatWidth = width * scaleFactor_ * percent / 100.0;
  record_.formatHeight = height * scaleFactor_ * percent / 100.0;

  // The printer fills the rest of the record: resolution, offsets, set-up
  // and the place of the printed image on the paper.
  record_.requestedPaperId = drawing.paperId != 0 && printer ? drawing.paperId : -1;
  record_.colorModeIndex = options.colorMode;
  record_.marginLeft = options.margins[0];
  record_.marginTop = options.margins[1];
  record_.marginRight = options.margins[2];
  record_.marginBottom = options.margins[3];
  record_.autoRotate = options.autoRotate;
  record_.colorManagement = options.colorManagement;
  record_.fitToPaper = 1;
  record_.Update(printer);
  recordComplete = true;

  // Print pages: tiles times drawing pages, or one page for an area.
  if (!HasPrintArea()) {
    int across = 1, down = 1;
    drawing.GetTileCounts(across, down);
    std::int64_t count = std::int64_t(std::max(across, 1)) * std::max(down, 1);
    if (drawing.PageCount() > 0) count *= drawing.PageCount();
    count = std::min(count, kMaxPrintPages);
    pageStates_.assign(std::size_t(count), 2);
    std::map<int, bool> emptyPages;
    for (std::int64_t i = 0; i < count; ++i) {
      const int drawingPage = drawing.GetPageTileRect(int(i)).page;
      auto it = emptyPages.find(drawingPage);
      if (it == emptyPages.end()) it = emptyPages.emplace(drawingPage, IsPrintPageEmpty(drawing, drawingPage)).first;
      if (it->second) pageStates_[std::size_t(i)] = 0;
    }
    lastPage = pageCount = int(count);
  } else {
    pageStates_.assign(1, 2);
    lastPage = pageCount = 1;
  }

  if (cDrawingDoc* document = drawing.Document()) {
    documentName = document->GetTitleName();
    if (document->SheetCount() > 1 && !drawing.name.IsEmpty()) documentName.AppendCStr(u" - ").Append(drawing.name);
  }
  if (documentName.Length() > kMaxPrintNameLength) documentName = documentName.Mid(0, kMaxPrintNameLength);

  firstPage = 1;
  collatedSets = 1;
  PrintColorModeBits(options.colorMode, record_.bitsPerPixel, record_.monochrome);
}

APXPrintOut::~APXPrintOut() = default;

std::uint8_t APXPrintOut::PageState(int page) const {
  return page >= 1 && std::size_t(page) <= pageStates_.size() ? pageStates_[std::size_t(page - 1)] : 0;
}

void APXPrintOut::DropPage(int page) {
  if (page >= 1 && std::size_t(page) <= pageStates_.size()) pageStates_[std::size_t(page - 1)] = 0;
}

APXPrintOut::PagePlace APXPrintOut::PlaceOfPage(int page) const {
  PagePlace place;
  if (HasPrintArea()) {
    place.rect = options_.printArea;
    place.origin = {place.rect.x1, place.rect.y1};
    place.drawingPage = options_.currentPage;
    return place;
  }
  const PageTile tile = drawing_.GetPageTileRect(page - 1);
  place.drawingPage = std::uint16_t(std::clamp(tile.page, 0, 0xFFFF));
  if (drawing_.HasNoFormat()) {
    // Without a format the page is the drawing's extent, as its printed
    // size is.
    place.rect = drawing_.GetExtent();
    place.origin = {place.rect.x1, place.rect.y1};
  } else {
    place.rect = tile.rect;
    place.origin = tile.origin;
  }
  return place;
}

bool APXPrintOut::HasPage(int page) {
  if (page < firstPage || page > lastPage || page - 1 >= int(pageStates_.size()) || page < 1) return false;
  std::uint8_t& state = pageStates_[std::size_t(page - 1)];
  if (state == 2) {
    state = 0;
    const PagePlace place = PlaceOfPage(page);
    if (HasPrintArea() || !IsPrintPageEmpty(drawing_, place.drawingPage)) {
      if (RectHasPrintableContent(drawing_, place.rect, place.drawingPage)) state = 1;
    }
  }
  return state != 0;
}

double APXPrintOut::PixelsPerUnit(double dpi) const {
  const double percent = drawing_.printScale > 0 ? drawing_.printScale : 100.0;
  const double dataScale = drawing_.Data() ? PositiveOrOneScale(drawing_.Data()->Scale()) : 1.0;
  return record_.scale * dpi / 25.4 * scaleFactor_ * percent / dataScale / 100.0;
}

bool APXPrintOut::PrintPage(TDC* dc, int page, bool capture, std::uint8_t* out, ProgressMonitor* monitor, int done,
                            int total, bool useFilter, bool noDevice, int) {
  if (out) *out = 1;
  pageFailed = false;
  pageOutOfMemory = false;
  const PagePlace place = PlaceOfPage(page);

  bool raster = !options_.vectorMode;
  bool png = false;
  if (dc) {
    const std::uint8_t query[4] = {std::uint8_t(kCheckPngFormat & 0xFF), std::uint8_t(kCheckPngFormat >> 8), 0, 0};
    png = dc->ExtEscape(kQueryEscSupport, 4, query, 0, nullptr) > 0;
    if (!(dc->GetDeviceCaps(kCapRasterCaps) & kRcStretchDib)) raster = false;
  }
  const int divisor = raster && options_.halfResolution && !capture && dc ? 2 : 1;
  const int most = std::max(record_.resolutionX, record_.resolutionY);
  const double dpi = double(most) / divisor;
  if (!capture && dc && record_.resolutionX != record_.resolutionY) {
    // Square logical units at the finer resolution.
    dc->SetWindowExt(most, most);
    dc->SetViewportExt(record_.resolutionX, record_.resolutionY);
  }
  const std::int32_t minLinePx =
      std::max<std::int32_t>(1, std::int32_t(std::floor(dpi * options_.minLineWidthMm / 25.4 + 0.5)));

  if (!raster && !capture) {
    switch (PrintVector(dc, place, dpi, minLinePx, useFilter, noDevice)) {
      case VectorPage::Printed: return true;
      case VectorPage::Failed:
      case VectorPage::Cancelled: return false;
      case VectorPage::TooLarge: ++vectorPagesAsPictures; break;
    }
  }
  return PrintRaster(dc, place, dpi, divisor, minLinePx, capture, monitor, done, total, useFilter, noDevice, png);
}

APXPrintOut::VectorPage APXPrintOut::PrintVector(TDC* dc, const PagePlace& place, double dpi,
                                                 std::int32_t minLinePx, bool useFilter, bool noDevice) {
  if (!dc && !noDevice) return VectorPage::Printed;
  cDrawingData* data = drawing_.Data();
  if (!data || !drawing_.TopBlock()) return VectorPage::Printed;
  TDC* target = noDevice ? nullptr : dc;
  const double ppu = PixelsPerUnit(dpi);
  const double originX = dpi * (record_.positionX - record_.printableOffsetX) / 25.4 - place.origin.x * ppu;
  const double originY = dpi * (record_.positionY - record_.printableOffsetY) / 25.4 - place.origin.y * ppu;
  if (!std::isfinite(ppu) || !(ppu > 0) || !std::isfinite(originX) || !std::isfinite(originY)) {
    pageFailed = true;
    return VectorPage::Failed;
  }
  DeviceRect page{RoundSubpixel(place.rect.x1 * ppu + originX), RoundSubpixel(place.rect.y1 * ppu + originY),
                  RoundSubpixel(place.rect.x2 * ppu + originX), RoundSubpixel(place.rect.y2 * ppu + originY)};
  if (target) {
    TPoint corners[2] = {{page.left, page.top}, {page.right, page.bottom}};
    target->LPtoDP(corners, 2);
    const TRegion region(TRect{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                               std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)});
    if (target->SelectClipRgn(&region) == kRegionError) return VectorPage::Printed;
  }
  WorldMapping mapping;
  mapping.outputMode = OutputMode::DirectPrinter;
  mapping.printerFlag = 1;
  mapping.scale = ppu / 4;
  mapping.originX = originX;
  mapping.originY = originY;
  mapping.lineWidthFactor = minLinePx * 256;
  mapping.SetDeviceClip(DeviceRect{page.left - 1, page.top - 1, page.right + 1, page.bottom + 1});
  auto paint = [&] {
    cDrawInfo info(mapping, data, target, nullptr);
    info.options.outlineText = options_.decompose;
    info.options.solidPen = options_.decompose;
    info.options.printerBitDepth = record_.bitsPerPixel == 1 ? 1 : 24;
    info.options.keepUncompressed = options_.noCompression;
    info.options.trueColor = options_.only24Bit;
    info.colorMode = record_.monochrome ? (record_.bitsPerPixel == 1 ? kColorModeBlackWhite : kColorModeGrey)
                                        : kColorModeColor;
    info.printRecord = &page;
    info.outputMarker = &transparencyWarning;
    PaintChainOptions chain;
    chain.filter = useFilter ? options_.objectFilter : nullptr;
    chain.levelColorsWhenPrinting = drawing_.pageFlags[0] != 0;
    chain.pageColorsWhenPrinting = drawing_.pageFlags[1] != 0;
    PaintObjectChain(&data->Levels(), data, drawing_.TopBlock(), &drawing_, place.drawingPage, info, chain);
  };
  // The printer's document keeps the page until it ends, outside the
  // counting heap. The page is painted first only to count what it would
  // keep: one that would take the process past what it may hold goes by the
  // raster road, whose bands are bounded whatever the page holds.
  auto* printer = dynamic_cast<TPrintDC_*>(target);
  if (printer) {
    // Only the page that is drawn marks a semi-transparent area.
    const std::uint8_t marked = transparencyWarning;
    printer->ResetOutput();
    printer->SetReach(CairoDC::Reach::CountOnly);
    paint();
    printer->SetReach(CairoDC::Reach::Surface);
    transparencyWarning = marked;
    if (printer->Aborted()) {
      target->SelectClipRgn(nullptr);
      return VectorPage::Cancelled;
    }
    if (!TPrintDC_::PageFits(printer->Output())) {
      target->SelectClipRgn(nullptr);
      return VectorPage::TooLarge;
    }
  }
  if (printer) {
    printer->SetPageWatch(true);
    printer->DropPageGroup();
  }
  paint();
  if (printer) printer->SetPageWatch(false);
  if (target) target->SelectClipRgn(nullptr);
  // The job's abort procedure stopped the page part-way.
  if (target && target->Aborted()) return VectorPage::Cancelled;
  // What the count missed and the memory watch caught: what was kept of the
  // page cannot be taken back, so the print stops.
  if (printer && printer->PageOverflowed()) {
    pageFailed = true;
    pageOutOfMemory = true;
    return VectorPage::Failed;
  }
  return VectorPage::Printed;
}

}  // namespace kvn
