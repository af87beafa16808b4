// Section views: a window onto another sheet of the same document. The view
// makes turned copies of the source page's objects one at a time and draws
// each under a mapping that puts the source point on the anchor at the
// context's scale times the view's, clipped to the frame, before the next is
// made. Nothing is kept between paints: what a view shows is the source as
// it stands.
#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <memory>
#include <span>

#include "document/SectionSource.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/Geometry.h"
#include "model/KeptExpansions.h"
#include "model/LevelTable.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cPolygon.h"
#include "model/cSection.h"
#include "model/cText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SectionView.h"
#include "render/SheetPainter.h"

namespace kvn {

namespace {

DeviceRect Intersect(const DeviceRect& a, const DeviceRect& b) {
  return DeviceRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const DeviceRect& r) { return r.left >= r.right || r.top >= r.bottom; }

DeviceRect Normalized(DevicePoint a, DevicePoint b) {
  return DeviceRect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Whether the copy's extent meets the source rectangle: open on the far
// sides, so that a copy only touching the rectangle's right or bottom edge
// from outside is left out.
bool Overlaps(const DRect& e, const DRect& r) {
  return e.x1 < r.x2 && r.x1 <= e.x2 && e.x2 != r.x1 && e.y1 < r.y2 && r.y1 <= e.y2 && e.y2 != r.y1;
}

// Appends the chain at the tail and moves the tail to its last object.
void AppendAtTail(cOutObj**& tail, cOutObj* head) {
  while (head) {
    *tail = head;
    tail = &head->next;
    head = head->next;
  }
}

// Everything a view changes in a context, put back by the destructor in the
// reverse order.
class ViewContextScope {
 public:
  explicit ViewContextScope(cDrawInfo& info)
      : info_(info),
        mapping_(info.mapping),
        worldClip_(info.worldClip),
        printRecord_(info.printRecord),
        data_(info.data),
        override_(info.overrideColor) {}
  ~ViewContextScope() {
    info_.overrideColor = override_;
    info_.data = data_;
    info_.insideView = 0;
    if (TDC* dc = info_.Dc(); dc && dcClipSaved_) dc->SelectClipRgn(hadClip_ ? &savedClip_ : nullptr);
    if (info_.raster && surfaceClipSaved_) info_.raster->SetClip(surfaceClip_);
    info_.mapping = mapping_;
    info_.worldClip = worldClip_;
    info_.printRecord = printRecord_;
  }
  ViewContextScope(const ViewContextScope&) = delete;
  ViewContextScope& operator=(const ViewContextScope&) = delete;

  void SaveDcClip(TDC& dc) {
    hadClip_ = dc.GetClipRgn(&savedClip_) == 1;
    dcClipSaved_ = true;
  }
  void SaveSurfaceClip(const TRect& clip) {
    surfaceClip_ = clip;
    surfaceClipSaved_ = true;
  }
  bool HadClip() const { return hadClip_; }
  const TRegion& SavedClip() const { return savedClip_; }
  DeviceRect narrowedPrint;

 private:
  cDrawInfo& info_;
  WorldMapping mapping_;
  DRect worldClip_;
  const DeviceRect* printRecord_;
  cDrawingData* data_;
  std::int32_t override_;
  TRegion savedClip_;
  bool hadClip_ = false;
  bool dcClipSaved_ = false;
  TRect surfaceClip_{};
  bool surfaceClipSaved_ = false;
};

}  // namespace

cOutObj* CopyObjectForView(cOutObj& object, cDrawingData* data, const cOutObj* model) {
  if (object.AsWall() || object.AsLink() || object.AsDistance() || object.AsConPoint()) {
    // Joined and generated objects become their pieces, each copied alike.
    ObjectChain pieces = object.Explode(data);
    cOutObj* head = nullptr;
    cOutObj** tail = &head;
    for (cOutObj* piece = pieces.Head(); piece; piece = piece->next) {
      AppendAtTail(tail, CopyObjectForView(*piece, data, model));
    }
    return head;
  }
  // The copy keeps the style references (and their type bits), which the
  // view resolves in the source drawing's data while it draws.
  cOutObj* copy = cOutObj::Clone(object);
  if (!copy) return nullptr;
  if (cText* text = copy->AsText()) text->ExpandFieldsInSource(data, nullptr, nullptr);
  copy->SetFlag(kFlagSymbolFollows, false);
  if (model) {
    copy->SetLevel(model->Level());
    copy->CopyPages(*model);
    if (model->HasFlag(kFlagHidden)) copy->SetFlag(kFlagHidden);
  } else {
    copy->SetPage(0);
  }
  copy->next = nullptr;
  return copy;
}

void cSection::Recalc(cDrawingData* data) {
  derivedExtent = DRect{};
  if (!automaticFrame) return;
  derivedExtent = DRect{insertPoint.x, insertPoint.y, insertPoint.x, insertPoint.y};
  cDrawing* source = GetSectionSourceDrawing(*this, data);
  if (!source || !source->TopBlock()) return;
  cDrawingData* sourceData = source->Data();
  DRect all;
  bool first = true;
  for (cOutObj* o = source->TopBlock()->FirstObject(); o; o = o->next) {
    if (!IsObjectOnCurrentPage(nullptr, *o, *source, page)) continue;
    // An insert expanded to be measured lets its children go again: the
    // frame keeps no copies.
    cInsert* expanded = o->HasFlag(kFlagDirty) ? o->AsInsert() : nullptr;
    DRect e;
    o->GetFullExtent(sourceData, e);
    if (expanded) expanded->DropChildren();
    all.Union(e, first);
  }
  if (first || (all.x1 == 0.0 && all.y1 == 0.0 && all.x2 == 0.0 && all.y2 == 0.0)) return;
  const DPoint corners[4] = {{all.x1, all.y1}, {all.x2, all.y1}, {all.x2, all.y2}, {all.x1, all.y2}};
  bool firstPoint = true;
  for (DPoint p : corners) {
    p = {p.x - sourcePoint.x, p.y - sourcePoint.y};
    RotatePoint(p, DPoint{}, -angle);
    p = {p.x * scale + insertPoint.x, p.y * scale + insertPoint.y};
    derivedExtent.AddPoint(p, firstPoint);
  }
  derivedExtent.Normalize();
}

bool cSection::CopyObjectIntoView(cOutObj& object, cDrawing& source, std::int32_t levelCache[2],
                                  const DRect& sourceRect, const ViewCopySink& take) {
  if (object.HasFlag(kFlagHidden)) return true;
  cDrawingData* data = source.Data();
  const std::uint16_t level = object.Level();
  if (levelCache[0] != std::int32_t(level)) {
    bool shown = true;
    if (selectionPresent) {
      const cDrawingDoc* document = source.Document();
      const cSheet* sheet = document ? document->GetSheet(sheetIndex) : nullptr;
      if (sheet && sheet->isReference) {
        const LevelRecord* record = data ? data->Levels().FindLevel(level) : nullptr;
        shown = record && std::any_of(selectionNames.begin(), selectionNames.end(),
                                      [record](const WString& n) { return n.Equals(record->name); });
      } else {
        const std::uint16_t* values = selectionValues.Items();
        shown = std::find(values, values + selectionValues.Count(), level) != values + selectionValues.Count();
      }
    } else if (data) {
      shown = data->Levels().GetLevel(level)->visible != 0;
    }
    levelCache[0] = level;
    levelCache[1] = shown ? 1 : 0;
  }
  if (!levelCache[1]) return true;

  ObjectChain copies(CopyObjectForView(object, data, &object));
  TransformContext context;
  context.data = data;
  while (cOutObj* copy = copies.Release()) {
    // Release handed over the head only; the rest stays in `copies`.
    copies = ObjectChain(copy->next);
    copy->next = nullptr;
    std::unique_ptr<cOutObj> kept(copy);
    if (!kept->Rotate(context, sourcePoint, -angle)) {
      cAnyLine* line = kept->AsAnyLine();
      if (!line) continue;
      auto polygon = std::make_unique<cPolygon>();
      line->ToPolygon(*polygon);
      if (!polygon->Rotate(context, sourcePoint, -angle)) continue;
      kept = std::move(polygon);
    }
    DRect e;
    kept->GetFullExtent(data, e);
    if (!automaticFrame && !Overlaps(e, sourceRect)) continue;
    if (!take(std::move(kept))) return false;
  }
  return true;
}

void cSection::ForEachViewCopy(cDrawing& source, const ViewCopySink& take) {
  if (!source.TopBlock() || !(scale > 0)) return;
  const double w = std::fabs(framePoint.x - insertPoint.x) / scale;
  const double h = std::fabs(framePoint.y - insertPoint.y) / scale;
  const DRect sourceRect{sourcePoint.x - w * 0.5, sourcePoint.y - h * 0.5, sourcePoint.x + w * 0.5,
                         sourcePoint.y + h * 0.5};
  std::int32_t levelCache[2] = {-1, 0};
  // Drawn outside a sheet's paint, the view is a paint of its own.
  const KeptExpansions::Paint paint;
  for (cOutObj* o = source.TopBlock()->FirstObject(); o; o = o->next) {
    if (!IsObjectOnCurrentPage(nullptr, *o, source, page)) continue;
    if (cInsert* insert = o->AsInsert()) {
      // The insert's children are copied one at a time; the insert keeps
      // them, as the sheet painter's do, within the budget of the kept
      // expansions: the views of a layout over the same model expand each
      // placement once, not once per view. They are held while copied:
      // drawing a copy may report other inserts to the list.
      const KeptExpansions::Hold hold(*insert);
      const std::uint64_t heap = KeptExpansions::HeapNow();
      o->UpdateIfDirty(source.Data());
      const std::span<cOutObj* const> children = insert->GetChildren();
      bool more = true;
      for (cOutObj* child : children) {
        if (child && !(more = CopyObjectIntoView(*child, source, levelCache, sourceRect, take))) break;
      }
      KeptExpansions::Shared().Drawn(*insert, heap, children.size());
      if (!more) return;
      continue;
    }
    o->UpdateIfDirty(source.Data());
    if (!CopyObjectIntoView(*o, source, levelCache, sourceRect, take)) {
      return;
    }
  }
}

void cSection::BuildViewCache(cDrawing& source, cOutObj** tail, bool stopAtFirst) {
  if (!tail) return;
  ForEachViewCopy(source, [&](std::unique_ptr<cOutObj> copy) {
    AppendAtTail(tail, copy.release());
    return !stopAtFirst;
  });
}

void cSection::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden) || info->insideView || !info->data) return;
  TDC* dc = info->Dc();
  cRasterSurface* raster = info->raster;
  // The drawing window's scroll test draws with neither target.
  if (!dc && !raster) return;
  cDrawing* source = GetSectionSourceDrawing(*this, info->data);
  const cDrawing* primary = info->data->GetDrawing();
  if (!source || !primary || source == primary || !(scale > 0)) return;
  UpdateIfDirty(info->data);

  WorldMapping& m = info->mapping;
  DRect extent;
  GetExtent(extent);
  DeviceRect device = Normalized(WorldToDevice(m, {extent.x1, extent.y1}), WorldToDevice(m, {extent.x2, extent.y2}));
  // The pixels the extent covers: the far edge's pixel is inside (as a
  // clip, the rectangle's right and bottom are exclusive). Without it an
  // auto-sized view cuts the half pixel of its outermost strokes.
  if (device.right < INT32_MAX) ++device.right;
  if (device.bottom < INT32_MAX) ++device.bottom;
  const std::int32_t* c = m.clipCompanions;
  const bool companions = c[0] != 0 || c[1] != 0 || c[2] != 0 || c[3] != 0;
  device = Intersect(device, companions ? DeviceRect{c[0], c[1], c[2], c[3]} : m.deviceClip);
  if (IsEmpty(device)) return;

  const DevicePoint anchor =
      automaticFrame ? WorldToDevice(m, insertPoint)
                     : WorldToDevice(m, {(insertPoint.x + framePoint.x) * 0.5, (insertPoint.y + framePoint.y) * 0.5});
  ViewContextScope scope(*info);
  const double viewScale = m.scale * scale;
  m.offsetX = anchor.x;
  m.offsetY = anchor.y;
  m.scale = viewScale;
  m.originX = -sourcePoint.x * viewScale * 4;
  m.originY = -sourcePoint.y * viewScale * 4;
  m.SetDeviceClip(device);
  info->UpdateWorldClip();

  DeviceRect dcRect = device;
  if (dc) {
    scope.SaveDcClip(*dc);
    if (m.printerFlag) {
      TPoint corners[2] = {{device.left, device.top}, {device.right, device.bottom}};
      dc->LPtoDP(corners, 2);
      dcRect = Normalized({corners[0].x, corners[0].y}, {corners[1].x, corners[1].y});
    }
  }
  if (info->printRecord) {
    scope.narrowedPrint = Intersect(*info->printRecord, device);
    info->printRecord = &scope.narrowedPrint;
  }
  bool surfaceEmpty = false;
  if (raster) {
    const TRect current = raster->Clip();
    scope.SaveSurfaceClip(current);
    const TRect narrowed{std::max(device.left, current.left), std::max(device.top, current.top),
                         std::min(device.right, current.right), std::min(device.bottom, current.bottom)};
    surfaceEmpty = narrowed.left >= narrowed.right || narrowed.top >= narrowed.bottom;
    raster->SetClip(narrowed);
  }
  if (dc) {
    TRegion region(TRect{dcRect.left, dcRect.top, dcRect.right, dcRect.bottom});
    if (scope.HadClip()) region.Combine(region, scope.SavedClip(), kRgnAnd);
    dc->SelectClipRgn(&region);
  }

  info->insideView = 1;
  info->data = source->Data();
  bool perLevel = false;
  if (info->overrideColor == -1) {
    if (recolour && std::int32_t(color) >= 0) {
      info->overrideColor = std::int32_t(color & 0x00FFFFFFu);
    } else if (!recolour) {
      perLevel = true;
    }
  }
  if (surfaceEmpty) return;
  const bool screen = m.outputMode == OutputMode::Screen;
  const bool levelColours = screen || primary->pageFlags[0] != 0;
  LevelTable* levels = info->data ? &info->data->Levels() : nullptr;
  // Each copy is drawn as it is made and freed at once: a view keeps no
  // copy of what it shows, so that a sheet of many views over a large model
  // holds one object (or one placement's expansion) at a time.
  ForEachViewCopy(*source, [&](std::unique_ptr<cOutObj> o) {
    if (o->HasFlag(kFlagHidden)) return true;
    DRect e;
    o->GetFullExtent(info->data, e);
    const DRect& clip = info->worldClip;
    if (!(clip.x2 >= e.x1 && e.x2 >= clip.x1 && clip.y2 >= e.y1 && e.y2 >= clip.y1)) return true;
    if (perLevel) {
      info->overrideColor = -1;
      const LevelRecord* level = levels ? levels->FindLevel(o->Level()) : nullptr;
      if (level && std::int32_t(level->color) >= 0 && levelColours)
        info->overrideColor = std::int32_t(level->color & 0x00FFFFFFu);
      if (!screen && info->colorMode == kColorModeBlackWhite) info->overrideColor = 0;
    }
    o->Draw(info);
    return true;
  });
}

}  // namespace kvn
