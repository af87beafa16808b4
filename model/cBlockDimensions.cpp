#include "model/cBlock.h"
#include "model/cDistance.h"

namespace kvn {

void cBlock::SetDimensionFactor(std::uint32_t numberMode, double factor) {
  for (cOutObj* o = FirstObject(); o; o = o->next) {
    if (cDistance* d = o->AsDistance()) {
      d->numberMode = numberMode;
      d->lengthFactor = factor;
      d->MarkDirty();
    }
  }
}

}  // namespace kvn
