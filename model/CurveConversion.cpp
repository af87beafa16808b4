// PointList::ToBeziers: every curve kind as cubic records.
#include <vector>

#include "model/PointList.h"
#include "model/RoundedCorners.h"
#include "model/SplineSystem.h"

namespace kvn {

namespace {

DPoint Along(const DPoint& p, double tx, double ty, double k) { return {p.x + tx * k, p.y + ty * k}; }

// One run of distinct consecutive points as an open curve: two points give a
// straight record, more an interpolating spline.
void AppendOpenRun(CubicArray& out, const DPoint* q, std::uint32_t m) {
  if (m < 2) return;
  if (m == 2) {
    out.Append64(Cubic::Straight(q[0], q[1]));
    return;
  }
  SplineSystem s(q, m);
  s.SolveOpen();
  for (std::uint32_t i = 0; i + 1 < m; ++i) {
    out.Append64(Cubic{{q[i], Along(q[i], s.tx[i], s.ty[i], 1.0 / 3), Along(q[i + 1], s.ex[i], s.ey[i], -1.0 / 3),
                        q[i + 1]}});
  }
}

// An open smooth curve: two equal consecutive points end one run and start the next.
void AppendOpenSmooth(CubicArray& out, const DPoint* q, std::uint32_t m) {
  std::uint32_t start = 0;
  while (start < m) {
    std::uint32_t end = start;
    while (end + 1 < m && !(q[end + 1] == q[end])) ++end;
    AppendOpenRun(out, q + start, end - start + 1);
    start = end + 1;
  }
}

void AppendPeriodic(CubicArray& out, const DPoint* q, std::uint32_t m) {
  if (m < 2) return;
  if (m == 2) {
    out.Append64(Cubic::Straight(q[0], q[1]));
    out.Append64(Cubic::Straight(q[1], q[0]));
    return;
  }
  SplineSystem s(q, m);
  s.SolveClosed();
  for (std::uint32_t i = 0; i < m; ++i) {
    const DPoint& next = q[i + 1 < m ? i + 1 : 0];
    out.Append64(
        Cubic{{q[i], Along(q[i], s.tx[i], s.ty[i], 1.0 / 3), Along(next, s.ex[i], s.ey[i], -1.0 / 3), next}});
  }
}

void AppendSmooth(CubicArray& out, const DPoint* p, std::uint32_t n, bool closed) {
  if (n == 0) return;
  if (!closed || p[0] == p[n - 1]) {
    AppendOpenSmooth(out, p, n);
    return;
  }
  // A closed curve that stops at a doubled point is an open curve from the
  // second of the pair round to the first.
  for (std::uint32_t j = 0; j + 1 < n; ++j) {
    if (p[j] == p[j + 1]) {
      std::vector<DPoint> rotated;
      rotated.reserve(n);
      rotated.insert(rotated.end(), p + j + 1, p + n);
      rotated.insert(rotated.end(), p, p + j + 1);
      AppendOpenSmooth(out, rotated.data(), n);
      return;
    }
  }
  AppendPeriodic(out, p, n);
}

}  // namespace

void PointList::ToBeziers(CubicArray& out) const {
  out.closed = IsClosed();
  std::uint32_t used = 0;
  const int kind = GetCurveKind(&used);
  const DPoint* p = points_.Items();
  const std::uint32_t n = points_.Count();
  switch (kind) {
    case 1:
      AppendSmooth(out, p, n, IsClosed());
      break;
    case 2:
      RoundedPolylineToBeziers(out, nullptr, p, n, IsClosed(), weight_ > 0 ? weight_ : 0.0, nullptr);
      break;
    case 3:
      for (std::uint32_t j = 0; 3 * j + 3 < used; ++j) out.Append64(Cubic{{p[3 * j], p[3 * j + 1], p[3 * j + 2], p[3 * j + 3]}});
      if (IsClosed() && !(p[used - 1] == p[0])) out.Append64(Cubic::Straight(p[used - 1], p[0]));
      break;
    default:
      RoundedPolylineToBeziers(out, nullptr, p, n, IsClosed(), 0.0, nullptr);
      break;
  }
}

}  // namespace kvn
