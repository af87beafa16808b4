// Curve and polyline clipping: cuts pieces of cubic segments (1/256 device
// pixel, DeviceSegment) at a clip rectangle before any output.
//
// Path pieces may reach millions of pixels outside the device at high zoom,
// while GDI-style targets and metafiles take 16-bit coordinates and the
// anti-aliased rasterizer coordinates below 2^28. The stroke output hands each
// piece to SplitPieceAtClip and draws the parts it gets back; fills clip whole
// contours with ClipClosedContour.
//
// Inside test: x1 <= x < x2 and y1 <= y < y2 (the right and bottom edges are
// outside). Segments wholly inside are recognised by comparing their four
// points; bounding boxes and root finding run only for curves that reach out.
// Cut points are rounded to whole 1/256 units, so a part may touch the right
// or bottom edge, and a curve part may overshoot an edge by a unit.
//
// Process-wide scratch storage (GUI thread only): the splitter's piece pool
// and the contour clipper's result arrays are reused from call to call.
#pragma once

#include <cstdint>

#include "model/PathBuffer.h"
#include "model/WorldMapping.h"

namespace kvn {

// Normalised, 1/256 device pixel.
struct ClipRect {
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Nested splits after which a piece is handed on as it is. Splits that move
// along a piece (each one leaving fewer segments to look at) do not count, so
// a long polyline may cross the rectangle any number of times.
inline constexpr int kClipMaxDepth = 100;

// ---- one segment ----

struct SegmentBounds {
  std::int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// The outcome of TestSegmentAgainstRect when it answers "crosses": the part
// before the cut and the part after it, each flagged when it lies outside.
struct SegmentCut {
  DeviceSegment first{};
  DeviceSegment second{};
  bool firstOutside = false;
  bool secondOutside = false;
};

// True (crosses) when the segment enters, leaves or lies outside the
// rectangle: a straight segment is cut at the first edge it passes (the
// outside part flagged), a curve at the first edge line inside its bounding
// box where a cut is found (both parts unflagged, to be tested again); one
// that lies outside, or reaches no more than one unit into the rectangle,
// gives its end points with both flags set. False when the segment stays
// inside, or when no cut can be made.
bool TestSegmentAgainstRect(SegmentCut& out, const DeviceSegment& s, const ClipRect& r);

// Where the segment p0-p1 meets the vertical line x = edge: its y, rounded to
// nearest (halves away from p0.y). A segment parallel to the line, or a result
// beyond 32 bits, gives p0.y - 1.
std::int32_t IntersectLineX(const DevicePoint& p0, const DevicePoint& p1, std::int32_t edge);
// The same for the horizontal line y = edge: the x where the segment meets it.
std::int32_t IntersectLineY(const DevicePoint& p0, const DevicePoint& p1, std::int32_t edge);

// Cuts the curve where it meets the line x = edge (vertical) or y = edge at a
// parameter strictly inside (1e-7, 0.9999999). False, with the outputs
// untouched, when there is no such parameter.
bool CutCubicAtLine(DeviceSegment& first, DeviceSegment& second, const DeviceSegment& s, std::int32_t edge,
                    bool verticalEdge);

// The part of the curve between parameters t0 and t1, every coordinate
// rounded as floor(v + 0.5).
void CubicSubsegmentInt(DeviceSegment& out, const DeviceSegment& s, double t0, double t1);

// The tight bounding box of the curve (extremes of the curve itself, not of
// its control points), each bound rounded as floor(v + 0.5).
void CubicBoundsInt(SegmentBounds& out, const DeviceSegment& s);

// ---- pieces ----

// A part that survived the clip: an optional first segment of its own (the
// piece of a cut segment) followed by a run of segments of the piece. Valid
// only during the sink call.
class ClipPart {
 public:
  ClipPart() = default;
  ClipPart(const DeviceSegment* run, std::uint32_t runCount) : run_(run), runCount_(runCount) {}
  ClipPart(const DeviceSegment& lead, const DeviceSegment* run, std::uint32_t runCount)
      : lead_(lead), hasLead_(true), run_(run), runCount_(runCount) {}

  std::uint32_t Count() const { return runCount_ + (hasLead_ ? 1u : 0u); }
  bool Empty() const { return Count() == 0; }
  const DeviceSegment& operator[](std::uint32_t i) const {
    return hasLead_ ? (i == 0 ? lead_ : run_[i - 1]) : run_[i];
  }
  // The part from segment i on.
  ClipPart From(std::uint32_t i) const;
  // The first n segments.
  ClipPart Prefix(std::uint32_t n) const;
  // This part, which must not have a first segment of its own, after `lead`.
  ClipPart WithLead(const DeviceSegment& lead) const { return ClipPart(lead, run_, runCount_); }

 private:
  DeviceSegment lead_{};
  bool hasLead_ = false;
  const DeviceSegment* run_ = nullptr;
  std::uint32_t runCount_ = 0;
};

class ClipPartSink {
 public:
  virtual ~ClipPartSink() = default;
  // One surviving part, in the order the splitter reaches them. `closed` is
  // set only for a closed piece that needed no cut. Returning true ends the
  // whole split (a visibility test stops at the first part).
  virtual bool OnClipPart(const ClipPart& part, bool closed) = 0;
};

// Splits the piece at the clip rectangle and hands every surviving part to
// the sink: the parts before the first cut come first; a closed piece that is
// cut becomes one open part starting where it re-enters the rectangle, plus
// any further parts. Sets *splitFlag to 1 when a cut was made. `depth` is the
// number of nested splits already made (0 for a caller's piece). Answers
// whether the sink stopped the split.
bool SplitPieceAtClip(const DeviceSegment* segments, std::uint32_t count, bool closed, const ClipRect& clip,
                      ClipPartSink& sink, std::uint8_t* splitFlag = nullptr, int depth = 0);
inline bool SplitPieceAtClip(const SegmentArray& piece, const ClipRect& clip, ClipPartSink& sink,
                             std::uint8_t* splitFlag = nullptr) {
  return SplitPieceAtClip(piece.Items(), piece.Count(), piece.closed != 0, clip, sink, splitFlag);
}

// The splitter's dry run: whether any part of the piece survives the clip.
bool PieceHasVisiblePart(const SegmentArray& piece, const ClipRect& clip);

// Clips a closed contour to the rectangle for filling, one side at a time
// (left, top, right, bottom, each only where the contour leaves on that
// side). Answers the piece itself when no point leaves the rectangle,
// otherwise one closed piece in a process-wide array that the next call
// reuses: empty when nothing is inside. Where the contour runs outside, it is
// replaced by straight segments along the clip edges, so the result's
// segments always join up.
const SegmentArray& ClipClosedContour(const ClipRect& clip, const SegmentArray& piece);

}  // namespace kvn
