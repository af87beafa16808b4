// The gallery: one drawing with one object of every geometry class (line,
// rectangle, circle, arc, polygon, regular polygon, wall) and a legacy Bézier
// record, side by side along the x axis, each within 0 <= y <= 10. The
// Bézier record reads as a polygon, so the sheet holds two polygons.
#pragma once

#include <memory>

#include "foundation/ArchiveWriter.h"
#include "model/ObjectTypes.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cNPoly.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cWall.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {

inline FixtureDocument GalleryDocument() {
  FixtureSheet sheet;
  sheet.name = u"Gallery";
  sheet.levels = {{u"Shapes"}};

  auto line = std::make_shared<cLine>();
  line->end = {10, 0};
  auto rect = std::make_shared<cRectangle>();
  rect->corner1 = {20, 0};
  rect->corner2 = {30, 10};
  rect->radius = 1;
  rect->fill.fillColor = 0x00FFFF;
  auto circle = std::make_shared<cCircle>();
  circle->p1 = {40, 0};
  circle->p2 = {50, 10};
  auto arc = std::make_shared<cArc>();
  arc->start = {60, 0};
  arc->middle = {65, 5};
  arc->end = {70, 0};
  auto polygon = std::make_shared<cPolygon>();
  const DPoint triangle[3] = {{80, 0}, {90, 0}, {85, 10}};
  polygon->FirstList().SetPoints(triangle, 3);
  auto npoly = std::make_shared<cNPoly>();
  npoly->sides = 6;
  npoly->first = {100, 5};
  npoly->second = {105, 5};
  auto wall = std::make_shared<cWall>();
  wall->start = {110, 0};
  wall->end = {120, 10};
  sheet.objects = {line, rect, circle, arc, polygon, npoly, wall};

  // A legacy Bézier object (type code 4): header, line part, fill part,
  // closed byte, four float points.
  sheet.handWrittenObjects.push_back([](ArchiveWriter& w) {
    w.WriteByte(kTypeBezier);
    WriteHeaderAt(w, kCurrentFileVersion, HeaderFixture{});
    WriteLinePartAt(w, kCurrentFileVersion, LinePartFixture{});
    WriteFillPartAt(w, kCurrentFileVersion, FillPartFixture{});
    w.WriteByte(0);
    WriteFloatPoint(w, 130, 0);
    WriteFloatPoint(w, 130, 10);
    WriteFloatPoint(w, 140, 10);
    WriteFloatPoint(w, 140, 0);
  });

  FixtureDocument doc;
  doc.version = kCurrentFileVersion;
  doc.comment = u"Gallery";
  doc.sheets = {sheet};
  return doc;
}

}  // namespace kvn::test
