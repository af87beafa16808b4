#include "import/records/YxxfReader.h"

#include <cstdio>

#include "foundation/OutFileStream.h"
#include "foundation/QuickHash.h"
#include "import/records/ViewportRecord.h"
#include "import/records/YxxfGroupRecord.h"
#include "model/cStyleFill.h"

namespace kvn {

namespace {


// ASCII case only: layer and block names compare as the drawings' writers do.
bool SameNameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char16_t(x - 32);
    if (y >= 'a' && y <= 'z') y = char16_t(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool StartsWithNoCase(const WString& name, std::u16string_view prefix) {
  const std::u16string_view v = name.View();
  return v.size() >= prefix.size() && SameNameNoCase(v.substr(0, prefix.size()), prefix);
}

std::u16string UpperKey(const WString& name) { return AsciiUpperKey(name.View()); }

}  // namespace

void YxxfReader::IndexLayer(std::uint32_t i) {
  const YxxfLayerRec* layer = layers[i];
  // The first layer of a name or handle keeps it.
  layerByName_.emplace(UpperKey(layer->name), std::uint16_t(i));
  if (layer->handle != 0) layerByHandle_.emplace(layer->handle, std::uint16_t(i));
}

void YxxfReader::IndexLayers() {
  for (; layersIndexed_ < layers.Count(); ++layersIndexed_) IndexLayer(layersIndexed_);
}

YxxfBlockRec* YxxfReader::BlockByHandle(std::uint64_t handle) {
  for (; blocksIndexed_ < blocks.Count(); ++blocksIndexed_) {
    YxxfBlockRec* block = blocks[blocksIndexed_];
    blockByHandle_.emplace(block->handle, block);
    for (std::uint64_t alias : block->aliasHandles) blockByHandle_.emplace(alias, block);
  }
  auto it = blockByHandle_.find(handle);
  return it == blockByHandle_.end() ? nullptr : it->second;
}

YxxfReader::YxxfReader(const WString& file, int readerKind) : kind(readerKind), fileName(file) {}

YxxfReader::~YxxfReader() = default;

void YxxfReader::SetSpoolStream(std::unique_ptr<OutFileStream> stream) { spool_ = std::move(stream); }

std::uint16_t YxxfReader::TextCodePage() const { return drawingVersion >= 1021 ? 65001 : codePage; }

std::uint16_t YxxfReader::DefaultLayerIndex() const {
  if (zeroForCount_ == layers.Count() && zeroForRefills_ == layerRefills_) return zeroIndex_;
  zeroForCount_ = layers.Count();
  zeroForRefills_ = layerRefills_;
  zeroIndex_ = kNoLayer;
  const WString zero(u"0");
  for (std::uint32_t i = 0; i < layers.Count(); ++i) {
    if (layers[i]->name == zero) {
      zeroIndex_ = std::uint16_t(i);
      break;
    }
  }
  return zeroIndex_;
}

std::uint16_t YxxfReader::AddImplicitLayer(const WString& name, std::uint64_t handle) {
  layers.Add(new YxxfLayerRec(name, 7, -1, WString(), 0, 0, 0, std::uint32_t(handle), std::uint32_t(handle >> 32),
                              0, 0));
  while (implicitLayer_.Count() < layers.Count()) implicitLayer_.Add(0);
  implicitLayer_[layers.Count() - 1] = 1;
  return std::uint16_t(layers.Count() - 1);
}

std::uint16_t YxxfReader::LayerZero() {
  IndexLayers();
  auto it = layerByName_.find(u"0");
  if (it != layerByName_.end()) return it->second;
  if (layers.Count() < kMaxLayers) return AddImplicitLayer(WString(u"0"), 0);
  // Full, and none of the layers is "0": the first one.
  return 0;
}

void YxxfReader::AddTableLayer(std::unique_ptr<YxxfLayerRec> layer) {
  // A layer an entity created before its table entry arrived is filled in
  // place: found by the entry's handle, or by name when it has no handle.
  IndexLayers();
  std::int64_t found = -1;
  auto implicit = [&](std::uint16_t i) { return i < implicitLayer_.Count() && implicitLayer_[i] != 0; };
  if (layer->handle != 0) {
    auto it = layerByHandle_.find(layer->handle);
    if (it != layerByHandle_.end() && implicit(it->second)) found = it->second;
  }
  if (found < 0) {
    auto it = layerByName_.find(UpperKey(layer->name));
    if (it != layerByName_.end() && implicit(it->second) && layers[it->second]->handle == 0) found = it->second;
  }
  if (found >= 0) {
    std::uint32_t i = std::uint32_t(found);
    *layers[i] = *layer;
    ++layerRefills_;
    implicitLayer_[i] = 0;
    IndexLayer(i);
    return;
  }
  if (layers.Count() >= kMaxLayers) return;
  layers.Add(layer.release());
}

std::uint16_t YxxfReader::LevelOf(const YxxfGroupRecord& record) {
  std::int64_t at = record.FindIndex(8);
  if (at < 0) return LayerZero();
  const YxxfItem* item = record.Item(std::uint32_t(at));
  if (item->type == ItemType::Handle) {
    std::uint64_t handle = item->value.h;
    IndexLayers();
    auto it = layerByHandle_.find(handle);
    if (it != layerByHandle_.end()) return it->second;
    if (layers.Count() < kMaxLayers) {
      char name[32];
      std::snprintf(name, sizeof(name), "error_layer_%u", layers.Count());
      return AddImplicitLayer(WString(0, name), handle);
    }
    return LayerZero();
  }
  std::string bytes;
  if (item->type == ItemType::Narrow && item->value.a && item->subRecord == record.SubRecord()) {
    if (levelNamesCodePage_ != record.CodePage()) {
      levelOfNarrowName_.clear();
      for (RecentLevel& recent : recentLevels_) recent.known = false;
      levelNamesCodePage_ = record.CodePage();
    }
    const std::string_view raw(item->value.a->CStr(), std::size_t(item->value.a->Length()));
    // A few names answer nearly every entity: a small table in front of the
    // map, one slot per name by a quick hash of its bytes.
    RecentLevel& recent = recentLevels_[QuickHash(raw) % kRecentLevels];
    if (recent.known && recent.name == raw) return recent.level;
    bytes.assign(raw);
    auto known = levelOfNarrowName_.find(bytes);
    if (known != levelOfNarrowName_.end()) {
      recent.name = bytes;
      recent.level = known->second;
      recent.known = true;
      return known->second;
    }
  }
  WString name;
  record.FindString(name, 8);
  if (name.IsEmpty()) return LayerZero();
  IndexLayers();
  auto it = layerByName_.find(UpperKey(name));
  if (it != layerByName_.end()) {
    // The index never forgets a name, so the answer holds from now on.
    if (!bytes.empty()) levelOfNarrowName_.emplace(std::move(bytes), it->second);
    return it->second;
  }
  if (layers.Count() < kMaxLayers) return AddImplicitLayer(name, 0);
  return LayerZero();
}

YxxfBlockRec* YxxfReader::FindOwnerBlock(const YxxfGroupRecord& record) {
  YxxfBlockRec* owner = nullptr;
  if (record.FindIndex(kCodeOwnerHandle) >= 0) {
    std::uint64_t handle = record.GetHandle(kCodeOwnerHandle);
    if (handle == 0) return &defaultBlock;
    owner = BlockByHandle(handle);
    if (!owner) return nullptr;
  } else {
    owner = currentBlock ? currentBlock : &defaultBlock;
  }
  if (owner != &defaultBlock && SameNameNoCase(owner->name.View(), u"*MODEL_SPACE")) return &defaultBlock;
  return owner;
}

ImportSpace YxxfReader::SpaceOf(const YxxfBlockRec* owner, const YxxfGroupRecord& record) const {
  if (owner == &defaultBlock) return record.GetInt(67) != 0 ? ImportSpace::Paper : ImportSpace::Model;
  if (owner && StartsWithNoCase(owner->name, u"*PAPER_SPACE")) return ImportSpace::Paper;
  return ImportSpace::Block;
}

bool YxxfReader::SheetBlock(const YxxfBlockRec& block) const {
  return &block == &defaultBlock || StartsWithNoCase(block.name, u"*PAPER_SPACE");
}

bool YxxfReader::AddRecord(const YxxfGroupRecord& record, std::unique_ptr<cOneObjRec> entityRecord, bool spool) {
  if (!entityRecord) return false;
  return AttachRecord(record, FindOwnerBlock(record), std::move(entityRecord), spool);
}

bool YxxfReader::AttachRecord(const YxxfGroupRecord& record, YxxfBlockRec* owner,
                              std::unique_ptr<cOneObjRec> entityRecord, bool spool) {
  if (!entityRecord) return false;
  if (!owner) {
    unowned.Add(entityRecord.release());
    return false;
  }
  if (owner == &defaultBlock) entityRecord->paperSpace = record.GetInt(67) != 0 ? 1 : 0;
  entityRecord->level = LevelOf(record);
  if (spool && spool_) {
    owner->spoolIndex.Add(YxxfSpoolEntry{entityRecord->handle, spool_->Position()});
    entityRecord->WriteSpool(*spool_);
    return true;
  }
  if (cOneViewPort* viewport = entityRecord->AsViewPort()) {
    viewport->blockPosition = owner->entities.Count();
    ++owner->viewportRecords;
  }
  if (entityRecord->entityCode == entity::kAttDef) ++owner->attributeDefinitions;
  if (entityRecord->entityCode == entity::kImage || entityRecord->entityCode == entity::kOle2Frame)
    ++owner->pictureRecords;
  if (entityRecord->paperSpace) ++owner->paperRecords;
  owner->entities.Add(entityRecord.release());
  return true;
}

void YxxfReader::AddEntity(const YxxfGroupRecord& record, std::unique_ptr<cOneObjRec> entityRecord, bool spool,
                           const std::string& name) {
  YxxfBlockRec* owner = FindOwnerBlock(record);
  ImportSpace space = SpaceOf(owner, record);
  if (AttachRecord(record, owner, std::move(entityRecord), spool)) {
    statistics.CountHanded(space, name);
  } else {
    statistics.CountDropped(name, DropReason::UnknownOwner);
  }
}

const YxxfViewportRec* YxxfReader::FindModelViewport(const YxxfReader& reader, const YxxfLayoutRec** outLayout) {
  const YxxfLayoutRec* model = nullptr;
  for (const YxxfLayoutRec* layout : reader.layouts) {
    bool byName = layout->owner == 0 && SameNameNoCase(layout->blockName.View(), u"*Model_Space");
    bool byRecord = layout->owner != 0 && layout->owner == reader.modelSpaceRecord;
    // DXF names the model space only through its block-table record.
    for (const YxxfBlockTableRec* btr : reader.blockTableRecords) {
      if (layout->owner != 0 && btr->handle == layout->owner && SameNameNoCase(btr->name.View(), u"*Model_Space")) {
        byRecord = true;
      }
    }
    if (byName || byRecord) {
      model = layout;
      break;
    }
  }
  if (outLayout) *outLayout = model;
  if (model && model->lastActiveViewport != 0) {
    for (const YxxfViewportRec* vp : reader.viewports) {
      if (vp->handle == model->lastActiveViewport) return vp;
    }
  }
  for (const YxxfViewportRec* vp : reader.viewports) {
    if (SameNameNoCase(vp->name.View(), u"*Active")) return vp;
  }
  return reader.viewports.Get(0);
}

}  // namespace kvn
