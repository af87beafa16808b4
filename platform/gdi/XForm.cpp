#include "platform/gdi/XForm.h"

#include <cmath>

namespace kvn {

bool XForm::IsFinite() const {
  return std::isfinite(eM11) && std::isfinite(eM12) && std::isfinite(eM21) && std::isfinite(eM22) &&
         std::isfinite(eDx) && std::isfinite(eDy);
}

bool XForm::IsInvertible() const {
  double det = Determinant();
  return IsFinite() && std::isfinite(det) && det != 0.0;
}

bool XForm::Invert(XForm* out) const {
  if (!IsInvertible()) return false;
  double det = Determinant();
  XForm r;
  r.eM11 = eM22 / det;
  r.eM12 = -eM12 / det;
  r.eM21 = -eM21 / det;
  r.eM22 = eM11 / det;
  r.eDx = -(eDx * r.eM11 + eDy * r.eM21);
  r.eDy = -(eDx * r.eM12 + eDy * r.eM22);
  if (!r.IsFinite()) return false;
  *out = r;
  return true;
}

XForm CombineTransform(const XForm& a, const XForm& b) {
  XForm r;
  r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
  r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
  r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
  r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
  r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
  r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
  return r;
}

XForm TranslateTransform(double dx, double dy) { return XForm{1, 0, 0, 1, dx, dy}; }
XForm ScaleTransform(double sx, double sy) { return XForm{sx, 0, 0, sy, 0, 0}; }

std::int32_t RoundToInt32(double v) {
  if (std::isnan(v)) return 0;
  double r = std::floor(v + 0.5);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return std::int32_t(r);
}

}  // namespace kvn
