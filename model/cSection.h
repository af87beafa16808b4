// cSection: a view of one sheet of the same document placed on another. A
// source point of the referenced sheet maps to the insertion point with a
// scale and an angle, optionally inside a frame given by a second point and
// optionally recoloured. The objects it shows are copied by the renderer
// one at a time as it draws them; this class keeps the data, the record and
// the editing. Factory type code 26.
//
// Mapping of a source point p: (p - source point) turned by -angle, times the
// scale, plus the insertion point.
//
// Record after the common header (current form, read from 3102 on):
//   insertion point (real point); automatic frame (bit), without it the frame
//   point (real point); scale (real); source point (real point); angle
//   (compact double); sheet index and page (two raw bytes each); recolour
//   (bit) and with it the colour; selection present (bit) and with it the
//   u16 list (raw count and raw values) and the name list (compact count and
//   strings).
// Older rows: no automatic-frame bit before 3082; sheet index and page as one
// byte each before 3102; recolour always on before 3069; no selection before
// 3070, the u16 list as bytes before 3073, no names before 3082.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"

namespace kvn {

class cDrawing;

class cSection : public cOutObj {
 public:
  cSection();
  ~cSection() override;

  cSection* AsSection() override { return this; }
  const cSection* AsSection() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  void Move(const DPoint& offset) override;
  // True: the section always turns.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // The normalised box of the insertion point and the frame point; for an
  // automatic frame the extent Recalc derives from the shown content.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // points[0] the insertion point, points[1] the frame point; the frame is
  // no longer automatic.
  void SetPoints(const DPoint* points, int count) override;
  // The scale follows the smaller absolute factor when it is positive.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  // For an automatic frame: the extent of the shown page's objects mapped
  // onto this sheet, the insertion point alone when there are none.
  // (render/SectionView.cpp)
  void Recalc(cDrawingData* data) override;
  // The source sheet's page through the frame, scaled and turned, on the
  // context's targets clipped to the frame; never inside another view and
  // never of its own sheet. (render/SectionView.cpp)
  void Draw(cDrawInfo* info) override;

  // What ForEachViewCopy hands each copy to; false ends the walk.
  using ViewCopySink = std::function<bool(std::unique_ptr<cOutObj>)>;
  // Copies of the objects on the view's page of the source drawing (inserts
  // opened into their children, which are let go again) that pass the level
  // filter, turned about the source point by -angle, handed to `take` one at
  // a time in drawing order when they meet the source rectangle the frame
  // shows (all of them for an automatic frame). Nothing is kept: the view
  // draws each copy and frees it before the next is made.
  void ForEachViewCopy(cDrawing& source, const ViewCopySink& take);
  // The copies of ForEachViewCopy linked at `tail` (nothing when null); with
  // `stopAtFirst` the walk ends at the first copy.
  void BuildViewCache(cDrawing& source, cOutObj** tail, bool stopAtFirst);
  // One source object of ForEachViewCopy; false when `take` ended the walk.
  // `levelCache` holds the last level tested and its answer.
  bool CopyObjectIntoView(cOutObj& object, cDrawing& source, std::int32_t levelCache[2], const DRect& sourceRect,
                          const ViewCopySink& take);

  GrowArray<std::uint16_t> selectionValues{8};
  std::vector<WString> selectionNames;
  DPoint insertPoint;
  DPoint framePoint;
  double scale = 0.0;
  double angle = 0.0;  // degrees, (-180, 180]
  DPoint sourcePoint;
  std::uint16_t sheetIndex = 0;
  std::uint16_t page = 0;
  std::uint8_t recolour = 0;
  std::uint32_t color = 0;
  std::uint8_t selectionPresent = 0;
  std::uint8_t automaticFrame = 0;
  // Shows the sheet of an external reference of a foreign drawing (set by
  // the import; not part of the record).
  std::uint8_t referenceView = 0;
  // The renderer's cache of the shown view; Assign drops it.
  const void* viewCache = nullptr;
  // The content extent of an automatic frame (Recalc).
  DRect derivedExtent;
};

}  // namespace kvn
