// The piece-level part of the curve clip: the splitter that hands the parts of
// a piece inside the clip rectangle to a sink, and the closed-contour clipper
// built on it.
#include "render/CurveClip.h"

namespace kvn {

namespace {

// ---- the piece pool ----
// Pieces made by cuts live in a process-wide pool whose records and buffers
// are kept for reuse. A scope gives back what it took when it ends, so a call
// made from inside a sink takes records beyond those its caller holds.
struct PiecePool {
  OwnedArray<SegmentArray> pieces;
  std::uint32_t inUse = 0;

  SegmentArray* Take() {
    if (inUse == pieces.Count()) pieces.Add(new SegmentArray);
    SegmentArray* piece = pieces[inUse++];
    piece->Clear();
    return piece;
  }
};

PiecePool& Pool() {
  static PiecePool pool;
  return pool;
}

class PoolScope {
 public:
  PoolScope() : saved_(Pool().inUse) {}
  ~PoolScope() { Pool().inUse = saved_; }
  PoolScope(const PoolScope&) = delete;
  PoolScope& operator=(const PoolScope&) = delete;

 private:
  std::uint32_t saved_;
};

void AppendPart(SegmentArray& to, const ClipPart& part) {
  to.segments.Reserve(part.Count());
  for (std::uint32_t i = 0; i < part.Count(); ++i) to.Append(part[i]);
}

struct Splitter {
  const ClipRect& clip;
  ClipPartSink& sink;
  std::uint8_t* splitFlag;

