// cOneViewPort: the record of a paper-space VIEWPORT, which becomes a view
// of the model sheet (cSection). It keeps the viewport's id (69): id 1 is the
// paper's overall viewport, which the assembly recognises by it rather than
// by its place in the file.
//
// Groups: paper centre 10/20/30, paper width 40 and height 41, view centre
// 12/22, view target 17/27/37, view direction 16/26/36, view height 45,
// twist 51, id 69, frozen layers 331 (each item in order). Without a 45 the
// view comes from the extended data: target and direction as two
// 1010/1020/1030 points, then twist, view height and view centre x and y as
// four 1040 values.
//
// The section: its frame spans the paper rectangle (insertion point and
// frame point at two opposite corners, y negated), its scale is paper
// height / view height, and its source point is chosen so that the model
// point at the view's centre (the view target through the model viewport's
// view direction and twist, plus the view centre) lands on the frame's
// centre. The frozen layers that name a layer of the drawing give the level
// indexes of its selection list, which the assembly turns into the visible
// levels (SetViewportVisibleLevels).
//
// Spool form after the base: paper centre (24), width, height (8 each), view
// centre (16), target (24), direction (24), view height, twist (8 each), id
// (4) and 4 zero bytes (128 bytes); then the handle count and the handles
// (8 each).
#pragma once

#include <cstdint>
#include <vector>

#include "import/records/cOneObjRec.h"

namespace kvn {

class cOneViewPort : public SpooledRecord<cOneViewPort> {
 public:
  cOneViewPort() = default;
  cOneViewPort(const YxxfGroupRecord* record, std::uint16_t code);
  // A cSection, or null for a view height of 0 or less. The transform is not
  // used; the reader gives the model viewport and the layers (null: neither).
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  cOneViewPort* AsViewPort() override { return this; }
  RecordKind Kind() const override { return RecordKind::Viewport; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.paperCentre);
    v(r.paperWidth);
    v(r.paperHeight);
    v(r.viewCentre[0]);
    v(r.viewCentre[1]);
    v(r.viewTarget);
    v(r.viewDirection);
    v(r.viewHeight);
    v(r.twist);
    v(r.viewportId);
    v(SpoolPad{4});
  }

  Vec3 paperCentre;
  double paperWidth = 0.0;
  double paperHeight = 0.0;
  double viewCentre[2] = {0, 0};
  Vec3 viewTarget;
  Vec3 viewDirection;
  double viewHeight = 0.0;
  double twist = 0.0;
  std::int32_t viewportId = 0;
  std::vector<std::uint64_t> frozenLayers;
  // The owner block's in-memory entity count when the record was added.
  std::uint32_t blockPosition = 0;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

}  // namespace kvn
