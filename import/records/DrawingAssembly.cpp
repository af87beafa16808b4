// The drawing assembly: the reader context's blocks and tables become a
// document of one sheet per layout with content, guarded against running
// out of memory.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/CountingAlloc.h"
#include "import/records/AciColors.h"
#include "import/records/ImportMatrix.h"
#include "import/records/RecordUtilities.h"
#include "import/records/YxxfReader.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

// One import at a time: the emergency pool is freed when memory runs low,
// so that the assembly can still unwind and report.
bool gOutOfMemory = false;
std::vector<std::unique_ptr<char[]>>* gEmergencyPool = nullptr;

void OnLowMemory() {
  if (gOutOfMemory) return;
  gOutOfMemory = true;
  if (gEmergencyPool) gEmergencyPool->clear();
}

class MemoryGuard {
 public:
  MemoryGuard() {
    gOutOfMemory = false;
    pool_.reserve(500);
    for (int i = 0; i < 500; ++i) pool_.push_back(std::make_unique<char[]>(1000));
    gEmergencyPool = &pool_;
    previous_ = GetLowMemoryCallback();
    SetLowMemoryCallback(&OnLowMemory);
  }
  ~MemoryGuard() {
    SetLowMemoryCallback(previous_);
    gEmergencyPool = nullptr;
  }
  MemoryGuard(const MemoryGuard&) = delete;
  MemoryGuard& operator=(const MemoryGuard&) = delete;

