// cInsert: block access, label slots, the effective values under block
// overrides, setters, transforms, Assign, extents and drawing. The record
// is in cInsertRecord.cpp, Recalc and Explode in cInsertExpand.cpp.
#include "model/cInsert.h"

#include <algorithm>
#include <cmath>

#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/InsertLabelText.h"
#include "model/KeptExpansions.h"
#include "model/LevelTable.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cText.h"

namespace kvn {

namespace {

// The one process-wide running counter of numbered inserts; never reset.
std::uint32_t g_runningCounter = 0;
// Expansions made in this process: one increment beside the copying of a
// block, never reset.
std::uint64_t g_expansions = 0;

// cos and sin of an angle in degrees, exactly 1 and 0 for 0.
void CosSin(double degrees, double& c, double& s) {
  if (degrees == 0.0) {
    c = 1.0;
    s = 0.0;
    return;
  }
  const double r = degrees * (3.14159265358979323846 / 180.0);
  c = std::cos(r);
  s = std::sin(r);
}

DPoint Turn(const DPoint& p, const DPoint& centre, double c, double s) {
  const double dx = p.x - centre.x, dy = p.y - centre.y;
  return DPoint{c * dx - s * dy + centre.x, s * dx + c * dy + centre.y};
}

bool InList(const DoneBlockList* list, const cBlock* block) {
  return list && std::find(list->begin(), list->end(), block) != list->end();
}

}  // namespace

cInsert::cInsert(bool numbered) : cOutObj(kTypeInsert) {
  if (numbered) runningId_ = ++g_runningCounter;
}

cInsert::~cInsert() = default;

std::uint32_t cInsert::RunningCounter() { return g_runningCounter; }

// ---- block access ------------------------------------------------------------------------

cBlock* cInsert::GetBlock(cDrawingData* data) {
  if (!data) return nullptr;
  if (blockIndex >= data->BlockCount()) AddBlock(new cBlock(), data);
  return data->GetBlock(blockIndex);
}

cBlock* cInsert::PrepareBlock(cDrawingData* data, cOutObj* chain) {
  if (data && chain && blockIndex < data->BlockCount()) data->MergeDuplicateBlocks(chain, chain, blockIndex, 1);
  return GetBlock(data);
}

void cInsert::AddBlock(cBlock* block, cDrawingData* data) {
  if (!block || !data) {
    delete block;
    return;
  }
  blockIndex = data->AddBlock(block);
  MarkDirty();
}

bool cInsert::HasSameBlock(const cInsert& other, cDrawingData* data) const {
  if (blockIndex == other.blockIndex) return true;
  if (!data || blockIndex >= data->BlockCount() || other.blockIndex >= data->BlockCount()) return false;
  cBlock* a = data->GetBlock(blockIndex);
  cBlock* b = data->GetBlock(other.blockIndex);
  if (!a || !b) return false;
  ByteArray scratchA, scratchB;
  return a->IsSameBlock(*b, scratchA, scratchB);
}

// ---- label slots -------------------------------------------------------------------------

InsertLabel* cInsert::GetLabelSlot(int i) {
  if (i < 0 || i >= kLabelSlots) i = 0;
  if (labels_.size() <= std::size_t(i)) labels_.resize(std::size_t(i) + 1);
  auto& slot = labels_[std::size_t(i)];
  if (!slot) slot = std::make_unique<InsertLabel>();
  slot->present = 1;
  return slot.get();
}

InsertLabel* cInsert::GetLabelSlotAt(int i) const {
  if (i < 0 || std::size_t(i) >= labels_.size()) return nullptr;
  return labels_[std::size_t(i)].get();
}

std::unique_ptr<cText> cInsert::MakeLabelText(int i, bool keepFields, cInsert* topInsert, cDrawingData* data) {
  const InsertLabel* slot = GetLabelSlotAt(i);
  if (!slot || !slot->present || !data) return nullptr;
  const std::uint16_t style = cDrawingData::TextStyleIndex(slot->textStyle, data);
  const WString shown = BuildInsertLabelText(*this, slot->text, data);
  if (shown.IsEmpty()) return nullptr;
  auto text = std::make_unique<cText>();
  if (style == kNoStyle) {
    const double scale = data->GetScale();
    if (scale == 0.0) return nullptr;
    text->attr.height = (scale > 0.0 ? scale : 1.0) * 2.86;
    text->attr.color = 0;
    // A new text names no face; an unstyled label takes the default face of
    // old texts, so that it has one to be drawn in.
    text->faceName = GetDefaultFaceForKind(text->pitchAndFamily, 0);
    RegisterTextFont(*data, *text);
  } else {
    text->SetTypeByteSourceBits(std::uint8_t(text->TypeByte() | kTypeStyledStroke));
    text->attr.textStyle = style;
    text->attr.height = 0.0;
    text->attr.color = 0x80000000u;
    text->attr.widthFactor = 0.0;
  }
  text->SetLevel(Level());
  text->CopyVisibilityFlags(*this);
  text->CopyPages(*this);
  text->alignment = slot->alignment;
  text->SetText(shown);
  text->point = slot->position;
  text->SetAngle(slot->angle);
  if (!keepFields) text->ExpandFieldsInSource(data, this, topInsert ? topInsert : this);
  // Texts read from a file have their glyphs loaded by the reader; a label
  // is made later, so it loads its own.
  data->LoadGlyphsForText(*text);
  text->MarkDirty();
  return text;
}

// ---- effective values --------------------------------------------------------------------

const WString* cInsert::GetDisplayName(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  return block && (block->mask & kBlockName) ? &block->name : &name;
}

void cInsert::GetFirstDescription(WString& out) const {
  out.Clear();
  for (std::uint32_t i = 0; i < attributes.Count(); ++i) {
    if (attributes.Get(i)->kind == 1) {
      out = attributes.Get(i)->value;
      return;
    }
  }
}

void cInsert::GetFirstValue(WString& out) const {
  out.Clear();
  for (std::uint32_t i = 0; i < attributes.Count(); ++i) {
    if (attributes.Get(i)->kind == 2) {
      out = attributes.Get(i)->value;
      return;
    }
  }
}

void cInsert::GetDescription(WString& out, cDrawingData* data, WString* blockPart) const {
  WString own;
  GetFirstDescription(own);
  const cBlock* block = OverrideBlock(data);
  if (block && (block->mask & kBlockDescription)) {
    if (blockPart) *blockPart = block->description;
    out = block->description;
    out.Append(own);
    return;
  }
  if (blockPart) blockPart->Clear();
  out = own;
}

std::uint8_t cInsert::GetOptionByte(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  return block && (block->mask & kBlockByteValue) ? block->byteValue : optionByte;
}

bool cInsert::GetClassifyFlag(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  if (block && (block->mask & kBlockFlag08)) return (block->flags & kBlockOption08) != 0;
  return (flags & kInsertClassify) != 0;
}

bool cInsert::AllowsNonUniformScale(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  if (block && (block->mask & kBlockFlag10)) return (block->flags & kBlockOption10) == 0;
  return (flags & kInsertNonUniform) != 0;
}

bool cInsert::AllowsMirror(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  if (block && (block->mask & kBlockFlag20)) return (block->flags & kBlockOption20) != 0;
  return (flags & kInsertMirror) != 0;
}

const DPoint* cInsert::GetEffectiveScale(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  return block && (block->mask & kBlockPoint) ? &block->point : &scale;
}

int ClassifyObjectForBlock(cDrawingData* data, cOutObj* object) {
  if (!object) return 3;
  if (object->AsText()) return 1;
  if (const cInsert* insert = object->AsInsert(); insert && insert->GetClassifyFlag(data)) return 1;
  return 2;
}

// ---- setters -----------------------------------------------------------------------------

void cInsert::SetInsertPoint(const DPoint& p) {
  const DPoint offset{p.x - point.x, p.y - point.y};
  for (auto& slot : labels_) {
    if (slot && slot->present) slot->position = DPoint{slot->position.x + offset.x, slot->position.y + offset.y};
  }
  point = p;
  MarkDirty();
}

void cInsert::SetScale(const TransformContext& context, const DPoint& s) {
  double x = s.x == 0.0 ? 1.0 : s.x;
  double y = s.y == 0.0 ? 1.0 : s.y;
  if (!AllowsMirror(context.data)) {
    x = std::fabs(x);
    y = std::fabs(y);
  }
  if (!AllowsNonUniformScale(context.data)) y = std::copysign(std::fabs(x), y);
  scale = DPoint{x, y};
  MarkDirty();
  if (context.data && context.doneBlocks) {
    cBlock* block = PrepareBlock(context.data, context.chain);
    if (block && (block->mask & kBlockPoint) && !InList(context.doneBlocks, block)) {
      context.doneBlocks->push_back(block);
      block->InvalidateChecksum();
      block->point = DPoint{x, y};
    }
  }
}

void cInsert::SetAngle(double degrees) {
  angle = NormalizeAngle(degrees);
  MarkDirty();
}

void cInsert::SetQuarterTurn(int k) {
  static constexpr double kTurns[4] = {0.0, 90.0, 180.0, -90.0};
  angle = kTurns[k & 3];
  MarkDirty();
}

void cInsert::SetAttributes(const AttributeList& list) {
  attributes.Assign(list);
  MarkDirty();
}

void cInsert::SetDescription(const WString& text, cDrawingData* data) {
  attributes.SetByKind(text, 1);
  const cBlock* block = OverrideBlock(data);
  if (block && (block->mask & kBlockDescription)) data->GetBlock(blockIndex)->description = text;
  MarkDirty();
}

void cInsert::SetValue(const WString& text) {
  attributes.SetByKind(text, 2);
  MarkDirty();
}

DPoint cInsert::BlockToDrawing(const DPoint& p, cDrawingData* data) const {
  const DPoint* s = GetEffectiveScale(data);
  double c, sn;
  CosSin(-angle, c, sn);
  const DPoint scaled{p.x * s->x, p.y * s->y};
  return DPoint{c * scaled.x - sn * scaled.y + point.x, sn * scaled.x + c * scaled.y + point.y};
}

bool cInsert::ContainsInsertPoint(const DRect& r) const {
  return point.x >= std::min(r.x1, r.x2) && point.x <= std::max(r.x1, r.x2) && point.y >= std::min(r.y1, r.y2) &&
         point.y <= std::max(r.y1, r.y2);
}

// ---- transforms --------------------------------------------------------------------------

void cInsert::Move(const DPoint& offset) {
  point = DPoint{point.x + offset.x, point.y + offset.y};
  for (auto& slot : labels_) {
    if (slot && slot->present) slot->position = DPoint{slot->position.x + offset.x, slot->position.y + offset.y};
  }
  MarkDirty();
}

void cInsert::LabelCentres(cDrawingData* data, std::vector<DPoint>& centres, std::vector<DPoint>& offsets,
                           double keepAngleTurn) {
  centres.assign(labels_.size(), DPoint{});
  offsets.assign(labels_.size(), DPoint{});
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    if (labels_[i]) centres[i] = labels_[i]->position;
  }
  if (!data) return;
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    InsertLabel* slot = labels_[i].get();
    if (!slot || !slot->present) continue;
    if (slot->keepAngle == 0) {
      std::unique_ptr<cText> text = MakeLabelText(int(i), false, this, data);
      if (!text) continue;
      text->UpdateIfDirty(data);
      DRect r;
      text->GetExtent(r);
      centres[i] = DPoint{(r.x1 + r.x2) / 2, (r.y1 + r.y2) / 2};
      offsets[i] = DPoint{centres[i].x - slot->position.x, centres[i].y - slot->position.y};
    } else if (keepAngleTurn != 0.0 || std::isnan(keepAngleTurn)) {
      slot->angle = NormalizeAngle(slot->angle - keepAngleTurn);
    }
  }
}

