// cOneHatch: the import record of HATCH. Its constructor walks the group
// codes in order (the next item of a code is the first at or after the
// walk's position) and turns every boundary path into a closed loop of
// cubic segments: polyline paths with their bulge arcs, edge paths of lines,
// circular and elliptic arcs and splines (the true curve when degree, knots
// and weights make one, else the uniform rule of SplineBeziers.h). Unless
// the hatch style is 2 (outermost only, each loop its own polygon) the loops
// are joined by bridges into one chain (model/ClosedListJoin.h), inner loops
// staying holes. A pattern hatch (70 not 1) gets a fill style named after
// the pattern (2) holding its lines, or those of the predefined pattern of
// that name scaled by 41 and turned by 52 when the entity carries none;
// styles whose stored forms are byte-identical are shared through the
// reader's list. A gradient (450 non-zero) is drawn in the mean of its
// colours (421).
//
// The polygons are kept in the OCS with y up; MakeObject copies them, puts
// the elevation on every vertex and maps them (OcsToWcs, then the transform).
//
// Spool form after the base: the elevation point (24), the polygon count
// (4), the byte count of the polygons' archive form (4) and that archive
// form (each polygon's own record, kCurrentFileVersion, no drawing data).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "import/records/cOneObjRec.h"

namespace kvn {

class cPolygon;

class cOneHatch : public SpooledRecord<cOneHatch> {
 public:
  cOneHatch();
  // reader may be null (no fill style is made then, the polygons keep their
  // style index 0); its kind 1 (DXF) converts elliptic-arc angles.
  cOneHatch(const YxxfGroupRecord* record, YxxfReader* reader, std::uint16_t code);
  ~cOneHatch() override;
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Hatch; }
  // Deletes the polygons, from the last to the first.
  void FreeObjects();
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.elevation);
  }

  Vec3 elevation;
  std::vector<std::unique_ptr<cPolygon>> polygons;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

}  // namespace kvn
