#include "import/records/DirectObject.h"

#include "import/records/ImportMatrix.h"
#include "import/records/SpoolStream.h"
#include "model/cPolygon.h"

namespace kvn {

ObjectChain cDirectObject::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  auto polygon = std::make_unique<cPolygon>();
  if (!transform) {
    polygon->SetBezierSegments2(nullptr, segments.data(), std::uint32_t(segments.size()), closed != 0);
  } else {
    CubicArray mapped;
    for (const Cubic3D& c : segments) {
      Cubic out;
      for (int i = 0; i < 4; ++i) out.p[i] = transform->TransformTo2D(c.p[i]);
      mapped.Append64(out);
    }
    polygon->SetBezierSegments(nullptr, mapped, closed != 0);
  }
  polygon->stroke.width = 0.0;
  if (fillColor != 0xFFFFFFFFu) polygon->fill.fillColor = fillColor;
  polygon->MarkDirty();
  return ObjectChain(polygon.release());
}

void cDirectObject::WriteExtra(OutFileStream& out) const {
  SpoolWriter w(out);
  w.U32(std::uint32_t(segments.size()));
  for (const Cubic3D& c : segments) {
    for (const Vec3& p : c.p) w.Point(p);
  }
  w.U8(closed);
  w.U32(fillColor);
}

bool cDirectObject::ReadExtra(InFileStream& in) {
  SpoolReader r(in);
  segments.assign(r.Count(96), Cubic3D{});
  for (Cubic3D& c : segments) {
    for (Vec3& p : c.p) p = r.Point();
  }
  closed = r.U8();
  fillColor = r.U32();
  return r.Ok();
}

}  // namespace kvn
