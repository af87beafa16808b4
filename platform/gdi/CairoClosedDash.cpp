// Closed dashed figures of straight sides, written so that every reader of
// a PDF or PostScript page joins the dash that runs through their first
// corner, as the screen does.
//
// Every subpath starts the pattern afresh at its first point, in cairo and
// in the page's readers alike. Where a closed figure's pattern is "on" at
// both ends, one dash runs through the first corner, and the screen joins
// it there like any other corner; poppler (pdftoppm, the print filters
// built on it) caps the two dashes where a closed path closes instead, a
// notch at that corner, while Ghostscript joins them. So such a figure is
// written open. A subpath's pattern runs on without a break, so the only
// stretch past the corner that one subpath can draw as the screen does is
// the one where both the dash through the corner and the first dash are
// "on":
// - where the first dash's start cap lies inside the corner's join (a flat
//   cap, no corner, round cap and join, or a mitre within cairo's limit
//   with a round cap, or a square one on a right angle), the figure goes on
//   past its first point along its first side, by half of the shorter of
//   what is left of the dash there, the first dash and that side: the
//   corner is a real join, and the stretch drawn twice lies in the first
//   dash's ink. Two points more than the closed figure;
// - otherwise (a square cap past a mitre, or a round or square cap beside
//   a round or bevelled join) no cap may lie at the corner: the figure
//   starts where the pattern's second round starts (a dash's start, with a
//   cap on the screen too), runs round through the first corner and on
//   along the first side past half the pen's width, and a second subpath
//   draws the rest of the first dash back from its end (a cap there on the
//   screen too) to the same point. The two caps that meet there each lie
//   inside the other's ink. This needs the first dash on the first side
//   and both dashes longer than half the pen's width; otherwise the first
//   form is used, whose cap then shows.
// Where the pattern is in a gap at the end, the first dash starts with a
// cap in every reader, and the figure stays closed. Figures with curves
// (ellipses, chords, pies, rounded rectangles) whose pattern is "on" at
// both ends are measured flattened within cairo's tolerance, as the
// screen's stroke flattens them. In the first form they keep their curves,
// and go on past their first point along the first flattened side (a
// short chord of the first curve); in the second, which must start where
// the pattern's second round starts, they are written as figures of
// straight sides. Those that end in a gap keep their curves. The rest of
// the first dash in the second form walks the figure's sides, so that it
// may reach past the first (a flattened curve's sides are short).
#include "platform/gdi/CairoDC.h"

#include <algorithm>
#include <cmath>

