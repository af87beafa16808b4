// cInsert: a placement of a block definition (factory type code 0).
//
// The insert keeps only the block's index into the drawing data's block
// table, an insertion point, an angle in (-180, 180] (the children turn by
// the negated angle), two scales (negative mirrors), a colour and a width
// value that may recolour and re-widen the children, its own attributes and
// name, and up to eight label slots. Its Recalc expands the block into a
// private list of transformed children (model/InsertExpansion.h), which the
// painter draws (InsertChildList) and which give the insert its extents:
// the three extents of cOutObj, and the union of the children's full
// extents on each level they lie on. Whoever only measures the children
// (the open, a fit, the extent index, the print walks) lets them go again
// (DropChildren); the painter keeps them between repaints within the budget
// of the kept expansions (model/KeptExpansions.h). An insert whose children
// went keeps its extents and is not marked changed: a fit or an index reads
// them without expanding the block again, and the children are made again
// when they are next asked for.
//
// Block overrides: when the block's presence mask has a bit set, every insert
// of that block uses the block's value instead of its own (name 0x0001,
// description 0x0002, colour 0x0004, width 0x0008, option byte 0x0010, the
// classifier, non-uniform and mirror flags 0x0020/0x0040/0x0080, scales
// 0x0400; 0x0100 makes the block's attributes the definitions). The
// accessors below apply the rule; nothing else reads the own fields.
//
// Record (current form, read from 3090): insertion point (real point), angle
// (compact double), scales (unit point), width value (real-or-unit),
// attribute list, flags, option byte (bytes), reserved (compact u32), width
// mode (byte), linked (bit) [link id compact u32, link number compact u16],
// colour, name (short string), eight label slots (bit present [position
// compact point, angle compact double, keep-angle bit, 4-bit alignment, text
// style reference with built-ins, text short string]), block index (compact
// u32). The older rows are described in cInsertRecord.cpp.
//
// Running ids: a numbered insert (the list reader makes them numbered) takes
// the next value of one process-wide counter; links name the inserts they
// join by it. Un-numbered inserts keep 0.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "model/AttributeList.h"
#include "model/InsertChildList.h"
#include "model/InsertLabel.h"
#include "model/ObjectEntry.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

class cBlock;
class cText;

// Insert flag byte.
enum InsertFlag : std::uint8_t {
  kInsertNonUniform = 0x01,   // non-uniform scaling allowed
  kInsertMirror = 0x02,       // mirroring allowed
  kInsertClassify = 0x08,     // classified as a text by the list reader
  kInsertKeepAngle0 = 0x10,   // records before 3090: keep-angle of label 0
  kInsertKeepAngle1 = 0x20,   // records before 3090: keep-angle of label 1
  kInsertLabel0 = 0x40,       // records before 3090: label 0 present
  kInsertLabel1 = 0x80,       // records before 3090: label 1 present
};

inline constexpr std::uint32_t kNoBlockIndex = 0xFFFFFFFFu;
// "No fixed width" of the expansion.
inline constexpr double kNoFixedWidth = std::numeric_limits<double>::max();

// The union of the full extents of an insert's children on one level.
struct ChildLevelExtent {
  std::uint16_t level = 0;
  DRect extent;
};

class LevelTable;

class cInsert : public cOutObj, public InsertChildList {
 public:
  // A numbered insert takes the next running id.
  explicit cInsert(bool numbered = false);
  ~cInsert() override;

  // ---- cOutObj slots ----
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  ObjectChain Explode(cDrawingData* data) override;
  // The insertion point and every present label move.
  void Move(const DPoint& offset) override;
  // Only with fixed width: the width value (and, with drawing data and a
  // done-block list, a width override of the block, once) times the factor.
  void ScaleLineWidths(const TransformContext& context, double factor) override;
  // Always true; labels that do not keep their angle keep their text centre
  // on the turned point and stay upright.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The plain extent (geometric bounds of the block's children).
  DRect& GetExtent(DRect& out) override;
  cInsert* AsInsert() override { return this; }
  const cInsert* AsInsert() const override { return this; }
  // Not the reserved value, the running id, the extents, the blank-out flag
  // or the children.
  void Assign(const cOutObj& source) override;
  // Always null; a record cut short ends early (the archive's error flag
  // tells the caller). The context numbers linked inserts of old records.
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // The painter opens the insert into its children; drawn alone (a list
  // painter), the insert draws them in order.
  // The children through the object-list painter (render/ObjectDraw.cpp):
  // drawn with the context as their colour source, or only their outlines.
  void Draw(cDrawInfo* info) override;
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  void Recalc(cDrawingData* data) override;
  cBlock* GetPlacedBlock(cDrawingData* data) override { return GetBlock(data); }

