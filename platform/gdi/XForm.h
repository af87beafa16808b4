// XForm: the 2 x 3 affine transform of GDI's world transform, in its row-vector
// convention:
//
//   x' = x * eM11 + y * eM21 + eDx
//   y' = x * eM12 + y * eM22 + eDy
//
// Combine(a, b) is "a, then b", as CombineTransform has it.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"

namespace kvn {

struct XForm {
  double eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
  friend bool operator==(const XForm&, const XForm&) = default;

  DPoint Apply(const DPoint& p) const { return {p.x * eM11 + p.y * eM21 + eDx, p.x * eM12 + p.y * eM22 + eDy}; }
  // The linear part only (for vectors and lengths).
  DPoint ApplyVector(const DPoint& v) const { return {v.x * eM11 + v.y * eM21, v.x * eM12 + v.y * eM22}; }
  double Determinant() const { return eM11 * eM22 - eM12 * eM21; }
  bool IsIdentity() const { return *this == XForm{}; }
  bool IsFinite() const;
  // Finite and with a non-zero determinant.
  bool IsInvertible() const;
  // False (and `out` untouched) when the transform cannot be inverted.
  bool Invert(XForm* out) const;
  // No rotation or shear: an axis-parallel rectangle stays one.
  bool IsAxisAligned() const { return eM12 == 0 && eM21 == 0; }
};

XForm CombineTransform(const XForm& first, const XForm& second);
XForm TranslateTransform(double dx, double dy);
XForm ScaleTransform(double sx, double sy);

// floor(v + 0.5) clamped to the 32-bit range; NaN gives 0. Device coordinates
// at extreme zoom saturate instead of wrapping.
std::int32_t RoundToInt32(double v);

}  // namespace kvn