namespace kvn {

namespace {

// Whether the start cap of the first dash lies inside the ink of the join
// of the dash through the first corner, coming in along `in` and going on
// along `out` (the pattern's units, where cairo builds caps and joins).
bool JoinCoversCap(bool thin, cairo_line_cap_t cap, cairo_line_join_t join, double miterLimit, const DPoint& in,
                   const DPoint& out) {
  if (thin || cap == CAIRO_LINE_CAP_BUTT) return true;
  const double turn =
      (in.x * out.x + in.y * out.y) / std::sqrt((in.x * in.x + in.y * in.y) * (out.x * out.x + out.y * out.y));
  // Straight on: the cap lies on the last dash.
  if (turn > 1 - 1e-9) return true;
  if (join == CAIRO_LINE_JOIN_ROUND) return cap == CAIRO_LINE_CAP_ROUND;
  if (join != CAIRO_LINE_JOIN_MITER) return false;
  // cairo mitres while 2 <= limit^2 (1 + cos); a little margin.
  if (cap == CAIRO_LINE_CAP_ROUND) return turn > 2 / (miterLimit * miterLimit) - 1 + 0.01;
  // A square cap's outer corner lies (sin + |cos| - 1) half-widths beyond
  // the last side's edge: inside the mitre at a right angle only.
  return std::fabs(turn) < 1e-9;
}

// Where a figure whose pattern starts at its first point ends, `length`
// along it, as cairo and the page's readers walk the pattern: the entries
// alternate on and off, an odd count of them running twice (once from
// "off"). Lengths in the pattern's own units.
struct DashEnd {
  double before = 0;  // of the "on" dash the figure ends in, up to its end (0: a gap)
  double after = 0;   // and the rest of that dash
};
DashEnd DashEndAt(const double* dashes, std::uint32_t count, double length) {
  double total = 0;
  for (std::uint32_t i = 0; i < count; ++i) total += dashes[i];
  const double period = count % 2 ? 2 * total : total;
  if (!(period > 0) || !std::isfinite(length)) return {};
  const double at = std::fmod(length, period);
  double start = 0;
  for (std::uint32_t k = 0; k < 2 * count; ++k) {
    const double end = start + dashes[k % count];
    if (at < end) {
      // A pattern that turns within rounding of the end is taken as turned:
      // either way the difference is too short to see.
      const double tiny = period * 1e-9;
      if (k % 2 != 0 || at - start <= tiny || end - at <= tiny) return {};
      return {at - start, end - at};
    }
    start = end;
  }
  return {};
}

}  // namespace

void CairoDC::AddStrokedPath(cairo_t* cr, const GdiPath& path, double dx, double dy, const StrokeStyle& style) const {
  const std::uint32_t n = path.Count();
  const std::uint8_t* t = path.Types();
  // Solid strokes and open figures go as they are.
  if (!vectorSurface_ || style.dashCount == 0 || !(style.dashes[0] > 0) ||
      std::none_of(t, t + n, [](std::uint8_t type) { return (type & kPtCloseFigure) != 0; })) {
    AddPath(cr, path, dx, dy);
    return;
  }
  XForm toPattern;
  if (!style.thin && !style.nib.Invert(&toPattern)) {
    AddPath(cr, path, dx, dy);
    return;
  }
  const DPoint* p = path.Points();
  for (std::uint32_t start = 0; start < n;) {
    // The figure: up to its close or the next move.
    std::uint32_t end = start + 1;
    bool lines = true;
    while (end < n && (t[end - 1] & kPtCloseFigure) == 0 && (t[end] & ~kPtCloseFigure) != kPtMoveTo) {
      lines = lines && (t[end] & ~kPtCloseFigure) == kPtLineTo;
      ++end;
    }
    const bool closed = end - start >= 2 && (t[end - 1] & kPtCloseFigure) != 0;
    if (closed && lines)
      AddClosedDashedFigure(cr, p + start, end - start, dx, dy, style, toPattern, true);
    else if (!closed || !AddFlattenedDashedFigure(cr, p, t, start, end, dx, dy, style, toPattern))
      AddFigures(cr, p, t, start, end, dx, dy);
    start = end;
  }
}

bool CairoDC::AddFlattenedDashedFigure(cairo_t* cr, const DPoint* p, const std::uint8_t* t, std::uint32_t start,
                                       std::uint32_t end, double dx, double dy, const StrokeStyle& style,
                                       const XForm& toPattern) {
  GdiPath figure, flat;
  figure.MoveTo(p[start]);
  for (std::uint32_t i = start + 1; i < end; ++i) {
    if ((t[i] & ~kPtCloseFigure) == kPtBezierTo && i + 2 < end) {
      figure.BezierTo(p[i], p[i + 1], p[i + 2]);
      i += 2;
    } else {
      figure.LineTo(p[i]);
    }
  }
  // Within cairo's own tolerance of the curves, in device units, as the
  // screen's stroke flattens them.
  figure.Flatten(0.1, &flat);
  const CurvedFigure curved{p, t, start, end};
  return flat.Count() >= 2 &&
         AddClosedDashedFigure(cr, flat.Points(), flat.Count(), dx, dy, style, toPattern, false, &curved);
}

void CairoDC::AddStretch(cairo_t* cr, const DPoint* p, std::uint32_t n, double dx, double dy, const XForm& toPattern,
                         double from, double to, bool connected) {
  double at = 0;
  bool started = false;
  for (std::uint32_t i = 0; i < n; ++i) {
    const DPoint& next = p[i + 1 < n ? i + 1 : 0];
    const DPoint v = toPattern.ApplyVector(DPoint{next.x - p[i].x, next.y - p[i].y});
    const double sideLength = std::sqrt(v.x * v.x + v.y * v.y);
    auto point = [&](double reach) {
      const double share = sideLength > 0 ? (reach - at) / sideLength : 0;
      return DPoint{p[i].x + (next.x - p[i].x) * share + dx, p[i].y + (next.y - p[i].y) * share + dy};
    };
    if (!started && from < at + sideLength) {
      const DPoint q = point(from);
      if (!connected) cairo_move_to(cr, q.x, q.y);
      started = true;
    }
    if (started) {
      if (to <= at + sideLength) {
        const DPoint q = point(to);
        cairo_line_to(cr, q.x, q.y);
        return;
      }
      cairo_line_to(cr, next.x + dx, next.y + dy);
    }
    at += sideLength;
  }
}

bool CairoDC::AddClosedDashedFigure(cairo_t* cr, const DPoint* p, std::uint32_t n, double dx, double dy,
                                    const StrokeStyle& style, const XForm& toPattern, bool closedToo,
                                    const CurvedFigure* curved) {
  auto side = [&](const DPoint& a, const DPoint& b) { return toPattern.ApplyVector(DPoint{b.x - a.x, b.y - a.y}); };
  // A length past the range of doubles is infinite: the figure stays closed.
  auto length = [](const DPoint& v) { return std::sqrt(v.x * v.x + v.y * v.y); };
  double perimeter = 0;
  for (std::uint32_t i = 0; i < n; ++i) perimeter += length(side(p[i], p[i + 1 < n ? i + 1 : 0]));
  // The first point after the start and the last before it that lie
  // elsewhere (a point given twice makes no side).
  auto elsewhere = [&](const DPoint& q) { return q.x != p[0].x || q.y != p[0].y; };
  std::uint32_t firstIndex = 1, last = n - 1;
  while (firstIndex < n && !elsewhere(p[firstIndex])) ++firstIndex;
  while (last > 0 && !elsewhere(p[last])) --last;
  const DashEnd end = firstIndex < n ? DashEndAt(style.dashes, style.dashCount, perimeter) : DashEnd{};

  auto lineTo = [&](std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t i = from; i < to; ++i) cairo_line_to(cr, p[i].x + dx, p[i].y + dy);
  };
  if (end.before == 0) {
    if (!closedToo) return false;
    cairo_move_to(cr, p[0].x + dx, p[0].y + dy);
    lineTo(1, n);
    cairo_close_path(cr);
    return true;
  }
  const DPoint in = side(p[last], p[0]), out = side(p[0], p[firstIndex]);
  const double firstSide = length(out), dash = style.dashes[0];
  // The point `reach` (pattern units) from the first corner along the
  // first side.
  auto along = [&](double reach) {
    const double share = reach / firstSide;
    const DPoint& to = p[firstIndex];
    return DPoint{p[0].x + (to.x - p[0].x) * share + dx, p[0].y + (to.y - p[0].y) * share + dy};
  };
  const std::uint32_t entries = DashRoundEntries(style.dashCount);
  double total = 0;
  for (std::uint32_t i = 0; i < style.dashCount; ++i) total += style.dashes[i];
  const double period = style.dashCount % 2 ? 2 * total : total;
  // Caps inside the ink: half the pen's width or more from the corner.
  const double twice = std::max(style.width / 2, std::min(end.after, dash) / 2);
  // The pattern's other dashes of its first round, each drawn as a subpath
  // of its own, which the restarted pattern draws whole only while none is
  // longer than the first dash (nor empty: a dot of no length has no way).
  bool shortDashes = true;
  for (std::uint32_t k = 2; k < entries; k += 2) {
    const double on = style.dashes[k % style.dashCount];
    shortDashes = shortDashes && on > 0 && on <= dash;
  }
  if (!JoinCoversCap(style.thin, style.cap, style.join, style.miterLimit, in, out) && twice < end.after &&
      twice < dash && period < perimeter && shortDashes) {
    // From the start of the pattern's second round (a dash's start, with
    // its cap, as the screen has it) round to the corner and on, then the
    // rest of the first dash from its end (its cap there) back.
    double at = 0;
    std::uint32_t i = 0;
    for (; i < n; ++i) {
      const DPoint& next = p[i + 1 < n ? i + 1 : 0];
      const double sideLength = length(side(p[i], next));
      if (at + sideLength > period) {
        const double share = (period - at) / sideLength;
        cairo_move_to(cr, p[i].x + (next.x - p[i].x) * share + dx, p[i].y + (next.y - p[i].y) * share + dy);
        break;
      }
      at += sideLength;
    }
    lineTo(i + 1, n);
    cairo_line_to(cr, p[0].x + dx, p[0].y + dy);
    AddStretch(cr, p, n, dx, dy, toPattern, 0, twice, true);
    AddStretch(cr, p, n, dx, dy, toPattern, twice, dash, false);
    // The first round's other dashes (the dots of a dash-dot pen), which
    // the first subpath starts after: each from its start, round any
    // corner within it, to its end.
    double from = dash;
    for (std::uint32_t k = 1; k < entries; ++k) {
      const double to = from + style.dashes[k % style.dashCount];
      if (k % 2 == 0) AddStretch(cr, p, n, dx, dy, toPattern, from, to, false);
      from = to;
    }
    return true;
  }
  if (curved) {
    // The curves as they are, the figure left open at its first point: the
    // readers walk the pattern along them as the screen's flattening does,
    // within a small part of a unit.
    const DPoint* q = curved->p;
    const std::uint8_t* qt = curved->t;
    cairo_move_to(cr, q[curved->start].x + dx, q[curved->start].y + dy);
    for (std::uint32_t i = curved->start + 1; i < curved->end; ++i) {
      if ((qt[i] & ~kPtCloseFigure) == kPtBezierTo && i + 2 < curved->end) {
        cairo_curve_to(cr, q[i].x + dx, q[i].y + dy, q[i + 1].x + dx, q[i + 1].y + dy, q[i + 2].x + dx,
                       q[i + 2].y + dy);
        i += 2;
      } else {
        cairo_line_to(cr, q[i].x + dx, q[i].y + dy);
      }
    }
    const DPoint& final = q[curved->end - 1];
    if (final.x != p[0].x || final.y != p[0].y) cairo_line_to(cr, p[0].x + dx, p[0].y + dy);
  } else {
    cairo_move_to(cr, p[0].x + dx, p[0].y + dy);
    lineTo(1, n);
    cairo_line_to(cr, p[0].x + dx, p[0].y + dy);
  }
  // On past the first point along the first flattened side, within a
  // small part of a unit of the first curve.
  const DPoint past = along(std::min({end.after, dash, firstSide}) / 2);
  cairo_line_to(cr, past.x, past.y);
  return true;
}

}  // namespace kvn