  // ---- InsertChildList ----
  // The children of an insert not marked changed whose children went are
  // made again first, with the drawing data of the last expansion (the
  // insert is not changed by that: its extents come out the same). An
  // insert marked changed answers what it holds until it is brought up to
  // date.
  std::span<cOutObj* const> GetChildren() const override {
    RemakeDroppedChildren();
    return childObjects_;
  }
  const ObjectEntryArray& Children() const {
    RemakeDroppedChildren();
    return children_;
  }
  // The expansion is let go; an insert not marked changed keeps its
  // extents and stays unmarked. The open, a fit and the print walks let an
  // insert's children go once they have measured them, so that none of them
  // keeps a copy of a block per placement.
  void DropChildren() override;
  // Whether the insert holds its children now (asking GetChildren would
  // make them again).
  bool HoldsChildren() const { return !childrenDropped_ && !HasFlag(kFlagDirty); }
  // Whether the children went while the extents stay valid: nothing has
  // marked the insert changed since its last expansion. A reader takes the
  // extents without expanding the insert again.
  bool ExtentsKeptFromDrop() const { return childrenDropped_ && !HasFlag(kFlagDirty); }
  // The union of the children's full extents per level, in the order the
  // levels first appear among the children, as the last expansion measured
  // them; valid while the insert is not marked changed.
  std::span<const ChildLevelExtent> ChildExtents() const { return levelExtents_; }
  // Unites into `out` the children's full extents, only those on visible
  // levels when a level table is given; false when none were united. An
  // insert marked changed is expanded to measure them, and lets its
  // children go again.
  bool UniteChildExtents(cDrawingData* data, LevelTable* visibleOnly, DRect& out, bool& first);
  // How many times an insert of this process was expanded (Recalc): a
  // count that tells tests which walks expand and which read what is kept.
  static std::uint64_t ExpansionCount();

  // ---- block access ----
  // The table entry of the block index; an index beyond the table gets a new
  // empty block appended (AddBlock). Null without drawing data.
  cBlock* GetBlock(cDrawingData* data);
  // GetBlock; with a chain, duplicates of the block are merged first.
  cBlock* PrepareBlock(cDrawingData* data, cOutObj* chain);
  // Appends the block to the table and points the insert at it.
  void AddBlock(cBlock* block, cDrawingData* data);
  // A private copy of the block (with `deep`, of every nested block too)
  // becomes the insert's block (model/BlockCopy.cpp).
  bool MakeOwnBlock(cBlock* top, cDrawingData* data, bool deep);

  // ---- label slots ----
  // Slot i (i >= 8 taken as 0), made when missing, its present byte set.
  InsertLabel* GetLabelSlot(int i);
  // The slot when it exists (may be null), else null; makes nothing.
  InsertLabel* GetLabelSlotAt(int i) const;
  int LabelSlotCount() const { return int(labels_.size()); }
  void RemoveLabelSlots() { labels_.clear(); }
  // The text of label slot i, or null for a missing, absent or empty label
  // or without drawing data. Unless keepFields, its fields are expanded in
  // the context of this insert and the top insert.
  std::unique_ptr<cText> MakeLabelText(int i, bool keepFields, cInsert* topInsert, cDrawingData* data);

  // ---- effective values (block overrides applied) ----
  const WString* GetDisplayName(cDrawingData* data) const;
  // With a description override: the block's description followed by the
  // insert's own; else the insert's first description. `blockPart` (may be
  // null) receives the block's part.
  void GetDescription(WString& out, cDrawingData* data, WString* blockPart) const;
  // These three are defined below and always inlined: every child of every
  // expansion asks them, and a call or none must not depend on the unity
  // group of the caller.
  [[gnu::always_inline]] std::uint32_t GetEffectiveColor(cDrawingData* data) const;
  [[gnu::always_inline]] bool HasFixedWidth(cDrawingData* data) const;
  [[gnu::always_inline]] double GetEffectiveWidth(cDrawingData* data) const;
  std::uint8_t GetOptionByte(cDrawingData* data) const;
  bool GetClassifyFlag(cDrawingData* data) const;
  bool AllowsNonUniformScale(cDrawingData* data) const;
  bool AllowsMirror(cDrawingData* data) const;
  const DPoint* GetEffectiveScale(cDrawingData* data) const;
  void GetFirstDescription(WString& out) const;
  void GetFirstValue(WString& out) const;

