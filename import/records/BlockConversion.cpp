// Block conversion: the records of one block become drawing objects under a
// transform; an insert converts its block recursively into a generated
// block of the drawing data, placed by a cInsert.
#include <algorithm>
#include <cmath>
#include <strings.h>

#include "document/ProgressMonitor.h"
#include "import/records/AciColors.h"
#include "import/records/ImportFrames.h"
#include "import/records/ImportMatrix.h"
#include "import/records/InsertRecord.h"
#include "import/records/PictureRecords.h"
#include "import/records/TextRecord.h"
#include "import/records/ViewportRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/AttributeList.h"
#include "model/TagIndex.h"
#include "model/cInsert.h"
#include "model/cSection.h"
#include "model/cText.h"

namespace kvn {

namespace {

// The linear part of an insert's transform (rows 0 to 2, columns 0 to 2).
constexpr int kLinear[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};

}  // namespace

namespace {

// What decides whether an insert may place a block made for another.
SharedInsertBlock SharingKey(const YxxfBlockRec& block, const InsertChainLink* parent, const YxxfEntInsert& insert,
                             const ImportMatrix& m) {
  SharedInsertBlock key;
  key.block = &block;
  key.parent = parent;
  key.color = insert.color;
  key.level = insert.level;
  key.lineTypeHandle = insert.lineTypeHandle;
  key.lineTypeByHandle = insert.lineTypeByHandle;
  key.lineTypeName = insert.lineTypeName;
  for (int k = 0; k < 9; ++k) key.linear[k] = m.m[kLinear[k]];
  return key;
}

}  // namespace

const SharedInsertBlock* YxxfReader::FindSharedBlock(const YxxfBlockRec& block, const InsertChainLink* parent,
                                                     const YxxfEntInsert& insert, const ImportMatrix& m) const {
  // Only top-level inserts are remembered (below).
  if (parent || sharedInsertBlocks.Count() == 0) return nullptr;
  return sharedInsertBlocks.Find(SharingKey(block, parent, insert, m));
}

void YxxfReader::RememberSharedBlock(const YxxfBlockRec& block, const InsertChainLink* parent,
                                     const YxxfEntInsert& insert, const ImportMatrix& m, std::uint32_t index) {
  // Nested inserts are styled through the chain of their parents, which
  // differs from one expansion to the next: only top-level ones share.
  if (parent) return;
  SharedInsertBlock shared = SharingKey(block, parent, insert, m);
  shared.blockIndex = index;
  sharedInsertBlocks.Remember(std::move(shared));
}

std::unique_ptr<cSection> YxxfReader::MakeReferenceView(const YxxfEntInsert& insert, const YxxfBlockRec& block,
                                                        const ImportMatrix& transform) {
  std::size_t key = 0;
  while (key < referenceBlocks.size() && referenceBlocks[key] != &block) ++key;
  if (key == referenceBlocks.size()) {
    // The view's sheet index is 16 bits.
    if (key >= 65535) return nullptr;
    referenceBlocks.push_back(&block);
  }
  ImportMatrix local;
  const Vec3 insertion = SetupInsertMatrix(local, insert.extrusion, insert.rotation, insert.scale, insert.insertion);
  auto view = std::make_unique<cSection>();
  view->referenceView = 1;
  view->sheetIndex = std::uint16_t(key);
  view->automaticFrame = 1;
  view->insertPoint = transform.TransformTo2D(insertion);
  view->sourcePoint = DPoint{block.base.x, -block.base.y};
  const double scale = std::fabs(insert.scale.x);
  view->scale = scale > 0.0 && std::isfinite(scale) ? scale : 1.0;
  double angle = std::isfinite(insert.rotation) ? std::remainder(insert.rotation, 360.0) : 0.0;
  if (angle <= -180.0) angle += 360.0;
  view->angle = angle;
  view->MarkDirty();
  return view;
}

void YxxfReader::NotePlacementLoss(const cOneObjRec& record, LossReason reason) {
  placementLosses_.emplace_back(&record, reason);
}

void YxxfReader::CountPlacementLosses() {
  for (const auto& [record, reason] : placementLosses_) {
    // However often its block is placed, and on however many sheets.
    if (!placementLossesCounted_.insert(record).second) continue;
    const char* name = EntityNameOfCode(record->entityCode);
    statistics.CountLoss(name ? name : "unknown", reason);
  }
  placementLosses_.clear();
}

YxxfBlockRec* YxxfReader::FindBlock(std::uint64_t insertHandle, const WString& name, std::uint64_t blockHandle) {
  return blockLookup_.Find(blocks, insertHandle, name, blockHandle);
}

namespace {

// How far ahead of the record in hand the conversion fetches records.
constexpr std::uint32_t kRecordsAhead = 8;

// Whether a record of the default block is read by no walk after the
// model's conversion: the paper's conversion reads the paper records, all
// viewports (for the overall one) and the attributes after a paper insert
// up to the record that ends them; the attribute list reads the model's
// attribute definitions. `paperRun` carries whether the records in hand
// follow a paper record through attributes only.
bool ReleasableModelRecord(const cOneObjRec& record, bool& paperRun) {
  if (record.paperSpace) {
    paperRun = true;
    return false;
  }
  if (paperRun) {
    paperRun = record.entityCode == entity::kAttrib;
    return false;
  }
  if (record.entityCode == entity::kAttDef) return false;
  return const_cast<cOneObjRec&>(record).AsViewPort() == nullptr;
}

}  // namespace

bool YxxfReader::ConvertBlock(ObjectChain& out, const InsertChainLink* chain, const ImportMatrix& transform,
                              cDrawingData* data, int mode, YxxfBlockRec& block, ProgressMonitor* monitor) {
  const std::uint32_t count = block.entities.Count();
  // The paper's overall viewport is no object: the one with id 1, or the
  // first viewport when none has an id (files that number them otherwise
  // would lose a real view to the order of the file).
  const cOneObjRec* overall = nullptr;
  if (!chain && block.viewportRecords != 0) {
    const cOneObjRec* first = nullptr;
    bool anyId = false;
    for (std::uint32_t i = 0; i < count; ++i) {
      // The records lie all over the heap: those ahead are fetched while
      // this one is asked.
      if (i + kRecordsAhead < count) __builtin_prefetch(block.entities[i + kRecordsAhead]);
      cOneViewPort* viewport = block.entities[i]->AsViewPort();
      if (!viewport) continue;
      if (!first) first = viewport;
      anyId = anyId || viewport->viewportId != 0;
      if (viewport->viewportId == 1 && !overall) overall = viewport;
    }
    if (!anyId) overall = first;
  }
  // Objects put at the top of a sheet are noted with their levels and the
  // type of the record in hand, which names them should they be lost.
  std::vector<SheetObject>* const noted = chain ? nullptr : sheetObjects_;
  const cOneObjRec* inHand = nullptr;
  auto note = [noted, &inHand](cOutObj* object) {
    if (noted) noted->push_back(SheetObject{object, object->Level(), inHand ? inHand->entityCode : std::uint16_t(0)});
  };
  // Asked before each record: whether the conversion is to stop.
  auto stop = [&] {
    if (monitor && monitor->Cancelled()) return true;
    return ImportOutOfMemory();
  };
  // The pictures of model and paper space were judged where the file puts
  // them as they were read; a block's are judged where this conversion
  // places them. A block without pictures asks nothing of its records: a
  // placement-heavy drawing places millions of them.
  const bool judgePictures = (chain || !SheetBlock(block)) && block.pictureRecords != 0;
  // Only the default block holds paper-space records: the paper of a
  // drawing without any is a walk that makes nothing (asked once, as the
  // walk would ask before its first record).
  if (mode == 2 && block.paperRecords == 0) return count == 0 || !stop();
  // A record is let go once the walk has passed it (an insert reads the
  // attributes that follow it, never those before).
  const bool release = releaseModelRecords_ && !chain && mode == 1 && &block == &defaultBlock;
  bool paperRun = false;
  std::uint32_t passed = count;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (passed != count) {
      block.entities.DeleteAt(passed);
      passed = count;
    }
    if (stop()) return false;
    if (i + kRecordsAhead < count) __builtin_prefetch(block.entities[i + kRecordsAhead]);
    const cOneObjRec& record = *block.entities[i];
    inHand = &record;
    if (release && ReleasableModelRecord(record, paperRun)) passed = i;
    if (&record == overall) continue;
    if ((mode == 1 && record.paperSpace) || (mode == 2 && !record.paperSpace)) continue;
    if (record.invisible || record.entityCode == entity::kAttrib) continue;
    if (chain && record.entityCode == entity::kAttDef) continue;
    const YxxfEntInsert* insert = const_cast<cOneObjRec&>(record).AsInsert();
    if (!insert) {
      if (judgePictures) {
        if (const auto loss = PictureLossWherePlaced(record, transform)) {
          NotePlacementLoss(record, *loss);
          continue;
        }
      }
      ObjectChain made = record.MakeObject(&transform, this, nullptr);
      for (cOutObj* object = made.Head(); object; object = object->next) {
        StyleImportedObject(chain, record, *object, *data, &transform);
        note(object);
      }
      out.AppendChain(std::move(made));
      continue;
    }
    YxxfBlockRec* target = FindBlock(insert->handle, insert->blockName, insert->blockHandle);
    if (!target) continue;
    if ((target->flags & 4) && !target->xrefPath.IsEmpty()) {
      // The referenced drawing is loaded after the sheets are built and
      // shown through this view.
      if (std::unique_ptr<cSection> view = MakeReferenceView(*insert, *target, transform)) {
        StyleImportedObject(chain, record, *view, *data);
        note(view.get());
        out.Append(view.release());
      }
      continue;
    }
    // A block on its own insert chain would recurse without end.
    bool onChain = target == &block;
    for (const InsertChainLink* link = chain; link && !onChain; link = link->parent) onChain = link->block == target;
    const std::uint32_t depth = chain ? chain->depth + 1 : 1;
    if (onChain || depth > maxInsertDepth) {
      ++selfInserts;
      continue;
    }
    // The attributes of the insert follow it in the block.
    std::uint32_t attributesEnd = i + 1;
    while (attributesEnd < count && block.entities[attributesEnd]->entityCode == entity::kAttrib) ++attributesEnd;
    // The same for every cell of an array.
    ImportMatrix local;
    const Vec3 insertion = SetupInsertMatrix(local, insert->extrusion, insert->rotation, insert->scale,
                                             insert->insertion);
    const double angle = insert->rotation * 3.141592653589793 / 180.0;
    const double cosine = std::cos(angle), sine = std::sin(angle);
    // Every cell, column by column: the forecast weighed them all.
    for (std::uint32_t c = 0; c < insert->columns; ++c) {
      for (std::uint32_t r = 0; r < insert->rows; ++r) {
        const double dx = c * insert->columnSpacing, dy = r * insert->rowSpacing;
        const Vec3 cell = OcsToWcs(Vec3{dx * cosine - dy * sine, dx * sine + dy * cosine, 0.0}, insert->extrusion);
        const Vec3 origin{insertion.x + cell.x, insertion.y + cell.y, insertion.z + cell.z};
        ImportMatrix m;
        m.PreTranslateNegated(target->base);
        m.PreMultiply(local);
        m.PreTranslate(origin);
        m.PreMultiply(transform);
        m.counter = transform.counter;
        const DPoint at = transform.TransformTo2D(origin);
        // An insert like an earlier one (same block, same turn and scale,
        // the same styling) places the block made for that one; inserts
        // with attributes carry their own texts.
        const bool shareable = attributesEnd == i + 1;
        if (shareable) {
          if (const SharedInsertBlock* shared = FindSharedBlock(*target, chain, *insert, m)) {
            auto placed = std::make_unique<cInsert>();
            placed->blockIndex = shared->blockIndex;
            placed->SetInsertPoint(at);
            placed->name = target->name;
            placed->SetLevel(insert->level);
            note(placed.get());
            out.Append(placed.release());
            continue;
          }
        }
        InsertChainLink link{chain, insert, target, depth};
        ObjectChain children;
        if (!ConvertBlock(children, &link, m, data, 0, *target, monitor)) return false;
        for (std::uint32_t a = i + 1; a < attributesEnd; ++a) {
          const cOneObjRec& attribute = *block.entities[a];
          const cOneText* value = const_cast<cOneObjRec&>(attribute).AsText();
          // An attribute flagged invisible (bit 0 of its flags) is kept
          // with the insert but not drawn.
          if (attribute.invisible || (value && (value->flags[0] & 1))) continue;
          ObjectChain text = attribute.MakeObject(&transform, this, nullptr);
          for (cOutObj* object = text.Head(); object; object = object->next) StyleImportedObject(&link, attribute, *object, *data);
          children.AppendChain(std::move(text));
        }
        if (!children.Head()) continue;
        // The insert's attributes: one per tag, case and accents aside
        // (files written with and without the accents of a language name
        // one attribute), with the prompt of the block's ATTDEF of that
        // exact tag.
        // Tags are found through indexes: an insert may carry thousands.
        AttributeList attributes;
        TagIndex tags(TagIndex::Match::NoCaseAccent);
        TagIndex definitions;
        bool definitionsIndexed = false;
        for (std::uint32_t a = i + 1; a < attributesEnd; ++a) {
          const cOneText* attribute = const_cast<cOneObjRec*>(block.entities[a])->AsText();
          if (!attribute) continue;
          if (!tags.Add(attribute->tag.View(), attributes.Count())) continue;
          AttributeItem item;
          item.name = attribute->tag;
          item.value = attribute->text;
          if (!definitionsIndexed) {
            for (std::uint32_t d = 0; d < target->entities.Count(); ++d) {
              const cOneText* definition = const_cast<cOneObjRec*>(target->entities[d])->AsText();
              if (definition && definition->entityCode == entity::kAttDef) definitions.Add(definition->tag.View(), d);
            }
            definitionsIndexed = true;
          }
          if (const std::int64_t d = definitions.Find(attribute->tag.View()); d >= 0) {
            item.third = const_cast<cOneObjRec*>(target->entities[std::uint32_t(d)])->AsText()->prompt;
          }
          item.flag = (attribute->flags[0] & 1) == 0 ? 1 : 0;
          attributes.Add(std::move(item));
        }
        auto generated = std::make_unique<cBlock>();
        generated->AppendChain(std::move(children));
        generated->MoveObjects(DPoint{-at.x, -at.y});
        auto placed = std::make_unique<cInsert>();
        placed->blockIndex = data->AddBlock(generated.release());
        if (shareable) RememberSharedBlock(*target, chain, *insert, m, placed->blockIndex);
        placed->SetInsertPoint(at);
        placed->name = target->name;
        if (attributes.Count() != 0) placed->SetAttributes(attributes);
        placed->SetLevel(insert->level);
        note(placed.get());
        out.Append(placed.release());
      }
    }
  }
  if (passed != count) block.entities.DeleteAt(passed);
  return true;
}

}  // namespace kvn