bool cInsert::Rotate(const TransformContext& context, const DPoint& centre, double degrees) {
  std::vector<DPoint> centres, offsets;
  LabelCentres(context.data, centres, offsets, degrees);
  double c = 1.0, s = 0.0;
  if (degrees != 0.0) CosSin(degrees, c, s);
  if (degrees != 0.0) point = Turn(point, centre, c, s);
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    InsertLabel* slot = labels_[i].get();
    if (!slot || !slot->present) continue;
    DPoint ci = centres[i];
    if (degrees != 0.0) ci = Turn(ci, centre, c, s);
    slot->position = DPoint{ci.x - offsets[i].x, ci.y - offsets[i].y};
  }
  angle = NormalizeAngle(angle - degrees);
  MarkDirty();
  return true;
}

bool cInsert::Scale(const TransformContext& context, const DPoint& centre, const DPoint& f) {
  std::vector<DPoint> centres, offsets;
  LabelCentres(context.data && context.chain ? context.data : nullptr, centres, offsets, 0.0);
  point = DPoint{(point.x - centre.x) * f.x + centre.x, (point.y - centre.y) * f.y + centre.y};
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    InsertLabel* slot = labels_[i].get();
    if (!slot || !slot->present) continue;
    const DPoint ci{(centres[i].x - centre.x) * f.x + centre.x, (centres[i].y - centre.y) * f.y + centre.y};
    slot->position = DPoint{ci.x - offsets[i].x, ci.y - offsets[i].y};
  }
  const DPoint s = *GetEffectiveScale(context.data);
  DPoint next;
  if (angle == std::floor(angle / 90.0 + 0.5) * 90.0) {
    if (int(angle) % 180 == 0) {
      next = DPoint{s.x * f.x, s.y * f.y};
    } else {
      next = DPoint{s.x * f.y, s.y * f.x};
    }
  } else {
    const double m = std::min(std::fabs(f.x), std::fabs(f.y));
    next = DPoint{s.x * m, s.y * m};
    if (f.x < 0) {
      angle = NormalizeAngle(-angle);
      next.x = -next.x;
    }
    if (f.y < 0) {
      angle = NormalizeAngle(-angle);
      next.y = -next.y;
    }
  }
  SetScale(context, next);
  MarkDirty();
  return true;
}

