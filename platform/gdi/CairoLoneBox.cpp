// Strokes that cairo's PDF and PostScript writers would put out as a
// rectangle ("re"), drawn so that every reader of the page draws them as the
// screen does.
//
// The writers put out a stroked path that is one axis-aligned figure of four
// sides ending on its start point as a rectangle, which is closed and starts
// at its upper left corner, running right: its dashes start there instead of
// at the figure's first point, and run its own way round. A figure drawn
// open (on screen, on the raster road, or beside other figures of a joined
// run) also has two caps at its first corner where the rectangle is joined.
// A closed dashed figure whose pattern is "on" at both ends reaches cairo
// already open (CairoClosedDash.cpp), and is no box here.
// The path is judged as cairo keeps it, after it has merged repeated points
// and points along a side, and is drawn again as lines that the writers
// keep as they are:
// - a closed figure (its pattern in a gap where it ends) that starts at its
//   upper left corner running right is the writers' rectangle itself
//   (GDI's Rectangle draws so), and stays one: the cheapest form, four
//   numbers;
// - an open figure, and any other closed one, has its last point drawn
//   back along its side by one and a half fixed steps of the surface
//   (0.002 mm at any resolution), so that it rounds to another fixed point
//   than the start; a closed one's first dash then has a cap at the first
//   corner, as the figure has.
#include "platform/gdi/CairoDC.h"

#include <algorithm>
#include <cmath>

namespace kvn {

namespace {

// One step of cairo's 24.8 fixed point, in which a surface keeps its paths:
// 1/256 of the surface's own unit (a PDF or PostScript point), whatever
// device scale puts printer dots over it (at 600 dpi a dot is 0.12 pt, so
// a move of 1/256 dot rounds away above 143 dpi).
constexpr double kFixedStep = 1.0 / 256;

}  // namespace

bool CairoDC::MayBeLoneBox(const GdiPath& path, bool dashed) const {
  // Fewer points cannot make four sides; a path off the vector surfaces is
  // never written out.
  const std::uint32_t n = path.Count();
  if (!vectorSurface_ || n < 4) return false;
  const std::uint8_t* t = path.Types();
  if (t[0] != kPtMoveTo) return false;
  for (std::uint32_t i = 1; i + 1 < n; ++i)
    if (t[i] != kPtLineTo) return false;
  // A closed figure is joined at its first corner as the rectangle is: only
  // its dashes tell them apart.
  const bool closed = t[n - 1] == (kPtLineTo | kPtCloseFigure);
  if (closed ? !dashed : t[n - 1] != kPtLineTo || n < 5) return false;
  // Coordinates further apart than a step never meet in cairo's fixed
  // point.
  double scaleX = 1, scaleY = 1;
  cairo_surface_get_device_scale(surface_, &scaleX, &scaleY);
  scaleX = std::fabs(scaleX);
  scaleY = std::fabs(scaleY);
  auto meetX = [&](const DPoint& a, const DPoint& b) { return std::fabs(b.x - a.x) * scaleX <= kFixedStep; };
  auto meetY = [&](const DPoint& a, const DPoint& b) { return std::fabs(b.y - a.y) * scaleY <= kFixedStep; };
  const DPoint* p = path.Points();
  if (!closed) return meetX(p[0], p[n - 1]) && meetY(p[0], p[n - 1]);
  // Every side of a box runs along an axis, the closing one too; a
  // slanted side stays slanted in fixed point.
  for (std::uint32_t i = 0; i < n; ++i) {
    const DPoint& next = p[i + 1 < n ? i + 1 : 0];
    if (!meetX(p[i], next) && !meetY(p[i], next)) return false;
  }
  return true;
}

void CairoDC::KeepLoneBoxAsDrawn(cairo_t* cr) {
  cairo_path_t* path = cairo_copy_path(cr);
  DPoint c[5];
  // Move, three lines, then a line back to the start or cairo's close (and
  // the move to its start that cairo may list after it). An open figure
  // that goes on past its fifth point (round the box, then along a spur)
  // is no box.
  bool box = path->status == CAIRO_STATUS_SUCCESS && path->num_data >= 9;
  bool closed = false;
  for (int i = 0, at = 0; box && i < 5; ++i, at += 2) {
    const cairo_path_data_t& head = path->data[at];
    if (i == 4 && head.header.type == CAIRO_PATH_CLOSE_PATH) {
      closed = true;
      box = path->num_data == 9 || (path->num_data == 11 && path->data[9].header.type == CAIRO_PATH_MOVE_TO);
      c[4] = c[0];
    } else {
      box = head.header.type == (i == 0 ? CAIRO_PATH_MOVE_TO : CAIRO_PATH_LINE_TO) && head.header.length == 2 &&
            at + 1 < path->num_data;
      if (!box) break;
      c[i] = DPoint{path->data[at + 1].point.x, path->data[at + 1].point.y};
    }
    if (box && i > 0) box = c[i].x == c[i - 1].x || c[i].y == c[i - 1].y;
  }
  if (box && !closed) box = path->num_data == 10;
  cairo_path_destroy(path);
  if (!box || c[4].x != c[0].x || c[4].y != c[0].y) return;

  // The path is in user space under the identity matrix: device units.
  double scaleX = 1, scaleY = 1;
  cairo_surface_get_device_scale(cairo_get_target(cr), &scaleX, &scaleY);
  // A closed figure reaches this point only where its pattern is in a gap
  // at its end (CairoClosedDash.cpp writes the others open): started at
  // its upper left corner running right, it is the writers' rectangle.
  if (closed && scaleX > 0 && scaleY > 0 && c[1].y == c[0].y && c[1].x > c[0].x && c[3].y > c[0].y) return;
  cairo_new_path(cr);
  cairo_move_to(cr, c[0].x, c[0].y);
  for (int i = 1; i < 4; ++i) cairo_line_to(cr, c[i].x, c[i].y);
  // Never past the side's middle, so that the last side keeps its direction.
  auto back = [](double length, double scale) {
    const double step = std::min(1.5 * kFixedStep / std::fabs(scale), std::fabs(length) / 2);
    return length > 0 ? step : length < 0 ? -step : 0;
  };
  cairo_line_to(cr, c[4].x - back(c[4].x - c[3].x, scaleX), c[4].y - back(c[4].y - c[3].y, scaleY));
}

}  // namespace kvn
