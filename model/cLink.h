// cLink: a wire between two connection points of a schematic: an open
// polyline drawn with a link style of the drawing, two ends naming the
// inserts they join, an attribute list and an optional label beside the
// wire. Factory type code 22.
//
// Ends: after reading, an end's object number is the running id of the
// insert it joins (0: none) and its index the connection point of that
// insert's block. The write numbers are the numbers a record stores for the
// two ends; reading keeps the stored ones, so a record read and written
// again is unchanged.
//
// Record after the common header (current form, read from 3089 on):
//   link-style reference; the path's vertex list (PointList layout); end 1
//   write number (compact u32) and connection index (compact u16, 0 without
//   a number); end 2 likewise; the attribute list; four bits: flag A, flag
//   B, anchor present, label shown; the anchor (real point) when present;
//   with the label: position (real point), text style (text-style
//   reference, built-ins allowed), alignment (8 bits), angle (compact
//   double), text (string); the size value (compact double).
// Older rows: a whole polygon record before 3050 (its line look becomes a
// link style); the style as a u16 before 3077; a flag byte and no label
// before 3078; the ends as i16 before 3072; packed attribute text before
// 3073; no size value before 3089.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "model/AttributeList.h"
#include "model/cPolygon.h"

namespace kvn {

class cText;

// The process-wide debug switch: with it, links carry their debug id, use
// and length as three extra attributes in their records. Off unless set.
bool IsLinkDebugOn();
void SetLinkDebugOn(bool on);

class cLink : public cOutObj {
 public:
  static constexpr std::uint16_t kDefaultLabelStyle = 0x8002;

  cLink();
  ~cLink() override;

  // The label's resolved copy followed by the path's.
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  cLink* AsLink() override { return this; }
  const cLink* AsLink() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  // A text with the label's display text (when there is a label), then a
  // polygon of the path.
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  // The size value (not the path's width, which comes from the link style).
  void ScaleLineWidths(const TransformContext& context, double factor) override;
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The path's extent.
  DRect& GetExtent(DRect& out) override;
  // The base part; from another link its path, attributes, label source and
  // fields (not the label itself).
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  void Draw(cDrawInfo* info) override;
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  // The path takes the link style; the label is rebuilt.
  void Recalc(cDrawingData* data) override;
  // End 0 and end 1: the running ids of the inserts they join.
  std::uint32_t* LinkedInsertId(int end) override {
    return end == 0 ? &end1Number : end == 1 ? &end2Number : nullptr;
  }

  // ---- link style ----
  // Gives the stroked object the line attributes of the link's style;
  // nothing without drawing data or with a style index beyond the table.
  void ApplyStyleToLine(cDrawingData* data, cAnyLine& line) const;
  bool HasValidStyle(const cDrawingData* data) const;

  // ---- ends ----
  // The running id of the insert at that end and its connection index (0
  // when the id is 0).
  void SetStartInsert(std::uint32_t runningId, std::uint16_t number);
  void SetEndInsert(std::uint32_t runningId, std::uint16_t number);

  // The value of the first attribute of kind 2, else empty.
  WString GetDescription() const;

  PointList& Points() { return path_.FirstList(); }
  const PointList& Points() const { return path_.FirstList(); }
  const cPolygon& Path() const { return path_; }
  const cText* Label() const { return label_.get(); }

  WString labelText;
  double sizeValue = 0.0;
  DPoint anchor;
  std::uint8_t flagB = 0;
  std::uint16_t linkStyle = 0;
  std::uint8_t flagA = 1;
  std::uint32_t end1Number = 0;
  std::uint16_t end1Index = 0;
  std::uint32_t end2Number = 0;
  std::uint16_t end2Index = 0;
  std::uint32_t end1WriteNumber = 0;
  std::uint32_t end2WriteNumber = 0;
  std::uint8_t labelShown = 0;
  DPoint labelPosition;
  std::uint16_t labelTextStyle = kDefaultLabelStyle;
  std::uint8_t labelAlignment = 7;
  double labelAngle = 0.0;  // degrees, (-180, 180]
  std::uint8_t anchorFlag = 0;
  std::int32_t debugId = 0;
  std::int32_t debugUse = 0;
  double debugLength = 0.0;
  AttributeList attributes;

 private:
  void RebuildLabel(cDrawingData* data);
  void ReadOldPath(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version);
  void TakeDebugAttributes();

  cPolygon path_;
  std::unique_ptr<cText> label_;
};

}  // namespace kvn