void cInsert::ScaleLineWidths(const TransformContext& context, double factor) {
  if (factor < 0.0 || !HasFixedWidth(context.data)) return;
  widthValue *= factor;
  MarkDirty();
  if (!context.data || !context.doneBlocks) return;
  cBlock* block = PrepareBlock(context.data, context.chain);
  if (block && (block->mask & kBlockValue) && !InList(context.doneBlocks, block)) {
    context.doneBlocks->push_back(block);
    block->InvalidateChecksum();
    block->value *= factor;
  }
}

// ---- copies ------------------------------------------------------------------------------

void cInsert::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  const cInsert* other = source.AsInsert();
  if (!other) return;
  name = other->name;
  labels_.clear();
  labels_.resize(other->labels_.size());
  for (std::size_t i = 0; i < other->labels_.size(); ++i) {
    if (other->labels_[i]) labels_[i] = std::make_unique<InsertLabel>(*other->labels_[i]);
  }
  point = other->point;
  angle = other->angle;
  scale = other->scale;
  widthValue = other->widthValue;
  labelBits = other->labelBits;
  flags = other->flags;
  optionByte = other->optionByte;
  widthMode = other->widthMode;
  color = other->color;
  blockIndex = other->blockIndex;
  linkId = other->linkId;
  linkNumber = other->linkNumber;
  attributes.Assign(other->attributes);
  MarkDirty();
}

