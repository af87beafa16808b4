// Small builders shared by the import records that make polygons and lines
// from entity points: the pen every imported object starts with, and the
// mapping of OCS points and cubic segments (OcsToWcs, then the transform,
// or kept in 3-D for the view survey when there is none).
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "foundation/Vec3.h"
#include "model/Cubic.h"
#include "model/ObjectChain.h"
#include "model/cOutObj.h"

namespace kvn {

class ImportMatrix;
class cAnyLine;
class cPolygon;

// Width 0.0, line type 1, pen option 1.
void SetImportPen(cAnyLine& object);

// A polygon whose outline is the segments (given in the OCS of the
// extrusion): mapped to 2-D with a transform, kept as 3-D cubics without.
std::unique_ptr<cPolygon> SegmentPolygon(const ImportMatrix* transform, std::span<const Cubic3D> segments,
                                         const Vec3& extrusion, bool closed);

// A polygon whose first list holds the points (OCS of the extrusion): 2-D
// with a transform, packed 3-D triples without; closed as asked.
std::unique_ptr<cPolygon> PointPolygon(const ImportMatrix* transform, std::span<const Vec3> points,
                                       const Vec3& extrusion, bool closed);

inline ObjectChain Single(std::unique_ptr<cOutObj> object) { return ObjectChain(object.release()); }

}  // namespace kvn
