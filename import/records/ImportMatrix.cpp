#include "import/records/ImportMatrix.h"
#include "foundation/MathConstants.h"

#include <cmath>
#include <cstring>

namespace kvn {

namespace {

constexpr double kSmallestNormal = 2.2250738585072014e-308;

void Multiply(const double* a, const double* b, double* out) {
  double r[16];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r[i * 4 + j] = a[i * 4] * b[j] + a[i * 4 + 1] * b[4 + j] + a[i * 4 + 2] * b[8 + j] + a[i * 4 + 3] * b[12 + j];
    }
  }
  std::memcpy(out, r, sizeof(r));
}

void FromRows(double* out, const double* r0, const double* r1, const double* r2, const double* r3) {
  std::memcpy(out, r0, 4 * sizeof(double));
  std::memcpy(out + 4, r1, 4 * sizeof(double));
  std::memcpy(out + 8, r2, 4 * sizeof(double));
  std::memcpy(out + 12, r3, 4 * sizeof(double));
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

void ImportMatrix::SetIdentity() {
  std::memset(m, 0, sizeof(m));
  m[0] = m[5] = m[10] = m[15] = 1.0;
}

void ImportMatrix::CopyValues(const ImportMatrix& a) { std::memcpy(m, a.m, sizeof(m)); }

void ImportMatrix::PreMultiply(const ImportMatrix& a) { Multiply(a.m, m, m); }
void ImportMatrix::PostMultiply(const ImportMatrix& a) { Multiply(m, a.m, m); }

void ImportMatrix::PreMultiplyRows(const double* r0, const double* r1, const double* r2, const double* r3) {
  double a[16];
  FromRows(a, r0, r1, r2, r3);
  Multiply(a, m, m);
}

void ImportMatrix::PostMultiplyRows(const double* r0, const double* r1, const double* r2, const double* r3) {
  double a[16];
  FromRows(a, r0, r1, r2, r3);
  Multiply(m, a, m);
}

void ImportMatrix::SetProduct(const ImportMatrix& a, const ImportMatrix& b) { Multiply(a.m, b.m, m); }

void ImportMatrix::PreTranslate(const Vec3& t) {
  const double r0[4] = {1, 0, 0, t.x}, r1[4] = {0, 1, 0, t.y}, r2[4] = {0, 0, 1, t.z}, r3[4] = {0, 0, 0, 1};
  PreMultiplyRows(r0, r1, r2, r3);
}

void ImportMatrix::PreTranslateNegated(const Vec3& t) { PreTranslate(Vec3{-t.x, -t.y, -t.z}); }

void ImportMatrix::PreScaleAbout(const Vec3& s, const Vec3& c) {
  const double r0[4] = {s.x, 0, 0, (1 - s.x) * c.x}, r1[4] = {0, s.y, 0, (1 - s.y) * c.y},
               r2[4] = {0, 0, s.z, (1 - s.z) * c.z}, r3[4] = {0, 0, 0, 1};
  PreMultiplyRows(r0, r1, r2, r3);
}

void ImportMatrix::PreRotateAboutAxis(const Vec3& p1, const Vec3& p2, double angle) {
  Vec3 d{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
  double len = std::sqrt(d.LengthSq());
  if (!(len > 0.0)) return;
  double s = std::sin(angle / 2) / len;
  double w = std::cos(angle / 2), x = d.x * s, y = d.y * s, z = d.z * s;
  const double r0[4] = {1 - 2 * y * y - 2 * z * z, 2 * x * y - 2 * w * z, 2 * x * z + 2 * w * y, 0};
  const double r1[4] = {2 * x * y + 2 * w * z, 1 - 2 * x * x - 2 * z * z, 2 * y * z - 2 * w * x, 0};
  const double r2[4] = {2 * x * z - 2 * w * y, 2 * y * z + 2 * w * x, 1 - 2 * x * x - 2 * y * y, 0};
  const double r3[4] = {0, 0, 0, 1};
  PreTranslateNegated(p1);
  PreMultiplyRows(r0, r1, r2, r3);
  PreTranslate(p1);
}

void ImportMatrix::PreApplyAxes(const Vec3& ax, const Vec3& ay, const Vec3& az) {
  const double r0[4] = {ax.x, ay.x, az.x, 0}, r1[4] = {ax.y, ay.y, az.y, 0}, r2[4] = {ax.z, ay.z, az.z, 0},
               r3[4] = {0, 0, 0, 1};
  PreMultiplyRows(r0, r1, r2, r3);
}

void ImportMatrix::PreApplyAxesTransposed(const Vec3& ax, const Vec3& ay, const Vec3& az) {
  const double r0[4] = {ax.x, ax.y, ax.z, 0}, r1[4] = {ay.x, ay.y, ay.z, 0}, r2[4] = {az.x, az.y, az.z, 0},
               r3[4] = {0, 0, 0, 1};
  PreMultiplyRows(r0, r1, r2, r3);
}

void OffPlaneCounter::Note(double z) {
  if (!hasPlane) {
    hasPlane = true;
    plane = z;
  }
  if (std::fabs(z - plane) > 1e-6) ++count;
}

DPoint ImportMatrix::TransformTo2D(const Vec3& p) const {
  Vec3 q = TransformPoint(p);
  if (counter) counter->Note(q.z);
  return DPoint{q.x, -q.y};
}

Vec3 ImportMatrix::InverseTransformPoint(const Vec3& p) const {
  double bx = p.x - m[3], by = p.y - m[7], bz = p.z - m[11];
  double det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
               m[2] * (m[4] * m[9] - m[5] * m[8]);
  if (std::fabs(det) < 1e-30) return {};
  double dx = bx * (m[5] * m[10] - m[6] * m[9]) - m[1] * (by * m[10] - m[6] * bz) + m[2] * (by * m[9] - m[5] * bz);
  double dy = m[0] * (by * m[10] - m[6] * bz) - bx * (m[4] * m[10] - m[6] * m[8]) + m[2] * (m[4] * bz - by * m[8]);
  double dz = m[0] * (m[5] * bz - by * m[9]) - m[1] * (m[4] * bz - by * m[8]) + bx * (m[4] * m[9] - m[5] * m[8]);
  return {dx / det, dy / det, dz / det};
}

Vec3 CartesianToSpherical(double x, double y, double z) {
  double r = std::sqrt(x * x + y * y + z * z);
  return {r, std::atan2(y, x + kSmallestNormal), std::asin(z / (r + kSmallestNormal))};
}

Vec3 SphericalToCartesian(double r, double longitude, double latitude) {
  return {r * std::cos(latitude) * std::cos(longitude), r * std::cos(latitude) * std::sin(longitude),
          r * std::sin(latitude)};
}

bool IsDefaultExtrusion(const Vec3& n) {
  return std::fabs(n.x) < 1e-10 && std::fabs(n.y) < 1e-10 && std::fabs(n.z - 1.0) < 1e-10;
}

void ArbitraryAxes(const Vec3& n, Vec3& ax, Vec3& ay) {
  constexpr double kThreshold = 1.0 / 64.0;
  if (std::fabs(n.x) < kThreshold && std::fabs(n.y) < kThreshold) {
    ax = Vec3{n.z, 0.0, -n.x};  // world y x N
  } else {
    ax = Vec3{-n.y, n.x, 0.0};  // world z x N
  }
  ax.Normalize();
  ay = Cross(n, ax);
  ay.Normalize();
}

Vec3 OcsToWcs(const Vec3& p, const Vec3& n) {
  if (IsDefaultExtrusion(n)) return p;
  Vec3 z = n.Normalized();
  Vec3 ax, ay;
  ArbitraryAxes(z, ax, ay);
  return {p.x * ax.x + p.y * ay.x + p.z * z.x, p.x * ax.y + p.y * ay.y + p.z * z.y,
          p.x * ax.z + p.y * ay.z + p.z * z.z};
}

double UniformScaleFactor(const ImportMatrix& m, const Vec3& n) {
  Vec3 e1 = m.TransformDirection(OcsToWcs(Vec3{1, 0, 0}, n));
  Vec3 e2 = m.TransformDirection(OcsToWcs(Vec3{0, 1, 0}, n));
  double l1 = e1.LengthSq();
  if (std::fabs(l1 - e2.LengthSq()) >= 1e-8) return 0.0;
  if (std::fabs(e1.z - e2.z) >= 1e-8) return 0.0;
  e1.z = 0.0;
  e2.z = 0.0;
  Vec3 d{e1.x - e2.x, e1.y - e2.y, 0.0};
  if (std::fabs(2 * e1.LengthSq() - d.LengthSq()) >= 1e-8) return 0.0;
  return std::sqrt(l1);
}

ImportMatrix BuildViewMatrix(const Vec3& direction, double twistDegrees) {
  ImportMatrix result;
  if (direction.LengthSq() <= 1e-10) return result;
  Vec3 n = direction.Normalized();
  Vec3 ax, ay;
  ArbitraryAxes(n, ax, ay);
  ImportMatrix work;
  work.PreApplyAxesTransposed(ax, ay, n);
  work.PreRotateAboutAxis(Vec3{0, 0, 0}, Vec3{0, 0, 1}, twistDegrees * kPi / 180.0);
  work.PreTranslateNegated(work.TransformPoint(Vec3{0, 0, 0}));
  result.PostMultiply(work);
  return result;
}

}  // namespace kvn