  // Answers whether the sink stopped the split.
  bool Split(ClipPart piece, bool closed, int depth) {
    const int entryDepth = depth;
    PoolScope mergedScope;  // holds a cut closed piece re-ordered to start at its re-entry
    for (;;) {
      if (piece.Empty()) return false;
      if (++depth >= kClipMaxDepth) return sink.OnClipPart(piece, closed);

      // Find the first cut and where the rest of the piece starts again.
      bool crossed = false;
      bool dropping = false;  // after a cut whose second part lies outside
      std::uint32_t cutIndex = 0;
      DeviceSegment kept{};
      bool keptOutside = false;
      ClipPart remainder;
      SegmentCut cut;
      const std::uint32_t n = piece.Count();
      for (std::uint32_t i = 0; i < n; ++i) {
        if (!TestSegmentAgainstRect(cut, piece[i], clip)) {
          if (dropping) {
            remainder = piece.From(i);
            break;
          }
          continue;
        }
        if (!crossed) {
          crossed = true;
          cutIndex = i;
          kept = cut.first;
          keptOutside = cut.firstOutside;
          if (!cut.secondOutside) {
            remainder = piece.From(i + 1).WithLead(cut.second);
            break;
          }
          dropping = true;
          continue;
        }
        if (!cut.firstOutside) {
          remainder = piece.From(i);
          break;
        }
        if (!cut.secondOutside) {
          remainder = piece.From(i + 1).WithLead(cut.second);
          break;
        }
        // Wholly outside: dropped.
      }
      if (!crossed) return sink.OnClipPart(piece, closed);
      if (splitFlag) *splitFlag = 1;

      if (closed) {
        // One open part that starts where the outline re-enters: the
        // remainder, then the head up to the first cut.
        SegmentArray* merged = Pool().Take();
        AppendPart(*merged, remainder);
        AppendPart(*merged, piece.Prefix(cutIndex));
        if (!keptOutside) merged->Append(kept);
        remainder = ClipPart(merged->Items(), merged->Count());
      } else if (cutIndex > 0 || !keptOutside) {
        PoolScope headScope;
        SegmentArray* head = Pool().Take();
        AppendPart(*head, piece.Prefix(cutIndex));
        if (!keptOutside) head->Append(kept);
        if (Split(ClipPart(head->Items(), head->Count()), false, depth)) return true;
      }
      // Only splits that leave as much of the piece to look at count towards
      // the depth; one that moves along the piece starts the count again.
      if (remainder.Count() < n) depth = entryDepth;
      piece = remainder;
      closed = false;
    }
  }
};

}  // namespace

// ---- ClipPart ----

ClipPart ClipPart::From(std::uint32_t i) const {
  if (i >= Count()) return ClipPart();
  if (!hasLead_) return ClipPart(run_ + i, runCount_ - i);
  if (i == 0) return *this;
  return ClipPart(run_ + (i - 1), runCount_ - (i - 1));
}

ClipPart ClipPart::Prefix(std::uint32_t n) const {
  if (n >= Count()) return *this;
  ClipPart out = *this;
  if (hasLead_) {
    if (n == 0) return ClipPart();
    out.runCount_ = n - 1;
  } else {
    out.runCount_ = n;
  }
  return out;
}

// ---- entry points ----

bool SplitPieceAtClip(const DeviceSegment* segments, std::uint32_t count, bool closed, const ClipRect& clip,
                      ClipPartSink& sink, std::uint8_t* splitFlag, int depth) {
  if (!segments || count == 0) return false;
  PoolScope scope;
  Splitter splitter{clip, sink, splitFlag};
  return splitter.Split(ClipPart(segments, count), closed, depth);
}

bool PieceHasVisiblePart(const SegmentArray& piece, const ClipRect& clip) {
  struct Probe : ClipPartSink {
    bool visible = false;
    bool OnClipPart(const ClipPart&, bool) override {
      visible = true;
      return true;
    }
  } probe;
  SplitPieceAtClip(piece, clip, probe);
  return probe.visible;
}

const SegmentArray& ClipClosedContour(const ClipRect& clip, const SegmentArray& piece) {
  // Which sides the contour leaves on; a contour that leaves on none stays.
  bool left = false, top = false, right = false, bottom = false;
  for (const DeviceSegment& s : piece.segments) {
    for (int i = 0; i < 8; i += 2) {
      left |= s.v[i] < clip.x1;
      right |= s.v[i] > clip.x2;
      top |= s.v[i + 1] < clip.y1;
      bottom |= s.v[i + 1] > clip.y2;
    }
  }
  if (!left && !top && !right && !bottom) return piece;

  // Each side against a half-plane, the parts of one pass concatenated into
  // the contour of the next. Where two parts do not meet, their ends lie on
  // the side just cut and a straight join along it is inserted (also from the
  // last part back to the first): the next side must cut these joins too, or
  // the contour would lose the rectangle's corners, and nothing at all would
  // be left of a contour that surrounds the rectangle. Two arrays take turns
  // as input and output.
  static SegmentArray buffers[2];
  struct Collect : ClipPartSink {
    SegmentArray* to = nullptr;
    bool OnClipPart(const ClipPart& part, bool) override {
      if (to->Count() > 0) Join(to->Items()[to->Count() - 1], part[0]);
      AppendPart(*to, part);
      return false;
    }
    void Join(const DeviceSegment& from, const DeviceSegment& next) {
      if (from.v[6] != next.v[0] || from.v[7] != next.v[1])
        to->Append(DeviceSegment::Line(from.v[6], from.v[7], next.v[0], next.v[1]));
    }
  } collect;
  constexpr std::int32_t kFar = 2147483647;
  const ClipRect halfPlanes[4] = {{clip.x1, -kFar, kFar, kFar},
                                  {-kFar, clip.y1, kFar, kFar},
                                  {-kFar, -kFar, clip.x2, kFar},
                                  {-kFar, -kFar, kFar, clip.y2}};
  const bool sides[4] = {left, top, right, bottom};
  const SegmentArray* input = &piece;
  int next = 0;
  if (input == &buffers[0]) next = 1;  // the caller passed back an earlier result
  for (int side = 0; side < 4; ++side) {
    if (!sides[side]) continue;
    SegmentArray& output = buffers[next];
    output.Clear();
    collect.to = &output;
    SplitPieceAtClip(input->Items(), input->Count(), true, halfPlanes[side], collect);
    if (output.Count() > 0) collect.Join(output.Items()[output.Count() - 1], output.Items()[0]);
    output.closed = 1;
    input = &output;
    next ^= 1;
  }
  return *input;
}

}  // namespace kvn
