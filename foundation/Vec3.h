// Vec3: a 3-D vector of doubles, used by the import of foreign drawings.
#pragma once

namespace kvn {

struct Vec3 {
  double x = 0, y = 0, z = 0;

  // Vectors shorter than 1e-20 become the zero vector instead of exploding.
  void Normalize();
  Vec3 Normalized() const;
  double LengthSq() const { return x * x + y * y + z * z; }
  double LengthSqXY() const { return x * x + y * y; }
  void Scale(double f) {
    x *= f;
    y *= f;
    z *= f;
  }
  void Add(const Vec3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
  }
  void Subtract(const Vec3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
  }
  // (length, azimuth, elevation); the smallest normal double keeps a zero
  // vector from dividing by zero.
  void ToSpherical(Vec3& out) const;
  // Angles (radians) between the vector and each axis; zero for a null vector.
  void ToDirectionAngles();
  void DirectionAnglesOf(const Vec3& v);
  // Angles of the vector's projections onto the yz, zx and xy planes.
  void AxisAnglesOf(const Vec3& v);

  friend bool operator==(const Vec3&, const Vec3&) = default;
};

// Direction of (x2 - x1, y2 - y1) in radians in [0, 2 pi), counter-clockwise
// from the positive x axis; 0 for a null vector.
double AngleOfVector2D(double x1, double y1, double x2, double y2);

}  // namespace kvn
