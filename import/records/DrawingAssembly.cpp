// The drawing assembly: the reader context's blocks and tables become a
// document of one sheet per layout with content, guarded against running
// out of memory.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/ExternalReference.h"
#include "document/LoadQuestions.h"
#include "document/PartialReadNotice.h"
#include "document/ProgressMonitor.h"
#include "document/ViewDirection.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/PathNames.h"
#include "import/records/AciColors.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportMatrix.h"
#include "import/records/ImportWarnings.h"
#include "import/records/RecordUtilities.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfReader.h"
#include "model/AttributeList.h"
#include "model/InsertExpansionSize.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cOutObj.h"
#include "model/cSection.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"
#include "model/cStyleText.h"

namespace kvn {

namespace {

constexpr int kStrReadOnly = 19882;  // " (read only)"

// One import at a time: the emergency pool is freed when memory runs low,
// so that the assembly can still unwind and report.
bool gOutOfMemory = false;
std::vector<std::unique_ptr<char[]>>* gEmergencyPool = nullptr;

void OnLowMemory() {
  if (gOutOfMemory) return;
  gOutOfMemory = true;
  if (gEmergencyPool) gEmergencyPool->clear();
}

// An external reference of a foreign drawing is assembled while its host
// is: the inner guard hands the outer one's pool and flag back when it ends.
class MemoryGuard {
 public:
  MemoryGuard() : outerPool_(gEmergencyPool), outerFlag_(gOutOfMemory) {
    gOutOfMemory = false;
    pool_.reserve(500);
    for (int i = 0; i < 500; ++i) pool_.push_back(std::make_unique<char[]>(1000));
    gEmergencyPool = &pool_;
    previous_ = GetLowMemoryCallback();
    SetLowMemoryCallback(&OnLowMemory);
  }
  ~MemoryGuard() {
    SetLowMemoryCallback(previous_);
    gEmergencyPool = outerPool_;
    gOutOfMemory = outerFlag_;
  }
  MemoryGuard(const MemoryGuard&) = delete;
  MemoryGuard& operator=(const MemoryGuard&) = delete;