 private:
  std::vector<std::unique_ptr<char[]>> pool_;
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

bool FiniteWithin(const DRect& r) {
  for (double v : {r.x1, r.y1, r.x2, r.y2}) {
    if (!std::isfinite(v) || v < -1e20 || v > 1e20) return false;
  }
  return true;
}

// Objects whose extent is not finite or reaches beyond 1e20 are dropped;
// the others on visible levels make the drawing area.
void ComputeDrawingArea(cSheet& sheet, ObjectChain& objects) {
  cDrawingData* data = sheet.Data();
  cBlock& top = sheet.TopBlock();
  ObjectChain kept;
  cOutObj* next = objects.Release();
  DRect area;
  bool first = true;
  while (cOutObj* object = next) {
    next = object->next;
    object->next = nullptr;
    DRect extent;
    object->GetExtentUpdated(data, extent);
    extent.Normalize();
    if (!FiniteWithin(extent)) {
      delete object;
      continue;
    }
    const LevelRecord* level = data->Levels().FindLevel(object->Level());
    if (!level || level->visible) area.Union(extent, first);
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
  drawing.PrepareTextFonts();
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

template <class F>
void ForEachObject(cOutObj* first, F&& f) {
  for (cOutObj* o = first; o; o = o->next) f(*o);
}

}  // namespace

// Levels from the layers the sheet uses: layer "0" is no level but the
// table's default record (objects on it take the by-block level 65535);
// every other used layer becomes a level in layer order; top-level objects
// naming no layer are dropped, block children get 65535.
void YxxfReader::MakeSheetLevels(cDrawingData& data, ObjectChain& objects) const {
  const std::uint32_t layerCount = layers.Count();
  std::vector<std::uint8_t> used(layerCount, 0);
  // The objects lie all over the heap and a walk down a chain waits for
  // memory at every link: the first walk takes their addresses, so that the
  // second can fetch ahead.
  std::vector<cOutObj*> topObjects, blockObjects;
  ForEachObject(objects.Head(), [&](cOutObj& o) {
    if (o.Level() < layerCount) used[o.Level()] = 1;
    topObjects.push_back(&o);
  });
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
  for (std::size_t k = 0; k < topObjects.size(); ++k) {
    if (k + kAhead < topObjects.size()) __builtin_prefetch(topObjects[k + kAhead]);
    cOutObj* object = topObjects[k];
    object->next = nullptr;
    if (object->Level() >= layerCount) {
      delete object;
      continue;
    }
    object->SetLevel(number[object->Level()]);
    kept.Append(object);
  }
  objects = std::move(kept);
  levels.MakeNamesUnique();
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

std::unique_ptr<cDrawingDoc> YxxfReader::AssembleDrawing(ProgressMonitor* monitor) {
  MemoryGuard guard;
  auto document = std::make_unique<cDrawingDoc>();
  // Levels: every layer in list order, since records name their layer by its
  // index; names are unique already (the reader merges equal names).
  const YxxfLayoutRec* modelLayout = nullptr;
  const YxxfViewportRec* modelViewport = FindModelViewport(*this, &modelLayout);
  auto buildSheet = [&](const WString& name, YxxfBlockRec& block, int mode, bool keepEmpty) -> bool {
    auto sheet = std::make_unique<cSheet>();
    sheet->name = name;
    cDrawingData* data = sheet->Data();
    data->SetScale(1.0);
    // The model is seen along its active viewport's direction; the paper
    // and the layouts from above. (Mapping to 2-D negates y: drawing
    // coordinates grow downwards.)
    const bool model = mode == 1 && modelViewport && modelViewport->direction.LengthSq() > 1e-20;
    const ImportMatrix view = model ? BuildViewMatrix(modelViewport->direction.Normalized(), modelViewport->twist)
                                    : ImportMatrix();
    ObjectChain objects;
    const bool ok = ConvertBlock(objects, nullptr, view, data, mode, block, monitor);
    if (!ok || gOutOfMemory) return false;
    MakeSheetLevels(*data, objects);
    if (!objects.Head() && !keepEmpty) return true;
    ComputeDrawingArea(*sheet, objects);
    document->AddSheet(std::move(sheet));
    return true;
  };
  auto finish = [&]() -> std::unique_ptr<cDrawingDoc> {
    if (gOutOfMemory) {
      const std::string peak = std::to_string(GetPeakAllocatedBytes());
      stopMessage = WString::FromUtf8("Chyba - soubor je příliš veliký. Není volná paměť. alokováno max. " + peak +
                                      " B.\n\nError - file is too big. Out of memory. Allocated max. " + peak +
                                      " B.");
      return nullptr;
    }
    return nullptr;
  };

  if (!buildSheet(modelLayout ? modelLayout->name : WString(u"Model"), defaultBlock, 1, true)) return finish();
  // The paper layout: the one owned by the paper-space record, or named by
  // its block.
  const YxxfLayoutRec* paperLayout = nullptr;
  for (const YxxfLayoutRec* layout : layouts) {
    const bool byRecord = layout->owner != 0 && layout->owner == paperSpaceRecord;
    const bool byName = layout->owner == 0 && StartsWithNoCaseAscii(layout->blockName, u"*Paper_Space") &&
                        layout->blockName.View().size() == 12;
    if (byRecord || byName) {
      paperLayout = layout;
      break;
    }
  }
  if (!buildSheet(paperLayout ? paperLayout->name : WString(u"Paper"), defaultBlock, 2, false)) return finish();
  for (const YxxfLayoutRec* layout : layouts) {
    if (layout == modelLayout || layout == paperLayout) continue;
    YxxfBlockRec* block = FindBlock(0, layout->owner == 0 ? layout->blockName : WString(), layout->owner);
    if (!block || block == &defaultBlock) continue;
    if (!buildSheet(layout->name, *block, 0, false)) return finish();
  }
  if (monitor && monitor->Cancelled()) return nullptr;
  if (selfInserts != 0) {
    warnings.push_back(WString::FromUtf8(std::to_string(selfInserts) +
                                         " inserts of a block into itself (or nested deeper than " +
                                         std::to_string(maxInsertDepth) + ") were left out."));
  }
  if (cellsCapped != 0) {
    warnings.push_back(WString::FromUtf8(std::to_string(cellsCapped) + " cells of insert arrays beyond " +
                                         std::to_string(maxArrayCells) + " per insert were left out."));
  }
  document->name = fileName;
  document->SetFilePath(fileName);
  return document;
}

}  // namespace kvn
