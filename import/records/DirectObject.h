// cDirectObject: a record that carries ready 3-D cubic segments in world
// coordinates, made by the DGN reader for curved elements, which becomes one
// cPolygon: the 3-D outline without a transform, the mapped 2-D outline with
// one (points mapped by the transform rows, no extrusion step). A fill
// colour other than -1 fills it.
//
// Spool form after the base: the segment count (4), the segments (96 each),
// the closed byte, the fill colour (4).
#pragma once

#include <cstdint>
#include <vector>

#include "import/records/cOneObjRec.h"
#include "model/Cubic.h"

namespace kvn {

class cDirectObject : public cOneObjRec {
 public:
  cDirectObject() = default;
  explicit cDirectObject(std::uint16_t code) : cOneObjRec(nullptr, code) {}
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Segments; }

  std::vector<Cubic3D> segments;
  std::uint8_t closed = 0;
  std::uint32_t fillColor = 0xFFFFFFFFu;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

}  // namespace kvn
