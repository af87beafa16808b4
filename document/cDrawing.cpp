#include "document/cDrawing.h"

#include <cmath>

#include "document/HandOvers.h"
#include "document/PageMembership.h"
#include "document/cDocView.h"
#include "document/cDrawingDoc.h"
#include "model/InsertChildList.h"
#include "model/ObjectTypes.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"
#include "model/cStyleText.h"

namespace kvn {

cDrawing::cDrawing(cBlock* topBlock, cDrawingData* data) : topBlock_(topBlock), data_(data) {
  attributes.SetU16(kAttrDefaultLineStyle, 65535);
  attributes.SetU16(kAttrDefaultFillStyle, 65535);
  attributes.SetU16(kAttrDefaultTextStyle, 65535);
  prototypeText_.reset(cOutObj::Create(kTypeText, false));
  prototypeShape_.reset(cOutObj::Create(kTypeRectangle, false));
}

cDrawing::~cDrawing() = default;

void cDrawing::SetPrototypeShape(std::unique_ptr<cOutObj> object) { prototypeShape_ = std::move(object); }
void cDrawing::SetPrototypeText(std::unique_ptr<cOutObj> object) { prototypeText_ = std::move(object); }

void cDrawing::AppendPage(PageRecord page) {
  if (page.color != kPageNoColor) page.color = PageColorFromStored(page.color);
  pages_.push_back(std::move(page));
}

void cDrawing::DeletePage(std::uint32_t index) {
  if (index >= pages_.size()) return;
  pages_.erase(pages_.begin() + index);
  const std::uint16_t removed = PageIdOfIndex(index);
  if (topBlock_) {
    RemovePageFromChain(*topBlock_, removed);
    topBlock_->InvalidateChecksum();
  }
  MarkModified();
}

void cDrawing::SwapPageRecords(std::uint32_t a, std::uint32_t b) {
  if (a >= pages_.size() || b >= pages_.size() || a == b) return;
  std::swap(pages_[a], pages_[b]);
}

bool cDrawing::HasNoFormat() const {
  return formatSize.x == 0.0 || formatSize.y == 0.0 || std::isnan(formatSize.x) || std::isnan(formatSize.y);
}

void cDrawing::GetTileCounts(int& across, int& down) const {
  across = down = 1;
  if (HasNoFormat()) return;
  // Tiles beyond any paper count are a damaged value; keep the count an int.
  auto count = [](double tiles) {
    if (!(tiles > 1.0)) return 1;
    return tiles > 1e6 ? 1000000 : int(std::ceil(tiles));
  };
  across = count(tiles.x);
  down = count(tiles.y);
}

void cDrawing::GetPrintableSize(double& width, double& height) const {
  width = height = 0.0;
  if (HasNoFormat()) return;
  double scale = data_ ? data_->Scale() : 1.0;
  if (!(scale > 0.0)) scale = 1.0;
  width = (formatSize.x - 2.0 * formatMargins.x) * scale;
  height = (formatSize.y - 2.0 * formatMargins.y) * scale;
}

DRect cDrawing::GetPrintableArea() const {
  DRect area;
  if (HasNoFormat()) return area;
  double width, height;
  GetPrintableSize(width, height);
  area.x1 = formatOrigin.x;
  area.y1 = formatOrigin.y;
  area.x2 = formatOrigin.x + width * tiles.x;
  area.y2 = formatOrigin.y + height * tiles.y;
  return area;
}

DRect cDrawing::GetExtent() const { return Summary().extent; }

namespace {

// The extent the painter tests an object by: its full extent, an insert's
// the union of its children's (the insert itself is never tested), as its
// last expansion measured them. A view of another sheet changes its extent
// when the painter rebuilds its copies, so it is never left out by where it
// was. The object is up to date.
ObjectExtentIndex::Entry IndexEntry(cOutObj& object, cDrawingData* data, const DRect& full) {
  ObjectExtentIndex::Entry entry{&object, full, object.TypeCode() == kTypeSection, object.TypeCode()};
  if (object.TypeCode() != kTypeInsert) return entry;
  entry.extent = DRect{};
  bool first = true;
  if (cInsert* insert = object.AsInsert()) {
    insert->UniteChildExtents(data, nullptr, entry.extent, first);
  } else if (InsertChildList* list = dynamic_cast<InsertChildList*>(&object)) {
    for (cOutObj* child : list->GetChildren()) {
      if (!child) continue;
      DRect r;
      child->GetFullExtent(data, r);
      entry.extent.Union(r, first);
    }
  }
  // No children: nothing of it is ever drawn, wherever the clip.
  if (first) entry.extent = DRect{full.x1, full.y1, full.x1, full.y1};
  return entry;
}

}  // namespace

void cDrawing::DropSummary() const {
  summary_.flags &= std::uint8_t(~(DrawingSummary::kValid | DrawingSummary::kIndexValid));
  extentIndex_ = ObjectExtentIndex();
}

const DrawingSummary& cDrawing::Summary() const {
  if (SummaryValid()) return summary_;
  summary_ = DrawingSummary{};
  summary_.flags = DrawingSummary::kValid | DrawingSummary::kIndexValid;
  std::vector<ObjectExtentIndex::Entry> entries;
  bool first = true;
  for (cOutObj* object = topBlock_ ? topBlock_->FirstObject() : nullptr; object; object = object->next) {
    // An insert that must be expanded to be measured lets its children go
    // once measured: the index keeps no copy of a block per placement.
    cInsert* expanded = object->HasFlag(kFlagDirty) ? object->AsInsert() : nullptr;
    DRect r;
    object->GetFullExtent(data_, r);
    summary_.extent.Union(r, first);
    ++summary_.counters[object->TypeCode()];
    if (object->AsAnyLine()) ++summary_.counters[DrawingSummary::kStroked];
    if (const cAnyFill* fill = object->AsAnyFill(); fill && fill->IsClosed())
      ++summary_.counters[DrawingSummary::kClosedFilled];
    entries.push_back(IndexEntry(*object, data_, r));
    if (expanded) expanded->DropChildren();
  }
  extentIndex_ = ObjectExtentIndex(std::move(entries));
  return summary_;
}

const ObjectExtentIndex& cDrawing::PaintIndex() const {
  if (ExtentIndex()) return extentIndex_;
  std::vector<ObjectExtentIndex::Entry> entries;
  for (cOutObj* object = topBlock_ ? topBlock_->FirstObject() : nullptr; object; object = object->next) {
    if (object->HasFlag(kFlagDirty) && object->TypeCode() == kTypeInsert) {
      entries.push_back(ObjectExtentIndex::Entry{object, DRect{}, true, object->TypeCode()});
      continue;
    }
    DRect r;
    object->GetFullExtent(data_, r);
    entries.push_back(IndexEntry(*object, data_, r));
  }
  extentIndex_ = ObjectExtentIndex(std::move(entries));
  summary_.flags |= DrawingSummary::kIndexValid;
  return extentIndex_;
}


DRect cDrawing::GetExtentWithFormat() const {
  DRect objects = GetExtent();
  if (HasNoFormat()) return objects;
  DRect area = GetPrintableArea();
  if (!objects.IsZero()) {
    bool first = false;
    area.Union(objects, first);
  }
  return area;
}

PageTile cDrawing::GetPageTileRect(int printPageIndex) const {
  PageTile tile;
  if (printPageIndex < 0) printPageIndex = 0;
  if (HasNoFormat()) {
    tile.page = std::uint32_t(printPageIndex) < PageCount() ? printPageIndex : 0;
    return tile;
  }
  int across, down;
  GetTileCounts(across, down);
  const long long perPage = (long long)across * down;
  tile.page = int(printPageIndex / perPage);
  const long long rest = printPageIndex % perPage;
  const int row = int(rest / across);
  const int column = int(rest % across);
  double width, height;
  GetPrintableSize(width, height);
  tile.origin = {formatOrigin.x + column * width, formatOrigin.y + row * height};
  tile.rect = {tile.origin.x, tile.origin.y, tile.origin.x + width, tile.origin.y + height};
  return tile;
}

bool cDrawing::PrepareStylesAndBlockFonts(StopAsked stop) {
  for (cStyleText* style : data_->TextStyles()) data_->ResolveStyleFont(style->attributes);
  for (std::uint32_t i = 0; i < data_->BlockCount(); ++i) {
    cBlock* block = data_->GetBlock(i);
    if (!block) continue;
    block->InvalidateChecksum();
    for (cOutObj* o = block->FirstObject(); o; o = o->next) {
      if (stop && stop()) return false;
      LoadGlyphsForObject(*data_, *o);
    }
  }
  return true;
}

void cDrawing::PrepareTextFonts(StopAsked stop) {
  if (!data_ || !PrepareStylesAndBlockFonts(stop)) return;
  if (topBlock_) {
    for (cOutObj* o = topBlock_->FirstObject(); o; o = o->next) {
      if (stop && stop()) return;
      LoadGlyphsForObject(*data_, *o);
    }
  }
}

void cDrawing::PrepareTextFonts(std::span<cText* const> topTexts, StopAsked stop) {
  if (!data_ || !PrepareStylesAndBlockFonts(stop)) return;
  for (cText* text : topTexts) {
    if (stop && stop()) return;
    data_->LoadGlyphsForText(*text);
  }
}

void SetSheetScale(cDrawing& drawing, cDrawingDoc* document, double newScale) {
  cDrawingData* data = drawing.Data();
  if (!data) return;
  const double oldScale = data->Scale();
  data->SetScale(newScale);
  const double factor = oldScale > 0.0 && newScale > 0.0 ? newScale / oldScale : 0.0;
  if (factor == 0.0 || std::isnan(factor)) return;
  drawing.formatOrigin = {drawing.formatOrigin.x * factor, drawing.formatOrigin.y * factor};
  drawing.minStep = {drawing.minStep.x * factor, drawing.minStep.y * factor};
  drawing.gridStep = {drawing.gridStep.x * factor, drawing.gridStep.y * factor};
  if (drawing.TopBlock()) RescaleDrawing(*data, &drawing, *drawing.TopBlock(), factor, true);
  drawing.InvalidateSummary(0);
  if (!document) return;
  for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
    cSheet* sheet = document->GetSheet(i);
    if (sheet && &sheet->Drawing() != &drawing) {
      ScaleSectionsShowing(sheet->TopBlock(), drawing, factor);
      sheet->Drawing().InvalidateSummary(0);
    }
  }
}

void cDrawing::InvalidateSummary(int how) {
  DropSummary();
  UpdateViews(how);
}

void cDrawing::RedrawViews(int how) {
  if (document_) document_->ForEachViewOf(this, [how](cDocView& view) { view.Redraw(how); });
}

void cDrawing::UpdateViews(int how) {
  if (document_) document_->ForEachViewOf(this, [how](cDocView& view) { view.Update(how); });
}

}  // namespace kvn
