// The shortcut for solid strokes of whole paths (curves, closed outlines,
// several pieces) onto the raster surface must draw exactly what the general
// stroke road draws: each shape is stroked with the shortcut and without, at
// several widths and places (well inside, touching and crossing each edge of
// the clip, outside it), and every pixel is compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/PathBuffer.h"
#include "model/cRectangle.h"
#include "render/DrawInfo.h"
#include "render/Strokes.h"
#include "tests/render/RasterTestSupport.h"
#include "tests/render/StrokeRoadSupport.h"

namespace kvn {
namespace {

using stroke_test::FastPathSwitch;
using stroke_test::PaintedPixels;

constexpr std::int32_t kWidth = 120, kHeight = 90;

// A shape of about 16 x 12 world units whose top left corner is (x, y).
using MakeShape = std::function<std::unique_ptr<cAnyLine>(double x, double y)>;

struct Shape {
  const char* name;
  MakeShape make;
};

std::unique_ptr<cAnyLine> Circle(double x, double y) {
  auto c = std::make_unique<cCircle>();
  c->p1 = {x, y};
  c->p2 = {x + 12, y + 12};
  return c;
}

std::unique_ptr<cAnyLine> TinyCircle(double x, double y) {
  auto c = std::make_unique<cCircle>();
  c->p1 = {x + 3, y + 3};
  c->p2 = {x + 3.7, y + 3.6};
  return c;
}

std::unique_ptr<cAnyLine> Arc(double x, double y, bool closed) {
  auto a = std::make_unique<cArc>();
  a->start = {x + 14, y + 6};
  a->middle = {x + 8 + 6 * std::cos(1.1), y + 6 + 6 * std::sin(1.1)};
  a->end = {x + 2, y + 6};
  a->kind = closed ? cArc::kClosed : 0;
  return a;
}

std::unique_ptr<cAnyLine> Polygon(double x, double y, bool closed, int curveKind) {
  auto p = std::make_unique<cPolygon>();
  const DPoint points[] = {{x, y}, {x + 16, y + 2}, {x + 11, y + 12}, {x + 3, y + 9}, {x + 6, y + 4}};
  p->FirstList().SetPoints(points, 5);
  p->FirstList().SetClosed(closed);
  p->FirstList().SetCurveKind(curveKind);
  return p;
}

std::unique_ptr<cAnyLine> Rectangle(double x, double y) {
  auto r = std::make_unique<cRectangle>();
  r->corner1 = {x, y};
  r->corner2 = {x + 16, y + 11};
  return r;
}

const Shape kShapes[] = {
    {"circle", Circle},
    {"tiny circle", TinyCircle},
    {"open arc", [](double x, double y) { return Arc(x, y, false); }},
    {"closed arc", [](double x, double y) { return Arc(x, y, true); }},
    {"closed polygon", [](double x, double y) { return Polygon(x, y, true, 0); }},
    {"open polygon", [](double x, double y) { return Polygon(x, y, false, 0); }},
    {"closed smooth polygon", [](double x, double y) { return Polygon(x, y, true, 1); }},
    {"open smooth polygon", [](double x, double y) { return Polygon(x, y, false, 1); }},
    {"rectangle", Rectangle},
};

// Where the shape's corner lies, in world units, for the clip (10, 8) to
// (100, 80) in pixels at scale 1 (4 pixels a unit): well inside, across or
// touching each edge, and wholly outside.
struct Place {
  const char* name;
  double x, y;
};
const Place kPlaces[] = {
    {"inside", 8.3, 7.1},        {"across left", 0.4, 8.2},    {"across right", 21.1, 6.6},
    {"across top", 9.2, -1.3},   {"across bottom", 7.7, 12.3}, {"touching left", 2.5, 8.0},
    {"touching top", 8.0, 2.0},  {"across a corner", -1.2, -1.9}, {"outside", 40.0, 30.0},
};

// A surface stroked with the shape, with or without the shortcuts.
std::unique_ptr<cRasterSurface> Stroke(const WorldMapping& mapping, cAnyLine& shape, bool fastPath) {
  FastPathSwitch mode(fastPath);
  auto surface = raster_test::MakeSurface(kWidth, kHeight, true);
  if (!surface) return nullptr;
  cDrawInfo info(mapping, nullptr, nullptr, surface.get());
  shape.Draw(&info);
  return surface;
}

TEST(StrokePiecesFastPath, ShapesAtTheClipEdgesMatchTheGeneralRoad) {
  WorldMapping mapping;
  mapping.scale = 1.0;
  mapping.originX = 0.3;
  mapping.originY = -0.2;
  mapping.deviceClip = {10, 8, 100, 80};
  // Pen widths in pixels: thin (one-pixel lines), the thin limit, bands.
  const double widths[] = {0.0, 1.2, 1.6, 2.5, 4.0};
  int painted = 0, cases = 0;
  for (const Shape& shape : kShapes) {
    for (const Place& place : kPlaces) {
      for (const double pixels : widths) {
        for (const std::uint8_t penOption : {std::uint8_t(0), std::uint8_t(1)}) {
          std::unique_ptr<cAnyLine> object = shape.make(place.x, place.y);
          object->stroke.width = pixels / 4.0;
          object->stroke.color = 0x2040C0;
          object->stroke.penOption = penOption;
          const auto fast = Stroke(mapping, *object, true);
          const auto general = Stroke(mapping, *object, false);
          ASSERT_TRUE(fast && general);
          EXPECT_TRUE(raster_test::SamePixels(*fast, *general))
              << shape.name << ", " << place.name << ", width " << pixels << ", pen option " << int(penOption);
          painted += PaintedPixels(*fast) > 0;
          ++cases;
        }
      }
    }
  }
  // Everything but the shapes outside the clip shows.
  EXPECT_EQ(painted, cases - 9 * 5 * 2);
}

// One path of several pieces (the strokes of an SHX text under a wide pen
// reach the stroke as one path): a piece reaching outside the clip sends the
// whole path down the general road, so that the pieces keep their order.
std::unique_ptr<cRasterSurface> StrokePieces(const WorldMapping& mapping, const cLine& pen,
                                             const std::vector<std::vector<DeviceSegment>>& pieces, bool fastPath) {
  FastPathSwitch mode(fastPath);
  auto surface = raster_test::MakeSurface(kWidth, kHeight, true);
  if (!surface) return nullptr;
  cDrawInfo info(mapping, nullptr, nullptr, surface.get());
  PathBuffer::Empty();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    SegmentArray* piece = PathBuffer::NewPiece();
    for (const DeviceSegment& s : pieces[i]) piece->Append(s);
    piece->closed = i % 2 ? 1 : 0;
  }
  StrokePathObject(info, pen);
  PathBuffer::Empty();
  return surface;
}

TEST(StrokePiecesFastPath, PathsOfSeveralPiecesMatchTheGeneralRoad) {
  WorldMapping mapping;
  mapping.deviceClip = {10, 8, 100, 80};
  constexpr std::int32_t P = 256;  // one pixel
  for (const std::int32_t lastX : {60 * P, 99 * P, 104 * P}) {
    for (const double pixels : {0.0, 3.0}) {
      cLine pen;
      pen.stroke.width = pixels / 4.0;
      pen.stroke.color = 0x00A000;
      const std::vector<std::vector<DeviceSegment>> pieces = {
          {DeviceSegment::Line(20 * P, 20 * P, 40 * P, 25 * P), DeviceSegment::Line(40 * P, 25 * P, 30 * P, 40 * P)},
          {DeviceSegment{{50 * P, 20 * P, 70 * P, 10 * P, 80 * P, 40 * P, 55 * P, 45 * P}},
           DeviceSegment::Line(55 * P, 45 * P, 50 * P, 20 * P)},
          {DeviceSegment{{30 * P, 60 * P, 45 * P, 50 * P, 50 * P, 70 * P, lastX, 66 * P}}},
      };
      const auto fast = StrokePieces(mapping, pen, pieces, true);
      const auto general = StrokePieces(mapping, pen, pieces, false);
      ASSERT_TRUE(fast && general);
      EXPECT_GT(PaintedPixels(*fast), 0);
      EXPECT_TRUE(raster_test::SamePixels(*fast, *general)) << "last point at " << lastX / P << ", width " << pixels;
    }
  }
}

}  // namespace
}  // namespace kvn