 private:
  std::vector<std::unique_ptr<char[]>> pool_;
  std::vector<std::unique_ptr<char[]>>* outerPool_;
  bool outerFlag_;
  MemoryCallback previous_ = nullptr;
};

bool StartsWithNoCaseAscii(const WString& text, std::u16string_view prefix) {
  const std::u16string_view v = text.View();
  if (v.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t a = v[i], b = prefix[i];
    if (a >= u'a' && a <= u'z') a = char16_t(a - 32);
    if (b >= u'a' && b <= u'z') b = char16_t(b - 32);
    if (a != b) return false;
  }
  return true;
}

// A layout's block: "*Paper_Space", "*Paper_Space28"... (ASCII case ignored).
bool IsPaperSpaceBlockName(const WString& name) { return StartsWithNoCaseAscii(name, u"*Paper_Space"); }

bool FiniteWithin(const DRect& r) {
  for (double v : {r.x1, r.y1, r.x2, r.y2}) {
    if (!std::isfinite(v) || v < -kFarthestCoordinate || v > kFarthestCoordinate) return false;
  }
  return true;
}

// Why an extent that is not FiniteWithin cannot be drawn.
LossReason ExtentLossReason(const DRect& r) {
  for (double v : {r.x1, r.y1, r.x2, r.y2}) {
    if (!std::isfinite(v)) return LossReason::ExtentNotFinite;
  }
  return LossReason::ExtentTooLarge;
}

// The type name of a lost object: its record's, when known.
std::string LostObjectName(const std::vector<std::uint16_t>& entities, std::size_t k) {
  const char* name = k < entities.size() ? EntityNameOfCode(entities[k]) : nullptr;
  return name ? name : "unknown";
}

// The objects of the chain, listed in its order in `listed` with the
// entity codes of their records in `entities`: those whose extent is not
// finite or reaches beyond 1e20 are dropped and counted as lost;
// the others on visible levels, and the children of inserts on visible
// levels, make the drawing area. A kept insert whose
// block expands past what one insert shows is counted too: it shows in
// part. With an initial view that holds at least one object whole, the
// views open on the area cut to it.
void ComputeDrawingArea(cSheet& sheet, ObjectChain& objects, const std::vector<cOutObj*>& listed,
                        const std::vector<std::uint16_t>& entities, ImportStatistics& statistics,
                        const DRect* initialView) {
  cDrawingData* data = sheet.Data();
  // One insert may hold thousands of texts whose strokes are made as it is
  // measured: the stop is asked inside that measure too, not only between
  // objects.
  struct MeasureStop {
    cDrawingData& data;
    explicit MeasureStop(cDrawingData& d) : data(d) { data.SetMeasureStop(&ImportOutOfMemory); }
    ~MeasureStop() { data.SetMeasureStop(nullptr); }
    MeasureStop(const MeasureStop&) = delete;
    MeasureStop& operator=(const MeasureStop&) = delete;
  } measureStop(*data);
  cBlock& top = sheet.TopBlock();
  LevelTable& levels = data->Levels();
  InsertExpansionSize expansionSize(*data);
  ObjectChain kept;
  // The texts kept, for their glyphs: when the top block holds nothing
  // else, the texts met here are all of its texts.
  const bool topWasEmpty = top.FirstObject() == nullptr;
  std::vector<cText*> keptTexts;
  (void)objects.Release();
  DRect area;
  bool first = true;
  bool anyInside = false;
  constexpr std::size_t kAhead = 16;
  for (std::size_t k = 0; k < listed.size(); ++k) {
    // Those ahead are fetched while this one is measured.
    if (k + kAhead < listed.size()) __builtin_prefetch(listed[k + kAhead]);
    cOutObj* object = listed[k];
    object->next = nullptr;
    // Memory ran low: the rest is kept unmeasured, the sheet is refused.
    if (gOutOfMemory) {
      kept.Append(object);
      continue;
    }
    // Asked once for every object: asking at each use (three times) cost
    // 0.07 % of the open of 200,000 entities.
    cInsert* const insert = object->AsInsert();
    DRect extent;
    object->GetExtentUpdated(data, extent);
    // The painter expands an insert again when it shows it.
    if (insert) insert->DropChildren();
    extent.Normalize();
    if (!FiniteWithin(extent)) {
      statistics.CountLoss(LostObjectName(entities, k), ExtentLossReason(extent));
      delete object;
      continue;
    }
    if (insert && expansionSize.Cut(*insert)) {
      statistics.CountLoss(LostObjectName(entities, k), LossReason::ExpansionCut);
    }
    if (insert) {
      // An insert shows its children on visible levels, whatever its own
      // level: those make its share of the area, read from the extents per
      // level that its expansion above kept (nothing is expanded again).
      // Read here rather than through UniteChildExtents, which first
      // checks the insert is up to date: it has just been measured, and
      // the call was 0.04 % of the open of 200,000 entities.
      for (const ChildLevelExtent& child : insert->ChildExtents()) {
        if (levels.GetLevel(child.level)->visible) area.Union(child.extent, first);
      }
    } else if (const LevelRecord* level = levels.FindLevel(object->Level()); !level || level->visible) {
      area.Union(extent, first);
    }
    if (initialView && extent.x1 >= initialView->x1 && extent.x2 <= initialView->x2 && extent.y1 >= initialView->y1 &&
        extent.y2 <= initialView->y2)
      anyInside = true;
    if (cText* text = object->AsText()) keptTexts.push_back(text);
    kept.Append(object);
  }
  top.AppendChain(std::move(kept));
  cDrawing& drawing = sheet.Drawing();
  drawing.formatOrigin = DPoint{};
  drawing.printMargins = DPoint{};
  // Without the drawing's paper, the scale makes the model fit an A3 sheet in
  // whole steps (1:1, 1:2, ...).
  if (!first) {
    const double fit = std::max(std::fabs(area.x2 - area.x1) / 420.0, std::fabs(area.y2 - area.y1) / 297.0);
    if (std::isfinite(fit) && fit > 1.0) data->SetScale(std::ceil(fit));
  }
  if (anyInside && !first) {
    const DRect cut{std::max(area.x1, initialView->x1), std::max(area.y1, initialView->y1),
                    std::min(area.x2, initialView->x2), std::min(area.y2, initialView->y2)};
    if (cut.x1 < cut.x2 && cut.y1 < cut.y2) drawing.rememberedView = RememberedView{cut, 0.0};
  }
  // The glyphs are loaded under the same guard as the conversion: the
  // strokes of SHX texts may take more than the objects themselves.
  if (topWasEmpty) {
    drawing.PrepareTextFonts(keptTexts, &ImportOutOfMemory);
  } else {
    drawing.PrepareTextFonts(&ImportOutOfMemory);
  }
  drawing.InvalidateSummary(0);
}

// The colour of a level from its layer: 0x80000000 keeps the default.
std::uint32_t LevelColour(const YxxfLayerRec& layer) {
  const int index = std::abs(int(std::int16_t(layer.colorIndex)));
  if (index == 0 || index == 256) return 0x80000000u;
  if (layer.trueColor == -1 && index == 7) return 0x80000000u;
  if (layer.trueColor != -1 && (layer.trueColor & 0xFFFFFF) == 0xFFFFFF) return 0x80000000u;
  const std::uint32_t rgb = AciToRgb(std::uint16_t(index), layer.trueColor);
  return rgb == 0xFFFFFFu ? 0x80000000u : (0x80000000u | rgb);
}

// A level name: characters below 32 become blanks, blanks are trimmed, and
// nothing left gives "_".
WString LevelName(const WString& name) {
  std::u16string text(name.View());
  for (char16_t& c : text) {
    if (c < 32) c = u' ';
  }
  const std::size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return WString(u"_");
  const std::size_t last = text.find_last_not_of(u' ');
  return WString(std::u16string_view(text).substr(first, last - first + 1));
}

// The line, fill and text styles of a sheet each with names of their own:
// import styles may repeat a name that differs only in case.
void MakeStyleNamesUnique(cDrawingData& data) {
  auto unique = [](auto& table) {
    std::vector<WString*> names;
    for (std::uint32_t i = 0; i < table.Count(); ++i) names.push_back(&table.Get(i)->name);
    MakeNamesUnique(names);
  };
  unique(data.LineStyles());
  unique(data.FillStyles());
  unique(data.TextStyles());
}

// A drawing whose model is empty opens on its first sheet with objects (a
// drawing that lives in paper space), not on an empty view.
void OpenOnFirstSheetWithObjects(cDrawingDoc& document) {
  auto hasObjects = [&](std::uint32_t i) { return document.GetSheet(i)->TopBlock().FirstObject() != nullptr; };
  if (document.SheetCount() == 0 || hasObjects(0)) return;
  for (std::uint32_t i = 1; i < document.SheetCount() && i < 65535; ++i) {
    if (hasObjects(i)) {
      document.currentEntry = std::uint16_t(i);
      document.currentPage = 0;
      return;
    }
  }
}

template <class F>
void ForEachObject(cOutObj* first, F&& f) {
  for (cOutObj* o = first; o; o = o->next) f(*o);
}

}  // namespace

// Attribute definitions of the sheet's own records (not those inside
// blocks) enter the document's attribute list, one per tag (case and
// accents ignored).
void YxxfReader::AddAttributeDefinitions(cDrawingDoc& document, YxxfBlockRec& block, int mode) const {
  if (block.attributeDefinitions == 0) return;
  AttributeList& list = document.attributes;
  for (std::uint32_t i = 0; i < block.entities.Count(); ++i) {
    cOneObjRec& record = *block.entities[i];
    if (record.entityCode != entity::kAttDef) continue;
    if ((mode == 1 && record.paperSpace) || (mode == 2 && !record.paperSpace)) continue;
    const cOneText* definition = record.AsText();
    if (!definition || definition->tag.IsEmpty()) continue;
    bool known = false;
    for (std::uint32_t k = 0; k < list.Count() && !known; ++k)
      known = CompareNoCaseAccentW(list.Get(k)->name.CStr(), definition->tag.CStr()) == 0;
    if (known) continue;
    AttributeItem item;
    item.name = definition->tag;
    item.value = definition->text;
    item.third = definition->prompt.IsEmpty() ? definition->tag : definition->prompt;
    item.flag = (definition->flags[0] & 1) == 0 ? 1 : 0;
    list.Add(std::move(item));
  }
}

// The drawing's display precisions from the header: decimal lengths and
// decimal degrees give their number of decimals, 12 (the display width
// class) when it is not below 9.
void YxxfReader::ApplyUnits(cDrawing& drawing) const {
  auto precision = [](std::int32_t value) { return value >= 0 && value < 9 ? std::uint32_t(value) : 12u; };
  if (lunits == 2) drawing.v3088Ints[0] = precision(luprec);
  if (aunits == 0) drawing.v3088Ints[1] = precision(auprec);
}

// The rectangle the viewport shows, when the sheet is seen from its
// direction and twist: its view centre and height (width = height x aspect
// ratio) around the transformed target, y down.
bool YxxfReader::InitialViewRect(const YxxfViewportRec* viewport, const ViewDirectionChoice& choice,
                                 const ImportMatrix& view, DRect& out) {
  if (!viewport || viewport->direction.LengthSq() <= 1e-20) return false;
  const Vec3 d = viewport->direction.Normalized();
  const double c[3] = {d.x, d.y, d.z};
  for (int i = 0; i < 3; ++i)
    if (!(std::fabs(c[i] - choice.direction[i]) <= 1e-5)) return false;
  if (!(std::fabs(viewport->twist - choice.twist) <= 0.0001)) return false;
  if (viewport->height == 0.0 || viewport->aspect == 0.0) return false;
  const double h = viewport->height, w = h * viewport->aspect;
  const Vec3 t = view.TransformPoint(viewport->target);
  out = DRect{viewport->centre[0] - w / 2 + t.x, -(viewport->centre[1] + h / 2 + t.y),
              viewport->centre[0] + w / 2 + t.x, -(viewport->centre[1] - h / 2 + t.y)};
  out.Normalize();
  for (double v : {out.x1, out.y1, out.x2, out.y2})
    if (!std::isfinite(v)) return false;
  return true;
}

// Levels from the layers the sheet uses: layer "0" is no level but the
// table's default record (objects on it take the by-block level 65535);
// every other used layer becomes a level in layer order; top-level objects
// naming no layer are dropped, block children get 65535.
void YxxfReader::MakeSheetLevels(cDrawingData& data, ObjectChain& objects) const {
  std::vector<SheetObject> top;
  ForEachObject(objects.Head(), [&](cOutObj& o) { top.push_back(SheetObject{&o, o.Level()}); });
  (void)MakeSheetLevels(data, objects, top);
}

std::vector<std::uint16_t> YxxfReader::MakeSheetLevels(cDrawingData& data, ObjectChain& objects,
                                                       std::vector<SheetObject>& top) const {
  const std::uint32_t layerCount = layers.Count();
  std::vector<std::uint8_t> used(layerCount, 0);
  for (const SheetObject& o : top) {
    if (o.level < layerCount) used[o.level] = 1;
  }
  // The objects lie all over the heap and a walk down a chain waits for
  // memory at every link: the block objects' addresses are taken first, so
  // that the renumbering can fetch ahead (the top objects come listed).
  std::vector<cOutObj*> blockObjects;
  for (std::uint32_t b = 0; b < data.BlockCount(); ++b) {
    ForEachObject(data.GetBlock(b)->FirstObject(), [&](cOutObj& o) {
      if (o.Level() < layerCount) used[o.Level()] = 1;
      blockObjects.push_back(&o);
    });
  }
  constexpr std::size_t kAhead = 16;
  const std::uint16_t zero = DefaultLayerIndex();
  LevelTable& levels = data.Levels();
  std::vector<std::uint16_t> number(layerCount, 65535);
  for (std::uint32_t i = 0; i < layerCount; ++i) {
    if (!used[i] || i == zero) continue;
    const YxxfLayerRec& layer = *layers[i];
    std::uint16_t index = 65535;
    LevelRecord* level = levels.InsertLevel(LevelName(layer.name), &index, 0xFFFFFFFFu);
    if (!level) break;
    level->firstFlag = layer.locked ? 1 : 0;
    level->visible = layer.off || layer.frozen ? 0 : 1;
    level->color = LevelColour(layer);
    level->lineTypeHandle = std::uint64_t(layer.lineTypeHandleHigh) << 32 | layer.lineTypeHandleLow;
    number[i] = index;
  }
  if (zero < layerCount) {
    const YxxfLayerRec& layer = *layers[zero];
    LevelRecord* byBlock = levels.GetLevel(65535);
    byBlock->firstFlag = layer.locked ? 1 : 0;
    byBlock->visible = layer.off || layer.frozen ? 0 : 1;
    byBlock->color = LevelColour(layer);
  }
  if (levels.InUse()) levels.SetCurrentIndex(0);
  for (std::size_t k = 0; k < blockObjects.size(); ++k) {
    if (k + kAhead < blockObjects.size()) __builtin_prefetch(blockObjects[k + kAhead]);
    cOutObj& o = *blockObjects[k];
    o.SetLevel(o.Level() < layerCount ? number[o.Level()] : 65535);
  }
  ObjectChain kept;
  (void)objects.Release();
  std::size_t keptCount = 0;
  for (std::size_t k = 0; k < top.size(); ++k) {
    if (k + kAhead < top.size()) __builtin_prefetch(top[k + kAhead].object);
    cOutObj* object = top[k].object;
    object->next = nullptr;
    if (top[k].level >= layerCount) {
      delete object;
      continue;
    }
    object->SetLevel(number[top[k].level]);
    kept.Append(object);
    top[keptCount++] = SheetObject{object, object->Level(), top[k].entity};
  }
  top.resize(keptCount);
  objects = std::move(kept);
  levels.MakeNamesUnique();
  return number;
}

void YxxfReader::SetSheetViewportLevels(cDrawingData& data, const ObjectChain& objects,
                                        const std::vector<std::uint16_t>& firstSheetLevelOfLayer) const {
  auto apply = [&](cOutObj& object) {
    cSection* view = object.AsSection();
    if (!view || view->referenceView) return;
    bool filter = false;
    SetViewportVisibleLevels(view->selectionValues, filter, *this);
    GrowArray<std::uint16_t> levels{8};
    for (std::uint16_t layer : view->selectionValues) {
      if (layer == kNoLayer) {
        levels.Add(kNoLayer);
      } else if (layer < firstSheetLevelOfLayer.size() && firstSheetLevelOfLayer[layer] != 65535) {
        levels.Add(firstSheetLevelOfLayer[layer]);
      } else if (layer == DefaultLayerIndex()) {
        // Layer "0" is the first sheet's default level.
        levels.Add(65535);
      }
    }
    view->selectionValues.Clear();
    view->selectionValues.Append(levels.Items(), levels.Count());
    view->selectionPresent = filter ? 1 : 0;
  };
  ForEachObject(objects.Head(), apply);
  for (std::uint32_t b = 0; b < data.BlockCount(); ++b) ForEachObject(data.GetBlock(b)->FirstObject(), apply);
}

bool ImportOutOfMemory() { return gOutOfMemory; }

void YxxfReader::ApplyDrawOrder() {
  // Moves every record of `from` to the end of `to`.
  auto moveAll = [](OwnedArray<cOneObjRec>& to, OwnedArray<cOneObjRec>& from) {
    // Detached from the end (no shifting), added in the original order.
    std::vector<cOneObjRec*> taken;
    taken.reserve(from.Count());
    while (from.Count() > 0) taken.push_back(from.DetachAt(from.Count() - 1));
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) to.Add(*it);
  };
  for (const YxxfSortTableRec* table : sortTables) {
    const bool model = table->owner != 0 && table->owner == modelSpaceRecord;
    const bool paper = table->owner != 0 && table->owner == paperSpaceRecord;
    if (model || paper) {
      // The default block holds both spaces: the sorted space's records
      // come first, the other space's follow.
      OwnedArray<cOneObjRec> modelPart, paperPart;
      SplitRecordList(modelPart, paperPart, defaultBlock.entities, false);
      OwnedArray<cOneObjRec>& sorted = model ? modelPart : paperPart;
      SortByDrawOrder(sorted, table->handles);
      moveAll(defaultBlock.entities, sorted);
      moveAll(defaultBlock.entities, model ? paperPart : modelPart);
      continue;
    }
    for (YxxfBlockRec* block : blocks) {
      if (table->owner != 0 && (block->handle == table->owner || block->owner == table->owner)) {
        SortByDrawOrder(block->entities, table->handles);
        break;
      }
    }
  }
}

