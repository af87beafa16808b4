#include "model/PathBuffer.h"

namespace kvn {

SegmentArray* path_buffer_detail::GrowCurrent() { return Current().pieces.Add(new SegmentArray); }

int PathBuffer::SetPathMode(int mode) {
  const int old = path_buffer_detail::pathMode;
  path_buffer_detail::pathMode = mode ? 1 : 0;
  return old;
}

}  // namespace kvn
