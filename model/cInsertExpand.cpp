// Insert expansion (InsertExpansion.h) and the operations of cInsert built
// on it: Recalc, Explode and ExplodeObject.
#include <algorithm>
#include <memory>

#include "model/BlockPath.h"
#include "model/InsertCopyMap.h"
#include "model/InsertExpansion.h"
#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cInvRect.h"
#include "model/cPolygon.h"
#include "model/cText.h"

namespace kvn {

namespace {

constexpr std::uint32_t kColorUnset = 0x80000000u;

// The polygon of a stroked object's outline with its attributes, level,
// flags and pages; null for an object that is not stroked.
std::unique_ptr<cOutObj> OutlinePolygon(cOutObj& object) {
  cAnyLine* line = object.AsAnyLine();
  if (!line) return nullptr;
  auto polygon = std::make_unique<cPolygon>();
  line->ToPolygon(*polygon);
  polygon->SetLevel(object.Level());
  polygon->CopyVisibilityFlags(object);
  polygon->CopyExtraFlags(object);
  polygon->CopyPages(object);
  polygon->MarkDirty();
  return polygon;
}

// Scales the object of the entry; one that refuses and is stroked becomes
// its outline polygon, scaled the same way.
void ScaleOrReplace(std::unique_ptr<cOutObj>& object, const TransformContext& context, const DPoint& centre,
                    const DPoint& factors) {
  if (object->Scale(context, centre, factors)) return;
  if (std::unique_ptr<cOutObj> polygon = OutlinePolygon(*object)) {
    polygon->Scale(context, centre, factors);
    object = std::move(polygon);
  }
}

void RotateOrReplace(std::unique_ptr<cOutObj>& object, const TransformContext& context, const DPoint& centre,
                     double degrees) {
  if (object->Rotate(context, centre, degrees)) return;
  if (std::unique_ptr<cOutObj> polygon = OutlinePolygon(*object)) {
    polygon->Rotate(context, centre, degrees);
    object = std::move(polygon);
  }
}

// The attribute substitution of a block text: -1 when no attribute names the
// text, 0 when the attribute empties or switches the text off, 1 when
// `value` replaces the text.
int SubstituteAttribute(const cText& text, cInsert& insert, cDrawingData* data, WString& value) {
  const WString& source = text.GetText();
  if (source.IsEmpty()) return -1;
  const AttributeList* definitions = nullptr;
  if (data && insert.blockIndex < data->BlockCount()) {
    const cBlock* block = data->GetBlock(insert.blockIndex);
    if (block && (block->mask & kBlockAttributes)) definitions = &block->attributes;
  }
  std::uint8_t flag = 0;
  if (!insert.attributes.Lookup(definitions, nullptr, value, &flag, source)) return -1;
  return !value.IsEmpty() && flag != 0 ? 1 : 0;
}

}  // namespace

// ---- ExpandInsert ----------------------------------------------------------------------

void ExpandInsert(const ExpandInsertArgs& args) {
  if (!args.insert || !args.block || !args.out) return;
  BlockPath ownPath;
  BlockPath& path = args.path ? *args.path : ownPath;
  std::uint32_t ownBudget = ExpansionBudget();
  std::uint32_t& budget = args.budget ? *args.budget : ownBudget;
  std::uint32_t ownEntries = ExpansionEntries();
  std::uint32_t& entries = args.entries ? *args.entries : ownEntries;
  BlockPathScope scope(path, args.block);
  if (!scope.Entered()) return;

  cInsert& insert = *args.insert;
  cDrawingData* data = args.data;
  TransformContext plain;
  plain.data = data;
  ObjectEntryArray t;
  // One entry per block object, the usual case, taken at once rather than grown.
  std::size_t blockObjects = 0;
  for (const cOutObj* o = args.block->FirstObject(); o; o = o->next) ++blockObjects;
  t.Reserve(blockObjects);

  // 1. Copies, explosions and nested expansions, in block order.
  for (cOutObj* o = args.block->FirstObject(); o; o = o->next) {
    if (budget == 0) break;
    if (cInsert* nested = o->AsInsert()) {
      if (!data || entries == 0) continue;
      --entries;
      const std::uint16_t level = nested->Level() == kNoLevel ? args.level : nested->Level();
      ExpandInsertArgs inner;
      inner.blockData = args.blockData;
      inner.insert = nested;
      inner.block = nested->GetBlock(data);
      inner.out = &t;
      inner.data = data;
      inner.labelsOff = args.labelsOff;
      inner.topInsert = args.topInsert;
      inner.level = level;
      inner.path = &path;
      inner.budget = &budget;
      inner.entries = &entries;
      ExpandInsert(inner);
      continue;
    }
    ObjectChain chain;
    const bool explode = o->AsLink() || (o->TypeCode() == kTypeConPoint && !args.keepConPoints);
    if (explode) {
      if (!data) continue;
      chain = o->Explode(data);
    } else if (cOutObj* copy = cOutObj::Clone(*o)) {
      chain.Append(copy);
    }
    for (cOutObj* head = chain.Release(); head;) {
      std::unique_ptr<cOutObj> child(head);
      head = head->next;
      child->next = nullptr;
      if (budget == 0) continue;
      --budget;
      int index = kEntryBlockObject;
      if (child->Level() == kNoLevel) child->SetLevel(args.level);
      if (cAnyLine* line = child->AsAnyLine()) {
        if (args.fixedWidth == kNoFixedWidth) {
          line->ScaleLineWidths(TransformContext{}, args.widthFactor);
        } else {
          line->stroke.width = args.fixedWidth;
        }
        if (args.colorOverride) line->stroke.color = *args.colorOverride;
        if (args.gapColorOverride) line->stroke.gapColor = *args.gapColorOverride;
        line->MarkDirty();
      }
      if (cAnyFill* fill = child->AsAnyFill(); fill && args.colorOverride) {
        if (!(fill->fill.fillColor & kColorUnset)) fill->fill.fillColor = *args.colorOverride;
        fill->fill.hatchColor = *args.colorOverride;
        fill->MarkDirty();
      }
      if (cText* text = child->AsText()) {
        if (args.colorOverride) text->attr.color = *args.colorOverride;
        text->ExpandFieldsInSource(data, &insert, args.topInsert);
        WString value;
        const int substituted = SubstituteAttribute(*text, insert, data, value);
        if (substituted == 0) continue;  // the text and its entry go
        if (substituted == 1) {
          text->SetText(value);
          text->ExpandFieldsInSource(data, &insert, args.topInsert);
          index = kEntryAttributeText;
        }
      }
      t.Append(child.release(), o, index);
    }
  }

  // 2. Placed, scaled, recoloured and turned as the insert says.
  const DPoint p = insert.point;
  const DPoint s = *insert.GetEffectiveScale(args.blockData);
  for (std::size_t i = 0; i < t.Count(); ++i) {
    std::unique_ptr<cOutObj>& object = t[i].object;
    object->Move(p);
    if (s.x != 1.0 || s.y != 1.0) ScaleOrReplace(object, plain, p, s);
    if (!args.resolvePass) ApplyInsertOverrides(args.blockData, data, *object, insert, true, true);
    if (insert.angle != 0.0) RotateOrReplace(object, plain, p, -insert.angle);
  }

  // 3. Into the output list.
  ObjectEntryArray& out = *args.out;
  out.TakeAll(t);

  // 4. What the blank-out rectangle covers: the block's children with pens.
  DRect cover;
  if (insert.blankOut & 1) {
    bool first = true;
    for (std::size_t i = 0; i < out.Count(); ++i) {
      cOutObj& object = *out[i].object;
      object.UpdateIfDirty(data);
      DRect r;
      object.GetExtent(r);
      object.AddStrokeExtent(data, r);
      cover.Union(r, first);
    }
  }

  // 5. Label texts. A nested insert's labels are paid from the budget like
  // its block's objects: a lattice of labelled placements of empty blocks
  // would otherwise make labels without end.
  if (!args.labelsOff) {
    const bool nested = args.budget != nullptr;
    for (int i = 0; i < insert.LabelSlotCount(); ++i) {
      if (nested) {
        if (budget == 0) break;
        --budget;
      }
      std::unique_ptr<cText> text = insert.MakeLabelText(i, false, args.topInsert, data);
      if (!text) continue;
      text->SetFlag(kFlagInsertGenerated);
      if (text->Level() == kNoLevel) text->SetLevel(args.level);
      out.Append(text.release(), &insert, i);
      if (args.labelBits) *args.labelBits = std::uint8_t(*args.labelBits | (1u << i));
    }
  }

  // 6. The blank-out rectangle, after the labels.
  if (insert.blankOut & 1) {
    auto rect = std::make_unique<cInvRect>(cover);
    rect->SetLevel(insert.Level());
    rect->CopyVisibilityFlags(insert);
    rect->CopyPages(insert);
    rect->SetFlag(kFlagDirty);
    rect->SetFlag(kFlagInsertGenerated);
    out.Append(rect.release(), nullptr, kEntryBlockObject);
  }

  // 7. Styles resolved into the children.
  if (args.resolvePass) {
    for (std::size_t i = 0; i < out.Count();) {
      cOutObj& object = *out[i].object;
      ObjectChain resolved = object.Resolve(data, false);
      if (!resolved) {
        ApplyInsertOverrides(args.blockData, data, object, insert, object.HasFlag(kFlagResolved), true);
        ++i;
        continue;
      }
      const cOutObj* source = out[i].source;
      out.RemoveAt(i);
      for (cOutObj* head = resolved.Release(); head;) {
        cOutObj* r = head;
        head = head->next;
        out.Insert(i, r, source, kEntryBlockObject);
        ApplyInsertOverrides(args.blockData, data, *r, insert, r->HasFlag(kFlagResolved), true);
        ++i;
      }
    }
  }
}

void ApplyInsertOverrides(cDrawingData* blockData, cDrawingData* data, cOutObj& object, const cInsert& insert,
                          bool scaleWidths, bool mark) {
  const std::uint32_t c = insert.GetEffectiveColor(blockData);
  const bool fixed = insert.HasFixedWidth(blockData);
  const double w = insert.GetEffectiveWidth(blockData);
  const bool recolour = !(c & kColorUnset);
  if (recolour) {
    if (cAnyFill* fill = object.AsAnyFill()) {
      if (!(fill->GetFillColor(data) & kColorUnset)) {
        fill->fill.fillColor = c;
        fill->fill.ownFillColor = mark ? 1 : 0;
      }
      if (fill->GetHatchKind(data) != 0) {
        fill->fill.hatchColor = c;
        fill->fill.ownHatchColor = mark ? 1 : 0;
      }
      fill->MarkDirty();
    }
    if (object.TypeCode() == kTypeText) {
      if (cText* text = object.AsText()) text->attr.color = c;
      object.MarkDirty();
    }
  }
  if (cAnyLine* line = object.AsAnyLine()) {
    if (fixed) {
      line->stroke.width = w;
      line->MarkDirty();
    } else if (scaleWidths) {
      line->stroke.width = line->GetWidth(data) * w;
      line->MarkDirty();
    }
    if (recolour) {
      line->stroke.color = c;
      line->stroke.gapColor = 0x80FFFFFFu;
      line->stroke.ownValueBits = std::uint8_t(mark ? line->stroke.ownValueBits | 0x01 : line->stroke.ownValueBits & ~0x01);
      line->MarkDirty();
    }
  }
  if (cInsert* nested = object.AsInsert()) {
    if (recolour) nested->color = c;
    if (fixed) {
      nested->widthMode |= 1;
      nested->widthValue = w;
    } else if (scaleWidths) {
      const cBlock* outer =
          blockData && insert.blockIndex < blockData->BlockCount() ? blockData->GetBlock(insert.blockIndex) : nullptr;
      if (!outer || !(outer->mask & kBlockValue)) nested->widthValue *= insert.widthValue;
    }
    nested->MarkDirty();
  }
}

// ---- explosion ----------------------------------------------------------------------------

std::unique_ptr<cOutObj> cInsert::ExplodeObject(const cOutObj& o, cDrawingData* data) {
  WString value;
  int substituted = -1;
  if (const cText* text = o.AsText()) {
    substituted = SubstituteAttribute(*text, *this, data, value);
    if (substituted == 0) return nullptr;
  }
  std::unique_ptr<cOutObj> copy(cOutObj::Create(o.TypeCode(), true));
  if (!copy) return nullptr;
  copy->Assign(o);
  if (cText* text = copy->AsText()) {
    if (substituted == 1) text->SetText(value);
    text->ExpandFieldsInSource(data, this, this);
  }
  TransformContext plain;
  plain.data = data;
  copy->Move(point);
  ScaleOrReplace(copy, plain, point, *GetEffectiveScale(data));
  if (copy->Level() == kNoLevel) copy->SetLevel(Level());
  copy->MarkDirty();
  copy->CopyPages(*this);
  copy->CopyVisibilityFlags(*this);
  ApplyInsertOverrides(data, data, *copy, *this, true, false);
  RotateOrReplace(copy, plain, point, -angle);
  return copy;
}

ObjectChain cInsert::Explode(cDrawingData* data) {
  InsertCopyMap map;
  ObjectChain out;
  if (cBlock* block = GetBlock(data)) {
    for (const cOutObj* o = block->FirstObject(); o; o = o->next) {
      std::unique_ptr<cOutObj> copy = ExplodeObject(*o, data);
      if (!copy) continue;
      map.Record(copy.get(), o);
      out.Append(copy.release());
    }
  }
  for (int i = 0; i < LabelSlotCount(); ++i) {
    std::unique_ptr<cText> text = MakeLabelText(i, false, this, data);
    if (!text) continue;
    ApplyInsertOverrides(data, data, *text, *this, true, false);
    out.Append(text.release());
  }
  map.Apply();
  return out;
}

// ---- Recalc --------------------------------------------------------------------------------

void cInsert::Recalc(cDrawingData* data) {
  BeginExpansion(data);
  children_.Flush();
  childObjects_.clear();
  cBlock* block = data ? GetBlock(data) : nullptr;
  const DRect start = block ? DRect{point.x, point.y, point.x, point.y} : DRect{};
  fullExtent = strokeExtent = plainExtent = start;
  labelBits = 0;
  if (block) {
    ExpandInsertArgs args;
    args.blockData = data;
    args.insert = this;
    args.block = block;
    args.labelBits = &labelBits;
    args.out = &children_;
    args.data = data;
    args.keepConPoints = true;
    args.resolvePass = true;
    args.topInsert = this;
    args.level = Level();
    ExpandInsert(args);
  }
  bool firstFull = true, firstStroke = true, firstPlain = true;
  for (int i = 0; i < LabelSlotCount(); ++i) {
    std::unique_ptr<cText> text = MakeLabelText(i, true, this, data);
    if (!text) continue;
    text->FreezeFields();
    DRect r;
    text->GetFullExtent(data, r);
    fullExtent.Union(r, firstFull);
  }
  // Asked every 16 children: 16 texts of SHX strokes are a few hundred
  // kilobytes past the stop, and the call costs nothing beside a measure.
  constexpr std::size_t kStopEvery = 16;
  for (std::size_t i = 0; i < children_.Count(); ++i) {
    if (i % kStopEvery == 0 && data && data->MeasureStopped()) break;
    cOutObj& child = *children_[i].object;
    // The plain extent is taken once and grown for the other two: asked
    // again it answers the same (an arc works out its outline each time).
    DRect plainRect;
    child.GetExtentUpdated(data, plainRect);
    DRect strokeRect = plainRect, fullRect = plainRect;
    child.AddStrokeExtent(data, strokeRect);
    child.AddFullExtent(data, fullRect);
    fullExtent.Union(fullRect, firstFull);
    AddChildExtent(child.Level(), fullRect);
    if (!child.HasFlag(kFlagInsertGenerated)) {
      plainExtent.Union(plainRect, firstPlain);
      strokeExtent.Union(strokeRect, firstStroke);
    }
  }
  if (block && !block->FirstObject()) {
    fullExtent.Union(DRect{point.x, point.y, point.x, point.y}, firstFull);
  }
  RebuildChildPointers();
}

}  // namespace kvn