std::vector<YxxfReader::SheetSource> YxxfReader::SheetSources(const YxxfLayoutRec* modelLayout,
                                                               const YxxfViewportRec* modelViewport) {
  std::vector<SheetSource> sources;
  sources.push_back({modelLayout ? modelLayout->name : WString(u"Model"), &defaultBlock, 1, true, modelViewport});
  // The paper layout: the one owned by the paper-space record, or named by
  // its block.
  const YxxfLayoutRec* paperLayout = nullptr;
  for (const YxxfLayoutRec* layout : layouts) {
    const bool byRecord = layout->owner != 0 && layout->owner == paperSpaceRecord;
    const bool byName =
        layout->owner == 0 && IsPaperSpaceBlockName(layout->blockName) && layout->blockName.View().size() == 12;
    if (byRecord || byName) {
      paperLayout = layout;
      break;
    }
  }
  // The blocks the further layouts are built from.
  std::vector<std::pair<const YxxfLayoutRec*, YxxfBlockRec*>> layoutBlocks;
  for (const YxxfLayoutRec* layout : layouts) {
    if (layout == modelLayout || layout == paperLayout) continue;
    YxxfBlockRec* block = FindBlock(0, layout->owner == 0 ? layout->blockName : WString(), layout->owner);
    if (!block || block == &defaultBlock) continue;
    layoutBlocks.emplace_back(layout, block);
  }
  auto claimed = [&](const YxxfBlockRec* block) {
    return std::any_of(layoutBlocks.begin(), layoutBlocks.end(), [&](const auto& l) { return l.second == block; });
  };
  // A file may hold its paper space in the block section only (no record of
  // the default block flagged as paper): the paper is then the
  // *Paper_Space block, unless a further layout is built from it.
  YxxfBlockRec* paperBlock = paperSpaceRecord != 0 ? FindBlock(0, WString(), paperSpaceRecord) : nullptr;
  if (!paperBlock) paperBlock = FindBlock(0, WString(u"*Paper_Space"), 0);
  const bool paperFromBlock =
      defaultBlock.paperRecords == 0 && paperBlock && paperBlock != &defaultBlock && !claimed(paperBlock);
  const WString paperName = paperLayout ? paperLayout->name : WString(u"Paper");
  if (paperFromBlock) {
    sources.push_back({paperName, paperBlock, 0, false, nullptr});
  } else {
    sources.push_back({paperName, &defaultBlock, 2, false, nullptr});
  }
  for (const auto& [layout, block] : layoutBlocks) sources.push_back({layout->name, block, 0, false, nullptr});
  // Without any layout, the further *Paper_Space blocks are the layouts the
  // file holds: each a sheet named after its block. A file with layouts
  // shows the layouts it lists.
  if (layouts.Count() == 0) {
    for (YxxfBlockRec* block : blocks) {
      if (block == paperBlock || block == &defaultBlock || !IsPaperSpaceBlockName(block->name)) continue;
      sources.push_back({block->name, block, 0, false, nullptr});
    }
  }
  return sources;
}

