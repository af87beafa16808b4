// TDC::WidenPath: the closed path becomes the outline of its stroke with the
// selected pen, made by AGG's stroker rather than by a stroker of our own;
// a dashed geometric pen's dashes are cut first as the screen's stroke cuts
// them (DashedFigures.h).
//
// A geometric pen's nib is round in logical space and drawn under the
// logical-to-device matrix (CairoDC strokes it so), so the device path is
// carried back into that space, stroked there with the logical width, and
// the outline carried forward again: an anisotropic mapping widens into the
// same ellipse-nibbed shape the stroke paints.
#include <agg_basics.h>
#include <agg_conv_stroke.h>

#include <algorithm>
#include <cmath>

#include "platform/gdi/DashedFigures.h"
#include "platform/gdi/DeviceContext.h"

namespace kvn {

namespace {

// The most points a widening makes: each widening of a widened path makes
// some five times as many, so that a few in a row would take minutes and
// gigabytes. Past it the widening is refused.
constexpr std::uint32_t kMaxWidenedPoints = 1u << 20;

// A path of lines as an AGG vertex source.
class PathSource {
 public:
  explicit PathSource(const GdiPath& path) : path_(path) {}

  void rewind(unsigned) {
    next_ = 0;
    closePending_ = false;
  }

  unsigned vertex(double* x, double* y) {
    if (closePending_) {
      closePending_ = false;
      return unsigned(agg::path_cmd_end_poly) | unsigned(agg::path_flags_close);
    }
    if (next_ >= path_.Count()) return agg::path_cmd_stop;
    const std::uint8_t type = path_.Types()[next_];
    const DPoint p = path_.Points()[next_++];
    *x = p.x;
    *y = p.y;
    closePending_ = (type & kPtCloseFigure) != 0;
    return (type & ~kPtCloseFigure) == kPtMoveTo ? agg::path_cmd_move_to : agg::path_cmd_line_to;
  }

  // The length of every figure, closing sides included.
  double Length() {
    double total = 0, x0 = 0, y0 = 0, px = 0, py = 0, x, y;
    rewind(0);
    for (unsigned cmd; !agg::is_stop(cmd = vertex(&x, &y));) {
      if (agg::is_move_to(cmd)) {
        x0 = px = x;
        y0 = py = y;
      } else if (agg::is_vertex(cmd)) {
        total += std::hypot(x - px, y - py);
        px = x;
        py = y;
      } else if (agg::is_closed(cmd)) {
        total += std::hypot(x0 - px, y0 - py);
      }
    }
    return total;
  }

 private:
  const GdiPath& path_;
  std::uint32_t next_ = 0;
  bool closePending_ = false;
};

// The flattened device path carried into the nib's space.
void ToNibSpace(const GdiPath& flat, const XForm& toNib, GdiPath* out) {
  for (std::uint32_t i = 0; i < flat.Count(); ++i) {
    const std::uint8_t type = flat.Types()[i];
    const DPoint p = toNib.Apply(flat.Points()[i]);
    if ((type & ~kPtCloseFigure) == kPtMoveTo)
      out->MoveTo(p);
    else
      out->LineTo(p);
    if (type & kPtCloseFigure) out->CloseFigure();
  }
}

// Every polygon of the stroker's output as a closed figure, in device space.
// False, at once, past kMaxWidenedPoints.
template <class Stroke>
bool CollectOutline(Stroke& stroke, const XForm& nibToDevice, GdiPath* out) {
  double x, y;
  stroke.rewind(0);
  for (unsigned cmd; !agg::is_stop(cmd = stroke.vertex(&x, &y));) {
    if (out->Count() > kMaxWidenedPoints) return false;
    if (agg::is_move_to(cmd)) {
      out->CloseFigure();
      out->MoveTo(nibToDevice.Apply({x, y}));
    } else if (agg::is_vertex(cmd)) {
      out->LineTo(nibToDevice.Apply({x, y}));
    } else if (agg::is_end_poly(cmd)) {
      out->CloseFigure();
    }
  }
  out->CloseFigure();
  return true;
}

bool StrokeOutline(PathSource& source, const PenData& pen, double width, double miterLimit, double detail,
                   const XForm& nibToDevice, GdiPath* out) {
  agg::conv_stroke<PathSource> stroke(source);
  stroke.width(width);
  stroke.line_cap(pen.EndCap() == kPsEndCapFlat     ? agg::butt_cap
                  : pen.EndCap() == kPsEndCapSquare ? agg::square_cap
                                                    : agg::round_cap);
  // Past the limit GDI bevels the corner: AGG's "revert" mitre does that.
  stroke.line_join(pen.Join() == kPsJoinMiter   ? agg::miter_join_revert
                   : pen.Join() == kPsJoinBevel ? agg::bevel_join
                                                : agg::round_join);
  stroke.miter_limit(miterLimit);
  // Round caps and joins are cut finely enough for the device, not the nib.
  stroke.approximation_scale(detail);
  return CollectOutline(stroke, nibToDevice, out);
}

}  // namespace

bool TDC::WidenPath() {
  if (pathState_ != PathState::Closed || !state_.pen.IsValid() || !path_.IsFinite()) return false;
  const PenData& pen = state_.pen.Data();
  if (!pen.geometric || pen.IsNull()) return false;
  XForm nib = GetLogicalToDevice();
  nib.eDx = nib.eDy = 0;
  XForm toNib;
  if (!nib.Invert(&toNib)) return false;
  const double scale = std::sqrt(std::fabs(nib.Determinant()));
  const double deviceWidth = double(pen.width) * scale;
  if (!std::isfinite(deviceWidth) || (!pen.extended && deviceWidth <= 1.0)) return false;
  const double width = deviceWidth > kMaxPenDeviceWidth ? kMaxPenDeviceWidth / scale : double(pen.width);
  const double detail = std::max(std::hypot(nib.eM11, nib.eM12), std::hypot(nib.eM21, nib.eM22));

  GdiPath flat, nibPath;
  path_.Flatten(0.25, &flat);
  ToNibSpace(flat, toNib, &nibPath);
  PathSource source(nibPath);
  GdiPath outline;
  double dashes[kMaxUserStyleEntries];
  const std::uint32_t count = PenDashes(pen, dashes);
  double period = 0;
  for (std::uint32_t i = 0; i < count; ++i) period += dashes[i];
  bool made = false;
  if (count > 0 && period > 0 && std::isfinite(period) && source.Length() / period * count < kMaxDashesPerStroke) {
    GdiPath dashed;
    DashFigures(nibPath, dashes, count, &dashed);
    PathSource dashSource(dashed);
    made = StrokeOutline(dashSource, pen, width, state_.miterLimit, detail, nib, &outline);
  } else {
    made = StrokeOutline(source, pen, width, state_.miterLimit, detail, nib, &outline);
  }
  // An outline past the limit is refused whole, the path left as it was.
  if (!made) return false;
  if (!outline.IsFinite()) return false;
  path_ = std::move(outline);
  pathWidened_ = true;
  return true;
}

}  // namespace kvn
