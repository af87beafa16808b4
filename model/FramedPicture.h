// cFramedPicture: what a picture (cBitmap) and a metafile (cWmf) share, a
// turned frame that every geometric edit changes and that makes the object
// dirty.
#pragma once

#include "model/PictureFrame.h"
#include "model/cOutObj.h"

namespace kvn {

class cFramedPicture : public cOutObj {
 public:
  using cOutObj::cOutObj;

  void Move(const DPoint& offset) override;
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  // The frame spanned by the first two points.
  void SetPoints(const DPoint* points, int count) override;
  void GetCorners(DPoint out[4]) const { frame.GetCorners(out); }

  PictureFrame frame;
};

}  // namespace kvn
