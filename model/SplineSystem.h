// Tangents of a smooth curve through a run of points, as cubic pieces weighted
// by chord length.
//
// Piece i runs from point i to point i + 1 over its own parameter 0..1. Its
// start tangent is (tx, ty)[i], its end tangent (ex, ey)[i] = r[i] x the next
// piece's start tangent, where r[i] = L[i] / L[i + 1] is the ratio of the two
// chord lengths: the curve is then C1 in a parameter that advances by L[i]
// along piece i. Row i of the system asks for equal second derivatives at
// point i in that parameter (natural ends for an open run):
//   t[i-1] + 2 r (r + 1) t[i] + r^2 r[i] t[i+1] = 3 (r^2 d[i] + d[i-1]),  r = r[i-1]
// A ratio whose divisor is below FLT_EPSILON is 0.
//
// The system is solved exactly. Ten Jacobi sweeps, the classic way of
// solving it, stop short where neighbouring chords differ strongly (tangents
// off by up to a tenth of their size, measured on random runs, which shows as
// kinks); for evenly spaced points both give the same curves. Written as above
// the system is not diagonally dominant when a short chord precedes a long one
// (2 r (r + 1) < 1 for r < 0.37), so the unknowns are first scaled by their
// chord lengths and the rows by their largest entry, which turns it into the
// usual dominant chord-length spline system without changing its solution;
// then Gaussian elimination with partial pivoting (open runs) or the
// Sherman-Morrison reduction of the cyclic system to two such solves (closed
// runs). A singular or non-finite case (chords below FLT_EPSILON) leaves the
// affected tangents at 0, which keeps the pieces inside their control hull.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/DPoint.h"

namespace kvn {

class SplineSystem {
 public:
  // Copies the n points; n may be 0.
  SplineSystem(const DPoint* points, std::uint32_t n);

  // Tangents of the n - 1 pieces of an open run; fewer than 2 points: nothing.
  void SolveOpen();
  // Tangents of the n pieces of a closed run, the last returning to point 0.
  // Fewer than 3 points give straight pieces (tangent = chord).
  void SolveClosed();

  // Every array holds n values; see the class comment.
  std::vector<double> x, y;
  std::vector<double> dx, dy;
  std::vector<double> tx, ty;
  std::vector<double> ex, ey;
  std::vector<double> r;
  std::vector<double> a, b, c;
  std::int32_t n = 0;

 private:
  // Solve the system (a, b, c) with the right-hand side `rhs` in place. For the
  // closed form a[0] couples row 0 to the last unknown and c[n-1] the last row
  // to unknown 0. `scale` holds the chord length that belongs to each unknown.
  void SolveOpenSystem(std::vector<double>& rhs, const std::vector<double>& scale) const;
  void SolveClosedSystem(std::vector<double>& rhs, const std::vector<double>& scale) const;
};

// Gaussian elimination with partial pivoting of the tridiagonal system
// sub[i] x[i-1] + diag[i] x[i] + sup[i] x[i+1] = rhs[i] (sub[0] and
// sup[n-1] unused); the solution replaces rhs. Unknowns of a singular column
// come out as 0. The arrays are used as scratch.
void SolveTridiagonal(std::vector<double>& sub, std::vector<double>& diag, std::vector<double>& sup,
                      std::vector<double>& rhs);

}  // namespace kvn
