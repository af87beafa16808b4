// The frame that pictures and metafiles are shown in: a first corner, a
// width and a height in drawing units (negative values mirror), turned about
// the corner by an angle kept in (-180, 180], with the bounds of the turned
// frame. cBitmap and cWmf share its geometry.
#pragma once

#include "foundation/DPoint.h"
#include "foundation/DRect.h"

namespace kvn {

struct PictureFrame {
  DPoint origin{0, 0};
  double width = 0.0;
  double height = 0.0;
  double angle = 0.0;  // degrees
  DRect extent{0, 0, 0, 0};

  // origin, + (width, 0), + (width, height), + (0, height), each turned
  // about the origin by -angle.
  void GetCorners(DPoint out[4]) const;
  // The frame spanned by two corners, upright.
  void SetPoints(const DPoint& p, const DPoint& q);
  void Move(const DPoint& offset);
  // Any angle: the origin turns about the centre, the frame's angle takes
  // the opposite turn.
  void Rotate(const DPoint& centre, double degrees);
  void Scale(const DPoint& centre, const DPoint& factors);
  // The extent from the four corners.
  void Recalc();
};

}  // namespace kvn
