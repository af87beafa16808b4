#include "platform/gdi/DashedFigures.h"

#include <cmath>
#include <vector>

#include "platform/gdi/GdiObjects.h"

namespace kvn {

namespace {

class Dasher {
 public:
  Dasher(const double* pattern, std::uint32_t count, GdiPath* out)
      : pattern_(pattern), count_(count), entries_(DashRoundEntries(count)), out_(out) {
    double total = 0;
    for (std::uint32_t i = 0; i < count; ++i) total += pattern[i];
    // A dash that turns within rounding of the first point is taken as
    // turned there, as the screen's vector page takes it.
    tiny_ = (entries_ == count ? total : 2 * total) * 1e-9;
  }

  void Figure(const DPoint* p, std::uint32_t n, bool closed) {
    std::uint32_t k = 0;
    double left = pattern_[0];
    bool on = true, cut = false;
    std::vector<DPoint> piece{p[0]}, first;
    const std::uint32_t sides = closed ? n : n - 1;
    for (std::uint32_t i = 0; i < sides; ++i) {
      const DPoint& a = p[i];
      const DPoint& b = p[i + 1 < n ? i + 1 : 0];
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (!(length > 0)) continue;
      double t = 0;
      while (length - t > left) {
        t += left;
        const double share = t / length;
        const DPoint q{a.x + (b.x - a.x) * share, a.y + (b.y - a.y) * share};
        if (on) {
          piece.push_back(q);
          if (closed && !cut)
            first = std::move(piece);
          else
            Emit(piece, false);
          piece.clear();
        } else {
          piece.assign(1, q);
        }
        cut = true;
        on = !on;
        k = (k + 1) % entries_;
        left = pattern_[k % count_];
      }
      left -= length - t;
      if (on) piece.push_back(b);
    }
    if (!on) {
      Emit(first, false);
      return;
    }
    if (!cut) {
      if (closed && piece.size() > 2) piece.pop_back();  // the first point again
      Emit(piece, closed);
      return;
    }
    // The dash through the first point: the last one and the first one as
    // one figure, joined there as the stroke joins them.
    const double drawn = pattern_[k % count_] - left;
    if (!first.empty() && left > tiny_ && drawn > tiny_) {
      piece.insert(piece.end(), first.begin() + 1, first.end());
      Emit(piece, false);
    } else {
      Emit(piece, false);
      Emit(first, false);
    }
  }

 private:
  void Emit(const std::vector<DPoint>& piece, bool close) {
    std::uint32_t kept = 0;
    for (const DPoint& q : piece) {
      if (kept > 0 && q.x == last_.x && q.y == last_.y) continue;
      if (kept == 0) {
        // Held back until a second point gives the figure a length.
        start_ = q;
      } else {
        if (kept == 1) out_->MoveTo(start_);
        out_->LineTo(q);
      }
      last_ = q;
      ++kept;
    }
    if (close && kept > 1) out_->CloseFigure();
  }

  const double* pattern_;
  std::uint32_t count_, entries_;
  GdiPath* out_;
  double tiny_ = 0;
  DPoint start_{}, last_{};
};

}  // namespace

void DashFigures(const GdiPath& flat, const double* pattern, std::uint32_t count, GdiPath* out) {
  if (count == 0) return;
  Dasher dasher(pattern, count, out);
  const std::uint32_t n = flat.Count();
  const DPoint* p = flat.Points();
  const std::uint8_t* t = flat.Types();
  for (std::uint32_t start = 0; start < n;) {
    std::uint32_t end = start + 1;
    while (end < n && (t[end - 1] & kPtCloseFigure) == 0 && (t[end] & ~kPtCloseFigure) != kPtMoveTo) ++end;
    const bool closed = (t[end - 1] & kPtCloseFigure) != 0;
    dasher.Figure(p + start, end - start, closed);
    start = end;
  }
}

}  // namespace kvn