std::unique_ptr<cDrawingDoc> YxxfReader::AssembleDrawing(ProgressMonitor* monitor) {
  MemoryGuard guard;
  auto document = std::make_unique<cDrawingDoc>();
  referenceBlocks.clear();
  blockLookup_.Reset();
  viewCancelled = false;
  const YxxfLayoutRec* modelLayout = nullptr;
  const YxxfViewportRec* modelViewport = FindModelViewport(*this, &modelLayout);
  // Every sheet is weighed before the first is built.
  const std::vector<SheetSource> sources = SheetSources(modelLayout, modelViewport);
  if (!ForeseeDrawing(sources)) return nullptr;
  // The view direction is asked where someone may be asked, and not while
  // this drawing is itself loaded as a reference.
  const auto* context = static_cast<const ReferenceContext*>(referenceContext);
  LoadQuestions* asker = quiet || (context && context->depth > 0) ? nullptr : questions;

  // The level numbers of the first built sheet (the model), by layer.
  bool firstBuilt = false;
  std::vector<std::uint16_t> firstSheetLevelOfLayer;
  auto buildSheet = [&](const WString& name, YxxfBlockRec& block, int mode, bool keepEmpty,
                        const YxxfViewportRec* viewport) -> bool {
    // The model is seen along its active viewport's direction, the paper
    // and the layouts from above.
    ViewDirectionChoice choice;
    if (viewport && viewport->direction.LengthSq() > 1e-20) {
      const Vec3 d = viewport->direction.Normalized();
      choice.direction[0] = d.x;
      choice.direction[1] = d.y;
      choice.direction[2] = d.z;
      choice.twist = viewport->twist;
      choice.preset = FindPresetViewDirection(choice.direction);
    }
    // The question is put only after a conversion went through, so that a
    // drawing refused while it is converted (too large, out of memory) is
    // refused without asking first; a read error is told before it.
    const int mask = (std::fabs(choice.direction[0]) > 1e-8 ? 4 : 0) +
                     (std::fabs(choice.direction[1]) > 1e-8 ? 2 : 0) +
                     (std::fabs(choice.direction[2]) > 1e-8 ? 1 : 0);
    const bool oblique = mask != 1 && mask != 2 && mask != 4;
    bool seen3D = false, asked = false;
    auto ask = [&]() -> bool {
      if (partialPending) {
        asker->GoOn(PartialReadNotice(fileName));
        partialPending = false;
        partialTold = true;
      }
      asked = true;
      if (!asker->ChooseViewDirection(choice)) {
        viewCancelled = true;
        return false;
      }
      ApplyViewPreset(choice);
      return true;
    };
    while (true) {
      auto sheet = std::make_unique<cSheet>();
      sheet->name = name;
      // The layout's name is the one the tabs, the page box, printing and
      // export show.
      sheet->Drawing().name = name;
      cDrawingData* data = sheet->Data();
      data->SetScale(1.0);
      // Styles and shared blocks belong to one sheet's drawing data (a
      // dropped sheet's data may be followed by another at its address).
      styledData = nullptr;
      sharedInsertBlocks.Clear();
      const std::size_t referenceMark = referenceBlocks.size();
      OffPlaneCounter offPlane;
      ImportMatrix view =
          BuildViewMatrix(Vec3{choice.direction[0], choice.direction[1], choice.direction[2]}, choice.twist);
      view.counter = &offPlane;
      ObjectChain objects;
      // About one object per record: reserved at once rather than grown
      // (and copied) step by step.
      std::vector<SheetObject> top;
      top.reserve(mode == 2 ? block.paperRecords : block.entities.Count());
      bool ok = false;
      {
        // The list is noted into for this conversion only.
        struct Noting {
          std::vector<SheetObject>*& slot;
          bool& release;
          ~Noting() {
            slot = nullptr;
            release = false;
          }
        } noting{sheetObjects_, releaseModelRecords_};
        sheetObjects_ = &top;
        placementLosses_.clear();
        // The model's conversion is its last unless the view direction
        // may still be asked (its answer builds the model again).
        releaseModelRecords_ = mode == 1 && &block == &defaultBlock && (!asker || asked);
        ok = ConvertBlock(objects, nullptr, view, data, mode, block, monitor);
        if (releaseModelRecords_) block.entities.RemoveEmpty();
      }
      if (!ok || gOutOfMemory) return false;
      // An oblique view, or content off the drawing plane: seen from where
      // the user says; built again unless the answer is the view built.
      if (asker && !asked && (oblique || (!seen3D && offPlane.count >= 10))) {
        seen3D = true;
        const ViewDirectionChoice built = choice;
        if (!ask()) return false;
        const bool same = built.direction[0] == choice.direction[0] && built.direction[1] == choice.direction[1] &&
                          built.direction[2] == choice.direction[2] && built.twist == choice.twist;
        if (!same) {
          referenceBlocks.resize(referenceMark);
          continue;
        }
      }
      view.counter = nullptr;
      CountPlacementLosses();
      AddAttributeDefinitions(*document, block, mode);
      const std::vector<std::uint16_t> levelOfLayer = MakeSheetLevels(*data, objects, top);
      if (firstBuilt) {
        SetSheetViewportLevels(*data, objects, firstSheetLevelOfLayer);
      } else {
        firstBuilt = true;
        firstSheetLevelOfLayer = levelOfLayer;
      }
      MakeStyleNamesUnique(*data);
      if (!objects.Head() && !keepEmpty) {
        referenceBlocks.resize(referenceMark);
        return true;
      }
      DRect initialView;
      const bool hasInitialView = objects.Head() && InitialViewRect(viewport, choice, view, initialView);
      // The sheet's objects in chain order, for the walks below to fetch ahead.
      std::vector<cOutObj*> listed(top.size());
      std::vector<std::uint16_t> entities(top.size());
      for (std::size_t k = 0; k < top.size(); ++k) {
        listed[k] = top[k].object;
        entities[k] = top[k].entity;
      }
      std::vector<SheetObject>().swap(top);
      data->MergeDuplicateBlocks(listed);
      ApplyUnits(sheet->Drawing());
      ComputeDrawingArea(*sheet, objects, listed, entities, statistics, hasInitialView ? &initialView : nullptr);
      if (gOutOfMemory) return false;
      document->AddSheet(std::move(sheet));
      return true;
    }
  };
  auto finish = [&]() -> std::unique_ptr<cDrawingDoc> {
    if (gOutOfMemory) {
      stopMessage = OutOfMemoryText(GetPeakAllocatedBytes());
      return nullptr;
    }
    return nullptr;
  };

  for (const SheetSource& source : sources) {
    if (!buildSheet(source.name, *source.block, source.mode, source.keepEmpty, source.viewport)) return finish();
  }
  if (monitor && monitor->Cancelled()) return nullptr;
  if (selfInserts != 0) {
    warnings.push_back(SelfInsertsWarning(selfInserts, maxInsertDepth));
  }
  // Objects were read and none reaches a sheet: the open says so rather
  // than show an empty drawing without a word.
  bool anyObject = false;
  for (std::uint32_t i = 0; i < document->SheetCount() && !anyObject; ++i)
    anyObject = document->GetSheet(i)->TopBlock().FirstObject() != nullptr;
  const WString onNoSheet = anyObject ? WString() : CountReadOnNoSheet(statistics);
  for (WString& warning : ImportLossWarnings(statistics)) warnings.push_back(std::move(warning));
  if (!onNoSheet.IsEmpty()) warnings.push_back(onNoSheet);
  // The name says the drawing is shown, not edited.
  document->name = GetFileNamePart(fileName);
  document->name.Append(LoadLangString(kStrReadOnly));
  document->SetFilePath(fileName);
  LoadReferences(*document, monitor);
  OpenOnFirstSheetWithObjects(*document);
  return document;
}

}  // namespace kvn
