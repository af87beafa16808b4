#include "model/FramedPicture.h"

namespace kvn {

void cFramedPicture::SetPoints(const DPoint* points, int count) {
  if (!points || count < 2) return;
  frame.SetPoints(points[0], points[1]);
  MarkDirty();
}

void cFramedPicture::Move(const DPoint& offset) {
  frame.Move(offset);
  MarkDirty();
}

bool cFramedPicture::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  frame.Rotate(centre, angleDegrees);
  MarkDirty();
  return true;
}

bool cFramedPicture::Scale(const TransformContext&, const DPoint& centre, const DPoint& factors) {
  frame.Scale(centre, factors);
  MarkDirty();
  return true;
}

}  // namespace kvn
