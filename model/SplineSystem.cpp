#include "model/SplineSystem.h"
#include "foundation/MathConstants.h"

#include <cfloat>
#include <cmath>

namespace kvn {

namespace {


// Quotient whose divisor is below FLT_EPSILON in magnitude: 0.
double Ratio(double num, double den) { return std::fabs(den) < kFloatEpsilon ? 0.0 : num / den; }

double Positive(double v) { return v > 0 && std::isfinite(v) ? v : 1.0; }

void ZeroNonFinite(std::vector<double>& v) {
  for (double& e : v) {
    if (!std::isfinite(e)) e = 0;
  }
}

// Scales unknown j by scale[j] and every row by the inverse of its largest
// entry. The solution of the scaled system times scale is the solution of the
// given one; the scaled chord-length system is strictly diagonally dominant.
struct ScaledSystem {
  std::vector<double> sub, diag, sup, rhs;
  double corner0 = 0;     // row 0, last unknown (closed only)
  double cornerLast = 0;  // last row, unknown 0 (closed only)
};

ScaledSystem Scale(const std::vector<double>& a, const std::vector<double>& b, const std::vector<double>& c,
                   const std::vector<double>& rhs, const std::vector<double>& scale, bool closed) {
  const std::size_t n = b.size();
  ScaledSystem s{std::vector<double>(n, 0.0), std::vector<double>(n, 0.0), std::vector<double>(n, 0.0),
                 std::vector<double>(n, 0.0)};
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t prev = i == 0 ? n - 1 : i - 1;
    const std::size_t next = i + 1 == n ? 0 : i + 1;
    double lower = (i > 0 || closed) ? a[i] * scale[prev] : 0.0;
    double upper = (i + 1 < n || closed) ? c[i] * scale[next] : 0.0;
    double mid = b[i] * scale[i];
    const double largest = std::fmax(std::fabs(mid), std::fmax(std::fabs(lower), std::fabs(upper)));
    const double k = largest > 0 && std::isfinite(largest) ? 1.0 / largest : 1.0;
    lower *= k;
    upper *= k;
    mid *= k;
    s.diag[i] = mid;
    s.rhs[i] = rhs[i] * k;
    if (i == 0 && closed) {
      s.corner0 = lower;
    } else {
      s.sub[i] = lower;
    }
    if (i + 1 == n && closed) {
      s.cornerLast = upper;
    } else {
      s.sup[i] = upper;
    }
  }
  return s;
}

}  // namespace

void SolveTridiagonal(std::vector<double>& sub, std::vector<double>& diag, std::vector<double>& sup,
                      std::vector<double>& rhs) {
  const std::size_t n = diag.size();
  if (n == 0) return;
  std::vector<double> sup2(n, 0.0);  // fill-in two places right of the diagonal after a row swap
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const double lower = sub[k + 1];
    if (std::fabs(diag[k]) >= std::fabs(lower)) {
      if (diag[k] != 0) {
        const double f = lower / diag[k];
        diag[k + 1] -= f * sup[k];
        rhs[k + 1] -= f * rhs[k];
      }
      // Both zero: nothing to eliminate in this column; its unknown comes out 0.
    } else {
      const double f = diag[k] / lower;
      diag[k] = lower;
      const double oldDiag = diag[k + 1];
      diag[k + 1] = sup[k] - f * oldDiag;
      if (k + 2 < n) {
        sup2[k] = sup[k + 1];
        sup[k + 1] = -f * sup2[k];
      }
      sup[k] = oldDiag;
      const double oldRhs = rhs[k];
      rhs[k] = rhs[k + 1];
      rhs[k + 1] = oldRhs - f * rhs[k];
    }
  }
  for (std::size_t k = n; k-- > 0;) {
    double v = rhs[k];
    if (k + 1 < n) v -= sup[k] * rhs[k + 1];
    if (k + 2 < n) v -= sup2[k] * rhs[k + 2];
    const double xk = diag[k] != 0 ? v / diag[k] : 0.0;
    rhs[k] = std::isfinite(xk) ? xk : 0.0;
  }
}

SplineSystem::SplineSystem(const DPoint* points, std::uint32_t count)
    : x(count), y(count), dx(count), dy(count), tx(count), ty(count), ex(count), ey(count), r(count), a(count),
      b(count), c(count), n(std::int32_t(count)) {
  for (std::uint32_t i = 0; i < count; ++i) {
    x[i] = points[i].x;
    y[i] = points[i].y;
  }
}

