#include "import/records/ImportFrames.h"

namespace kvn {

namespace {

Vec3 CrossProduct(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

Vec3 ToDirectionFrame(const Vec3& p, const Vec3& direction) {
  Vec3 x = direction.LengthSq() < 1e-30 ? Vec3{1, 0, 0} : direction.Normalized();
  Vec3 y = CrossProduct(Vec3{0, 0, 1}, x).Normalized();
  if (y.LengthSq() == 0.0) {
    // Along the z axis: the world y axis crossed with X gives a frame that
    // turns with the sign of the direction.
    y = CrossProduct(x, CrossProduct(Vec3{0, 1, 0}, x).Normalized()).Normalized();
  }
  Vec3 z = CrossProduct(x, y).Normalized();
  ImportMatrix frame;
  frame.PreApplyAxes(x, y, z);
  return frame.TransformPoint(p);
}

Vec3 SetupInsertMatrix(ImportMatrix& m, const Vec3& extrusion, double rotationDegrees, const Vec3& scale,
                       const Vec3& insertionPoint) {
  constexpr double kPi = 3.141592653589793;
  Vec3 n = extrusion.Normalized();
  bool tilted = !IsDefaultExtrusion(n);
  Vec3 ax, ay;
  if (tilted) {
    ArbitraryAxes(n, ax, ay);
    m.PreApplyAxes(ax, ay, n);
  }
  Vec3 out = m.TransformPoint(insertionPoint);
  m.SetIdentity();
  m.PreScaleAbout(scale, Vec3{0, 0, 0});
  if (tilted) m.PreApplyAxes(ax, ay, n);
  Vec3 origin = m.TransformPoint(Vec3{0, 0, 0});
  m.PreRotateAboutAxis(origin, n, rotationDegrees * kPi / 180.0);
  return out;
}

}  // namespace kvn
