#include "import/records/SplineBeziers.h"

#include <algorithm>
#include <cmath>

namespace kvn {

namespace {

Vec3 Add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Mul(const Vec3& a, double f) { return {a.x * f, a.y * f, a.z * f}; }
Vec3 Mid(const Vec3& a, const Vec3& b) { return Mul(Add(a, b), 0.5); }
// a + (b - a) * f
Vec3 Along(const Vec3& a, const Vec3& b, double f) { return Add(a, Mul(Sub(b, a), f)); }

bool Finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// ---- the uniform rule ----

void UniformSegments(std::vector<Cubic3D>& out, const std::vector<Vec3>& q) {
  const std::size_t m = q.size();
  if (m == 3) {
    out.push_back(Cubic3D{{q[0], q[1], q[1], q[2]}});
    return;
  }
  if (m == 4) {
    out.push_back(Cubic3D{{q[0], q[1], q[2], q[3]}});
    return;
  }
  // Entry and exit points of the inner legs 1 .. m-3: the legs next to the
  // ends are cut at their midpoints, the others at their thirds.
  auto entry = [&](std::size_t k) {
    return (k == 1 || k == m - 3) ? Mid(q[k], q[k + 1]) : Along(q[k], q[k + 1], 1.0 / 3.0);
  };
  auto exit = [&](std::size_t k) {
    return (k == 1 || k == m - 3) ? Mid(q[k], q[k + 1]) : Along(q[k], q[k + 1], 2.0 / 3.0);
  };
  out.push_back(Cubic3D{{q[0], q[1], exit(1), Mid(exit(1), entry(2))}});
  for (std::size_t k = 2; k + 4 <= m; ++k) {
    out.push_back(Cubic3D{{Mid(exit(k - 1), entry(k)), entry(k), exit(k), Mid(exit(k), entry(k + 1))}});
  }
  out.push_back(Cubic3D{{Mid(exit(m - 4), entry(m - 3)), entry(m - 3), q[m - 2], q[m - 1]}});
}

// ---- true curves ----

struct H4 {
  double x = 0, y = 0, z = 0, w = 0;
};
H4 Lerp(const H4& a, const H4& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t, a.w + (b.w - a.w) * t};
}
Vec3 Project(const H4& h) { return {h.x / h.w, h.y / h.w, h.z / h.w}; }

// A Bézier piece in homogeneous coordinates, degree = size - 1.
using Piece = std::vector<H4>;

H4 EvaluatePiece(const Piece& piece, double t) {
  Piece work = piece;
  for (std::size_t r = 1; r < work.size(); ++r) {
    for (std::size_t i = 0; i + r < work.size(); ++i) work[i] = Lerp(work[i], work[i + 1], t);
  }
  return work[0];
}

void SplitPiece(const Piece& piece, Piece& left, Piece& right) {
  const std::size_t n = piece.size();
  Piece work = piece;
  left.assign(n, H4{});
  right.assign(n, H4{});
  left[0] = work[0];
  right[n - 1] = work[n - 1];
  for (std::size_t r = 1; r < n; ++r) {
    for (std::size_t i = 0; i + r < n; ++i) work[i] = Lerp(work[i], work[i + 1], 0.5);
    left[r] = work[0];
    right[n - 1 - r] = work[n - 1 - r];
  }
}

Vec3 CubicPoint(const Cubic3D& c, double t) {
  const double s = 1 - t;
  const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
  return {b0 * c.p[0].x + b1 * c.p[1].x + b2 * c.p[2].x + b3 * c.p[3].x,
          b0 * c.p[0].y + b1 * c.p[1].y + b2 * c.p[2].y + b3 * c.p[3].y,
          b0 * c.p[0].z + b1 * c.p[1].z + b2 * c.p[2].z + b3 * c.p[3].z};
}

// The cubic with the piece's end points and end tangents.
Cubic3D HermiteCubic(const Piece& piece) {
  const std::size_t p = piece.size() - 1;
  const H4& a = piece[0];
  const H4& b = piece[p];
  const Vec3 c0 = Project(a), c1 = Project(b);
  // C' = (A' - w' C) / w with A the homogeneous numerator.
  auto derivative = [&](const H4& from, const H4& to, const H4& at, const Vec3& c) {
    const double k = double(p);
    const H4 d{(to.x - from.x) * k, (to.y - from.y) * k, (to.z - from.z) * k, (to.w - from.w) * k};
    return Vec3{(d.x - d.w * c.x) / at.w, (d.y - d.w * c.y) / at.w, (d.z - d.w * c.z) / at.w};
  };
  const Vec3 d0 = derivative(piece[0], piece[1], a, c0);
  const Vec3 d1 = derivative(piece[p - 1], piece[p], b, c1);
  return Cubic3D{{c0, Add(c0, Mul(d0, 1.0 / 3.0)), Sub(c1, Mul(d1, 1.0 / 3.0)), c1}};
}

double Distance(const Vec3& a, const Vec3& b) { return std::sqrt(Sub(a, b).LengthSq()); }

// Polynomial pieces of degree 3 or less are cubics already (raised in degree).
bool ExactCubic(const Piece& piece, Cubic3D& out) {
  const double w = piece[0].w;
  for (const H4& h : piece) {
    if (std::fabs(h.w - w) > 1e-12 * std::fabs(w)) return false;
  }
  std::vector<Vec3> q;
  for (const H4& h : piece) q.push_back(Project(h));
  switch (q.size()) {
    case 2: out = Cubic3D{{q[0], q[0], q[1], q[1]}}; return true;
    case 3: out = Cubic3D{{q[0], Along(q[0], q[1], 2.0 / 3.0), Along(q[2], q[1], 2.0 / 3.0), q[2]}}; return true;
    case 4: out = Cubic3D{{q[0], q[1], q[2], q[3]}}; return true;
    default: return false;
  }
}

constexpr int kMaxHalvings = 12;

void PieceToCubics(std::vector<Cubic3D>& out, const Piece& piece, double tolerance, int depth, std::size_t limit) {
  Cubic3D cubic;
  if (ExactCubic(piece, cubic)) {
    out.push_back(cubic);
    return;
  }
  cubic = HermiteCubic(piece);
  double error = 0;
  for (int i = 1; i < 8; ++i) {
    const double t = i / 8.0;
    error = std::max(error, Distance(Project(EvaluatePiece(piece, t)), CubicPoint(cubic, t)));
  }
  if (!(error > tolerance) || depth >= kMaxHalvings || out.size() >= limit) {
    out.push_back(cubic);
    return;
  }
  Piece left, right;
  SplitPiece(piece, left, right);
  PieceToCubics(out, left, tolerance, depth + 1, limit);
  PieceToCubics(out, right, tolerance, depth + 1, limit);
}

}  // namespace

