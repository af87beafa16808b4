// cDistance: a linear dimension. A measured segment between two points,
// drawn with the object's line attributes, and a generated text showing the
// measured length times a factor between a prefix and a suffix, at a text
// point with its own angle. Factory type code 25.
//
// Dimension flags: 0x01 aligned (the text angle is relative to the segment's
// direction); the high nibble the text's alignment code; the other bits are
// kept. Number mode m: below 8 the value is rounded to a multiple of
// 10^(8 - m) and shown without decimals; from 8 on it is shown with m - 8
// decimals, zeros kept.
//
// Record after the common header (current form, read from 3084 on): the
// line part; text angle (compact double); first point (real point); second
// point (delta point); text point (real point); flags (8 bits); text style
// (text-style reference, built-ins allowed); prefix, suffix (strings).
// Older rows: no line part and the angle from an old kind in the low three
// flag bits before 3084; float points before 3061; zero-terminated prefix
// and suffix before 3061; a text point relative to the segment before 3056.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "model/cAnyLine.h"

namespace kvn {

class cText;

class cDistance : public cAnyLine {
 public:
  static constexpr std::uint8_t kAligned = 0x01;
  static constexpr std::uint16_t kDefaultTextStyle = 0x8003;

  cDistance();
  ~cDistance() override;

  // A line of the two points with the line attributes, resolved, followed by
  // the text's resolved copy.
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  cDistance* AsDistance() override { return this; }
  const cDistance* AsDistance() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  // A line (unless the line type is 0) and a copy of the text.
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  // The three points turn; the text angle stays.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The box of the two points, normalised.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // The two points; the text point keeps its place relative to the segment.
  // (The drawing data form is SetPointsWithData.)
  void SetPoints(const DPoint* points, int count) override;
  // With drawing data and a chain in the context the text keeps its place
  // relative to the segment, otherwise it is scaled like the points.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  // Pattern expansion, then the text rebuilt.
  void Recalc(cDrawingData* data) override;
  // The symbols of a symbol line type, else the line from the first to the
  // second point; then the label (render/ObjectDraw.cpp).
  void Draw(cDrawInfo* info) override;
  // The line and the label's frame, rasterised with the value.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  // One straight record from the first to the second point, open.
  bool GetOutline(CubicArray& out, int* position) override;

  // New points; with drawing data the text moves to the segment's middle,
  // centred and a tenth of a line above it.
  void SetPointsWithData(const DPoint* points, cDrawingData* data);
  // The text angle, minus the segment's direction when aligned.
  double GetTextAngle() const;
  // The text point relative to the segment: along (in lengths from the
  // middle) and across (in drawing units); (0, 0) for a segment shorter
  // than 2^-23.
  DPoint GetRelativeTextOffset() const;
  void PlaceTextFromOffset(const DPoint& offset);
  // The number the text shows (prefix and suffix not included).
  WString FormatValue() const;

  const cText* Text() const { return text_.get(); }
  cText* Text() { return text_.get(); }

  DPoint first;
  DPoint second;
  DPoint textPoint;
  std::uint8_t dimensionFlags = 0x41;
  double textAngle = 0.0;
  std::uint16_t textStyle = kDefaultTextStyle;
  std::uint32_t numberMode = 9;
  double lengthFactor = 1.0;
  WString prefix;
  WString suffix;

 private:
  void RebuildText(cDrawingData* data);
  void ReadOldForm(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version);

  std::unique_ptr<cText> text_;
};

}  // namespace kvn
