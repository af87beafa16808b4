// Arcs given by centre, radii and angles (as metafiles and foreign drawings
// deliver them) turned into drawing objects. The circle through three points
// is CircleThroughPoints (model/ArcPieces.h).
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DPoint.h"

namespace kvn {

class cAnyFill;
class cOutObj;

// Angles in degrees, counter-clockwise; the arc runs from the start angle up
// to the end angle (360 is added to an end below the start).
struct ArcRecord {
  std::uint8_t closed = 0;
  DPoint centre;
  double rx = 0.0;
  double ry = 0.0;
  double startAngle = 0.0;
  double endAngle = 0.0;
};

// A cArc for equal radii, else a cPolygon holding the elliptical arc as a
// cubic chain; either takes the template's line and fill attributes. The
// object's points run from the end angle to the start angle. With the
// closing test an arc whose ends meet (within 1e-5 of the unit circle) is
// closed as well.
std::unique_ptr<cAnyFill> MakeArcObject(const ArcRecord& record, const cOutObj* templ, bool closingTest);

}  // namespace kvn