  // ---- setters ----
  void SetInsertPoint(const DPoint& p);
  // Zero components become 1, mirroring and non-uniform scaling as allowed;
  // with drawing data and a done-block list a scale override of the block is
  // set too (once per block).
  void SetScale(const TransformContext& context, const DPoint& scale);
  void SetAngle(double degrees);
  void SetQuarterTurn(int k);
  void SetAttributes(const AttributeList& list);
  void SetDescription(const WString& text, cDrawingData* data);
  void SetValue(const WString& text);
  // A point of the block in drawing coordinates.
  DPoint BlockToDrawing(const DPoint& p, cDrawingData* data) const;
  // The insertion point lies in the rectangle.
  bool ContainsInsertPoint(const DRect& r) const;
  // Equal block content: the same index, or blocks that IsSameBlock takes
  // as one.
  bool HasSameBlock(const cInsert& other, cDrawingData* data) const;

  // The explosion step of one block object: a copy (texts substituted from
  // the attributes, fields expanded) placed, scaled, recoloured and turned
  // as the insert places it; null for a text whose attribute is empty or
  // switched off. Nested inserts, links and connection points are copied.
  std::unique_ptr<cOutObj> ExplodeObject(const cOutObj& object, cDrawingData* data);

  // ---- the running counter ----
  static std::uint32_t RunningCounter();
  std::uint32_t RunningId() const { return runningId_; }
  // For copies that must join links as their source did (explosion, tests).
  void SetRunningId(std::uint32_t id) { runningId_ = id; }

  // ---- record ----
  // The current record with the given reserved value and block index.
  void WriteBody(cDrawingData* data, ArchiveWriter& w, std::uint32_t reserved, std::uint32_t blockIndex) const;

  // ---- fields ----
  DPoint point;
  double angle = 0.0;
  DPoint scale{1.0, 1.0};
  double widthValue = 1.0;
  std::uint8_t labelBits = 0;
  std::uint8_t flags = kInsertNonUniform | kInsertMirror;
  std::uint8_t optionByte = 0;
  std::uint8_t widthMode = 0;  // bit 0: fixed width
  std::uint32_t color = 0x80000000u;
  std::uint32_t blockIndex = kNoBlockIndex;
  std::uint32_t linkId = 0;
  std::uint16_t linkNumber = 0;
  WString name;
  std::uint32_t reserved = 0;
  DRect fullExtent;
  DRect strokeExtent;
  DRect plainExtent;
  std::uint8_t blankOut = 0;  // bit 0: a blank-out rectangle behind the labels
  AttributeList attributes;

 private:
  void ReadCurrentRow(cDrawingData* data, ArchiveReader& r, int version);
  void ReadRow3061(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version);
  void ReadFloatRow(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version);
  // The block whose presence mask overrides this insert, or null.
  [[gnu::always_inline]] const cBlock* OverrideBlock(cDrawingData* data) const;
  // Label centres and offsets before a turn or a scale (see Rotate).
  void LabelCentres(cDrawingData* data, std::vector<DPoint>& centres, std::vector<DPoint>& offsets,
                    double keepAngleTurn);
  void RebuildChildPointers();
  // The first step of Recalc: the kept expansion is forgotten, the level
  // extents emptied, the drawing data remembered, the expansion counted.
  void BeginExpansion(cDrawingData* data);
  // Recalc's measure of one child: its full extent joins its level's.
  void AddChildExtent(std::uint16_t level, const DRect& full);
  void RemakeDroppedChildren() const;

  std::vector<std::unique_ptr<InsertLabel>> labels_;
  std::uint32_t runningId_ = 0;
  // The children went while the insert was up to date (DropChildren).
  bool childrenDropped_ = false;
  // The drawing data of the last expansion: dropped children are made again
  // with it.
  cDrawingData* expandedWith_ = nullptr;
  ObjectEntryArray children_;
  std::vector<cOutObj*> childObjects_;
  std::vector<ChildLevelExtent> levelExtents_;
};

// 3 without an object, 1 for a text or an insert with the classifier flag,
// 2 for any other object.
int ClassifyObjectForBlock(cDrawingData* data, cOutObj* object);

inline const cBlock* cInsert::OverrideBlock(cDrawingData* data) const {
  if (!data || blockIndex >= data->BlockCount()) return nullptr;
  const cBlock* block = data->GetBlock(blockIndex);
  return block && block->mask ? block : nullptr;
}

inline std::uint32_t cInsert::GetEffectiveColor(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  return block && (block->mask & kBlockColor) ? block->color : color;
}

inline bool cInsert::HasFixedWidth(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  if (block && (block->mask & kBlockValue)) return block->value >= 0.0;
  return (widthMode & 1) != 0;
}

inline double cInsert::GetEffectiveWidth(cDrawingData* data) const {
  const cBlock* block = OverrideBlock(data);
  return block && (block->mask & kBlockValue) ? std::fabs(block->value) : widthValue;
}

}  // namespace kvn
