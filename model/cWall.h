// cWall: a wall of a floor plan, a straight band of the wall style's
// thickness along an axis from a start point to an end point. Its geometry
// is generated from the wall style: a filled six-point band polygon, two side
// lines and up to two end caps. Factory type code 5.
//
// Left and right are seen looking from the start toward the end. The four
// corner offsets move the band's corners along the axis (start corners toward
// the end, end corners toward the start); the band keeps the axis points as
// its second and fifth points.
//
// Record after the common header (current form): wall-style reference;
// start (real point); end (delta point); the four offsets (compact doubles:
// start right, start left, end right, end left); wall flags (8 bits).
// Older rows: 3061-3076 the style index as a compact u16; 3050-3060 a u16
// index, float points and offsets and a flag byte; before 3050 the line and
// fill attributes of the wall themselves and an old thickness, turned into a
// wall style of the drawing.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "model/cLine.h"
#include "model/cPolygon.h"

namespace kvn {

class cWall : public cOutObj {
 public:
  // Wall flags.
  static constexpr std::uint8_t kStartCap = 0x01;
  static constexpr std::uint8_t kEndCap = 0x02;
  static constexpr std::uint8_t kAlignMask = 0x0C;
  static constexpr std::uint8_t kAlignShift = 2;
  // Alignment: 0 centred on the axis, 1 the band on the axis's left, 2 on its right.

  cWall();
  ~cWall() override;

  // Recalc, then the resolved copies of the band, the right side, the left
  // side, the end cap and the start cap (the caps when their flags are set).
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  cWall* AsWall() override { return this; }
  const cWall* AsWall() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  // New objects like the band, the sides and the caps present.
  ObjectChain Explode(cDrawingData* data) override;
  void Move(const DPoint& offset) override;
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The box of the axis, normalised.
  DRect& GetExtent(DRect& out) override;
  // The base part, then the wall's fields (not its generated geometry).
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  void SetPoints(const DPoint* points, int count) override;
  void Draw(cDrawInfo* info) override;
  // The band without the corner offsets, rasterised.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  // Points about the centre per axis; offsets times the smaller absolute
  // factor (unless it is 0); a mirror (one negative factor) swaps the left
  // and right alignments.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  // Both answer the extent cached by Recalc, whatever the rectangle held.
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  // Rebuilds the geometry from the wall style; without drawing data or with
  // a style index beyond the table the previous geometry stays.
  void Recalc(cDrawingData* data) override;

  // The thickness of the wall's style; 0 without drawing data or with a
  // style index beyond the table.
  double GetStyleWidth(const cDrawingData* data) const;
  bool HasValidStyle(const cDrawingData* data) const;

  int Alignment() const { return (wallFlags & kAlignMask) >> kAlignShift; }
  // The six band points: with `offsets` the drawn band, without it the band
  // of the full thickness.
  void ComputeBand(DPoint out[6], double thickness, bool offsets) const;

  const cPolygon& Band() const { return band_; }
  const cLine& RightSide() const { return right_; }
  const cLine& LeftSide() const { return left_; }
  const cLine& StartCap() const { return startCap_; }
  const cLine& EndCap() const { return endCap_; }

  std::uint16_t wallStyle = 0;
  DPoint start;
  DPoint end;
  double startRight = 0.0;
  double startLeft = 0.0;
  double endRight = 0.0;
  double endLeft = 0.0;
  std::uint8_t wallFlags = kStartCap | kEndCap;

 private:
  DRect strokeExtent_;
  DRect fullExtent_;
  cLine right_;
  cLine left_;
  cLine startCap_;
  cLine endCap_;
  cPolygon band_;
};

}  // namespace kvn
