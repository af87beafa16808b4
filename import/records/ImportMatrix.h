// ImportMatrix: the 4 x 4 affine transform with which the CAD import places
// every entity (the chosen view direction, the insert chain and the drawing
// scale folded into one matrix).
//
// Sixteen doubles, row by row; a point (x, y, z) is the column (x, y, z, 1).
// "Pre-apply A" means M := A * M (A acts after M), "post-apply" M := M * A.
// Drawing objects have y pointing down, so TransformTo2D negates y. The z that
// remains after mapping is only counted through the counter pointer, which
// the drawing assembly sets to learn whether the view shows 3-D content; the
// matrix does not own it. A point counts when its z lies more than 1e-6 off
// the plane of the first point mapped: a flat drawing at an elevation is no
// 3-D content.
//
// Entities with an extrusion direction (group codes 210/220/230) give their
// points in an object coordinate system whose axes come from the DXF
// arbitrary-axis rule (ArbitraryAxes); OcsToWcs brings them into world
// coordinates before the matrix applies.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/Vec3.h"

namespace kvn {

// Points off the plane (at the z of the first point) across the view.
struct OffPlaneCounter {
  std::uint32_t count = 0;
  bool hasPlane = false;
  double plane = 0.0;
  void Note(double z);
};

class ImportMatrix {
 public:
  ImportMatrix() { SetIdentity(); }
  ImportMatrix(const ImportMatrix&) = default;
  ImportMatrix& operator=(const ImportMatrix&) = default;

  double m[16];
  OffPlaneCounter* counter = nullptr;

  // Values only; the counter pointer stays.
  void SetIdentity();
  void CopyValues(const ImportMatrix& a);

  void PreMultiply(const ImportMatrix& a);
  void PostMultiply(const ImportMatrix& a);
  void PreMultiplyRows(const double* r0, const double* r1, const double* r2, const double* r3);
  void PostMultiplyRows(const double* r0, const double* r1, const double* r2, const double* r3);
  // this := a * b (values only).
  void SetProduct(const ImportMatrix& a, const ImportMatrix& b);

  void PreTranslate(const Vec3& t);
  void PreTranslate(double x, double y, double z) { PreTranslate(Vec3{x, y, z}); }
  void PreTranslateNegated(const Vec3& t);
  void PreTranslateNegated(double x, double y, double z) { PreTranslateNegated(Vec3{x, y, z}); }
  void PreScaleAbout(const Vec3& s, const Vec3& centre);
  void PreScaleAbout(double sx, double sy, double sz, const Vec3& centre) { PreScaleAbout(Vec3{sx, sy, sz}, centre); }
  // Rotation about the line from p1 to p2 (radians, right-handed about
  // p2 - p1). Coincident points leave the matrix unchanged.
  void PreRotateAboutAxis(const Vec3& p1, const Vec3& p2, double angle);
  // Columns ax, ay, az: object axes to world.
  void PreApplyAxes(const Vec3& ax, const Vec3& ay, const Vec3& az);
  // Rows ax, ay, az: world to object axes.
  void PreApplyAxesTransposed(const Vec3& ax, const Vec3& ay, const Vec3& az);

  // Always inlined: every point and direction of an open passes here, and
  // a call or none must not depend on the unity group of the caller.
  [[gnu::always_inline]] Vec3 TransformPoint(const Vec3& p) const {
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
  }
  // Rows 0..2, the counter test on z, and y negated.
  DPoint TransformTo2D(const Vec3& p) const;
  [[gnu::always_inline]] Vec3 TransformDirection(const Vec3& v) const {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
            m[8] * v.x + m[9] * v.y + m[10] * v.z};
  }
  // The q with M q = p (Cramer's rule); (0, 0, 0) for a singular matrix
  // (|det| < 1e-30).
  Vec3 InverseTransformPoint(const Vec3& p) const;
};

// (r, longitude, latitude); the smallest normal double keeps the origin defined.
Vec3 CartesianToSpherical(double x, double y, double z);
Vec3 SphericalToCartesian(double r, double longitude, double latitude);
inline Vec3 SphericalToCartesian(const Vec3& s) { return SphericalToCartesian(s.x, s.y, s.z); }

// (0, 0, 1) within 1e-10 per component.
bool IsDefaultExtrusion(const Vec3& n);
// The DXF arbitrary-axis rule with its 1/64 threshold; n is a unit normal.
void ArbitraryAxes(const Vec3& n, Vec3& ax, Vec3& ay);
// p given in the OCS of extrusion n, in world coordinates. An extrusion shorter
// than 1e-20 maps every point onto the origin.
Vec3 OcsToWcs(const Vec3& p, const Vec3& n);
// The factor by which m scales the OCS plane of n when it maps it without
// distortion (equal axis lengths, equal depth, perpendicular images), else 0.0.
double UniformScaleFactor(const ImportMatrix& m, const Vec3& n);
// World into the view along `direction`, turned by `twistDegrees`; the world
// origin stays at the origin. A direction with squared length 1e-10 or less
// gives the identity.
ImportMatrix BuildViewMatrix(const Vec3& direction, double twistDegrees);

}  // namespace kvn