// ---- extents and drawing -----------------------------------------------------------------

DRect& cInsert::GetExtent(DRect& out) {
  out = plainExtent;
  return out;
}

void cInsert::AddStrokeExtent(cDrawingData* data, DRect& extent) {
  UpdateIfDirty(data);
  GetExtent(extent);
  extent = strokeExtent;
}

void cInsert::AddFullExtent(cDrawingData* data, DRect& extent) {
  UpdateIfDirty(data);
  GetExtent(extent);
  extent = fullExtent;
}

void cInsert::DropChildren() {
  KeptExpansions::Shared().Forget(*this);
  // An insert marked changed keeps its mark: its extents are not valid.
  if (!HasFlag(kFlagDirty)) childrenDropped_ = true;
  children_.FlushAndRelease();
  std::vector<cOutObj*>().swap(childObjects_);
}

void cInsert::RemakeDroppedChildren() const {
  // The children are what the insert caches of its block, not part of its
  // value: a reader of a const insert may have them made again.
  if (childrenDropped_ && !HasFlag(kFlagDirty)) const_cast<cInsert*>(this)->Recalc(expandedWith_);
}

void cInsert::BeginExpansion(cDrawingData* data) {
  KeptExpansions::Shared().Forget(*this);
  ++g_expansions;
  childrenDropped_ = false;
  expandedWith_ = data;
  levelExtents_.clear();
}

void cInsert::AddChildExtent(std::uint16_t level, const DRect& full) {
  // Children of a block mostly lie on one or two levels: a short search.
  for (ChildLevelExtent& e : levelExtents_) {
    if (e.level != level) continue;
    bool first = false;
    e.extent.Union(full, first);
    return;
  }
  levelExtents_.push_back(ChildLevelExtent{level, full});
}

bool cInsert::UniteChildExtents(cDrawingData* data, LevelTable* visibleOnly, DRect& out, bool& first) {
  const bool expands = HasFlag(kFlagDirty);
  UpdateIfDirty(data);
  bool any = false;
  for (const ChildLevelExtent& e : levelExtents_) {
    if (visibleOnly && !visibleOnly->GetLevel(e.level)->visible) continue;
    out.Union(e.extent, first);
    any = true;
  }
  // Expanded only to be measured: the children go again.
  if (expands) DropChildren();
  return any;
}

std::uint64_t cInsert::ExpansionCount() { return g_expansions; }

void cInsert::RebuildChildPointers() {
  childObjects_.clear();
  childObjects_.reserve(children_.Count());
  for (std::size_t i = 0; i < children_.Count(); ++i) childObjects_.push_back(children_[i].object.get());
}

}  // namespace kvn