std::uint32_t InsertPointAt(std::vector<Vec3>& points, const Vec3& p, std::uint32_t index) {
  if (index >= points.size()) {
    points.push_back(p);
    return std::uint32_t(points.size() - 1);
  }
  points.insert(points.begin() + index, p);
  return index;
}

void SplineToBeziers(std::vector<Cubic3D>& out, std::span<const Vec3> points, bool closed) {
  if (points.size() < 2) return;
  if (points.size() == 2) {
    out.push_back(Cubic3D{{points[0], points[0], points[1], points[1]}});
    return;
  }
  std::vector<Vec3> q(points.begin(), points.end());
  q.reserve(q.size() + 8);
  if (closed) {
    const Vec3 a = Along(q[0], q[1], 1.0 / 3.0);
    const Vec3 b = Along(q[0], q.back(), 1.0 / 3.0);
    const Vec3 c = Mid(a, b);
    q[0] = a;
    InsertPointAt(q, c, 0);
    InsertPointAt(q, b, std::uint32_t(q.size()));
    InsertPointAt(q, c, std::uint32_t(q.size()));
  }
  UniformSegments(out, q);
}

bool IsValidBSpline(int degree, std::span<const double> knots, std::span<const double> weights,
                    std::span<const Vec3> poles) {
  const std::size_t n = poles.size();
  if (degree < 1 || degree > kMaxSplineDegree || n < std::size_t(degree) + 1) return false;
  if (knots.size() != n + std::size_t(degree) + 1) return false;
  for (std::size_t i = 0; i < knots.size(); ++i) {
    if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1])) return false;
  }
  if (!(knots[n] > knots[std::size_t(degree)])) return false;
  if (!weights.empty()) {
    if (weights.size() != n) return false;
    for (double w : weights) {
      if (!std::isfinite(w) || !(w > 0)) return false;
    }
  }
  for (const Vec3& p : poles) {
    if (!Finite(p)) return false;
  }
  return true;
}

bool BSplineToBeziers(std::vector<Cubic3D>& out, int degree, std::span<const double> knots,
                      std::span<const double> weights, std::span<const Vec3> poles) {
  if (!IsValidBSpline(degree, knots, weights, poles)) return false;
  const std::size_t p = std::size_t(degree);
  const std::size_t n = poles.size();
  std::vector<H4> homogeneous(n);
  Vec3 low = poles[0], high = poles[0];
  for (std::size_t i = 0; i < n; ++i) {
    const double w = weights.empty() ? 1.0 : weights[i];
    homogeneous[i] = H4{poles[i].x * w, poles[i].y * w, poles[i].z * w, w};
    low = {std::min(low.x, poles[i].x), std::min(low.y, poles[i].y), std::min(low.z, poles[i].z)};
    high = {std::max(high.x, poles[i].x), std::max(high.y, poles[i].y), std::max(high.z, poles[i].z)};
  }
  const double tolerance = 1e-6 * Distance(low, high);
  const std::size_t limit = out.size() + kMaxSplineSegments;

  Piece piece(p + 1);
  std::vector<H4> work(p + 1);
  std::vector<double> arguments(p);
  for (std::size_t k = p; k < n && out.size() < limit; ++k) {
    const double a = knots[k], b = knots[k + 1];
    if (!(b > a)) continue;
    // Bézier pole j of the span is the blossom at (a repeated p - j times,
    // b repeated j times), computed by de Boor's scheme with one argument
    // per level. Every denominator spans [a, b] at least, so none is zero.
    for (std::size_t j = 0; j <= p; ++j) {
      for (std::size_t r = 0; r < p; ++r) arguments[r] = r < p - j ? a : b;
      for (std::size_t i = 0; i <= p; ++i) work[i] = homogeneous[k - p + i];
      for (std::size_t r = 1; r <= p; ++r) {
        for (std::size_t i = p; i >= r; --i) {
          const double u0 = knots[k - p + i], u1 = knots[k + 1 + i - r];
          const double alpha = (arguments[r - 1] - u0) / (u1 - u0);
          work[i] = Lerp(work[i - 1], work[i], alpha);
        }
      }
      piece[j] = work[p];
    }
    PieceToCubics(out, piece, tolerance, 0, limit);
  }
  return true;
}

}  // namespace kvn