void SplineSystem::SolveOpen() {
  if (n < 2) return;
  const int last = n - 1;
  std::vector<double> len(n, 0.0);
  for (int i = 0; i < last; ++i) {
    dx[i] = x[i + 1] - x[i];
    dy[i] = y[i + 1] - y[i];
    len[i] = std::hypot(dx[i], dy[i]);
  }
  for (int i = 0; i + 2 < n; ++i) r[i] = Ratio(len[i], len[i + 1]);
  r[last - 1] = 1;

  b[0] = 2;
  c[0] = r[0];
  for (int i = 1; i < last; ++i) {
    const double q = r[i - 1];
    a[i] = 1;
    b[i] = 2 * q * (q + 1);
    c[i] = q * q * r[i];
    tx[i] = 3 * (q * q * dx[i] + dx[i - 1]);
    ty[i] = 3 * (q * q * dy[i] + dy[i - 1]);
  }
  a[last] = 1;
  b[last] = 2 * r[last - 1];
  tx[0] = 3 * dx[0];
  ty[0] = 3 * dy[0];
  tx[last] = 3 * dx[last - 1];
  ty[last] = 3 * dy[last - 1];

  // The last unknown is the end tangent of the last piece, which spans chord n - 2.
  std::vector<double> scale(n);
  for (int i = 0; i < last; ++i) scale[i] = Positive(len[i]);
  scale[last] = Positive(len[last - 1]);
  SolveOpenSystem(tx, scale);
  SolveOpenSystem(ty, scale);

  for (int i = 0; i < last; ++i) {
    ex[i] = tx[i + 1] * r[i];
    ey[i] = ty[i + 1] * r[i];
  }
}

void SplineSystem::SolveClosed() {
  if (n < 1) return;
  const int last = n - 1;
  for (int i = 0; i < n; ++i) {
    const int next = i == last ? 0 : i + 1;
    dx[i] = x[next] - x[i];
    dy[i] = y[next] - y[i];
  }
  if (n < 3) {
    for (int i = 0; i < n; ++i) {
      tx[i] = ex[i] = dx[i];
      ty[i] = ey[i] = dy[i];
      r[i] = 1;
    }
    return;
  }
  std::vector<double> len(n);
  for (int i = 0; i < n; ++i) len[i] = std::hypot(dx[i], dy[i]);
  for (int i = 0; i < last; ++i) r[i] = Ratio(len[i], len[i + 1]);
  r[last] = Ratio(len[last], len[0]);

  for (int i = 0; i < n; ++i) {
    const int prev = i == 0 ? last : i - 1;
    const double q = r[prev];
    a[i] = 1;
    b[i] = 2 * q * (q + 1);
    c[i] = q * q * r[i];
    tx[i] = 3 * (q * q * dx[i] + dx[prev]);
    ty[i] = 3 * (q * q * dy[i] + dy[prev]);
  }

  std::vector<double> scale(n);
  for (int i = 0; i < n; ++i) scale[i] = Positive(len[i]);
  SolveClosedSystem(tx, scale);
  SolveClosedSystem(ty, scale);

  for (int i = 0; i < n; ++i) {
    const int next = i == last ? 0 : i + 1;
    ex[i] = r[i] * tx[next];
    ey[i] = r[i] * ty[next];
  }
}

void SplineSystem::SolveOpenSystem(std::vector<double>& rhs, const std::vector<double>& scale) const {
  ScaledSystem s = Scale(a, b, c, rhs, scale, false);
  SolveTridiagonal(s.sub, s.diag, s.sup, s.rhs);
  for (std::size_t i = 0; i < rhs.size(); ++i) rhs[i] = s.rhs[i] * scale[i];
  ZeroNonFinite(rhs);
}

void SplineSystem::SolveClosedSystem(std::vector<double>& rhs, const std::vector<double>& scale) const {
  const std::size_t count = rhs.size();
  ScaledSystem s = Scale(a, b, c, rhs, scale, true);
  // Sherman-Morrison: A = T + u v^T with u = (gamma, 0, ..., beta) and
  // v = (1, 0, ..., alpha / gamma); T is tridiagonal, so A x = rhs costs two
  // tridiagonal solves.
  const double alpha = s.corner0;
  const double beta = s.cornerLast;
  const double gamma = s.diag[0] != 0 ? -s.diag[0] : -1.0;
  std::vector<double> diag = s.diag;
  diag[0] -= gamma;
  diag[count - 1] -= alpha * beta / gamma;

  std::vector<double> sub = s.sub, sup = s.sup, d = diag;
  std::vector<double> xs = s.rhs;
  SolveTridiagonal(sub, d, sup, xs);

  std::vector<double> z(count, 0.0);
  z[0] = gamma;
  z[count - 1] = beta;
  sub = s.sub;
  sup = s.sup;
  d = diag;
  SolveTridiagonal(sub, d, sup, z);

  const double denom = 1 + z[0] + alpha * z[count - 1] / gamma;
  const double fact = denom != 0 ? (xs[0] + alpha * xs[count - 1] / gamma) / denom : 0.0;
  for (std::size_t i = 0; i < count; ++i) rhs[i] = (xs[i] - fact * z[i]) * scale[i];
  ZeroNonFinite(rhs);
}

}  // namespace kvn
