#include "model/RecolorChain.h"

#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"

namespace kvn {

void RecolorChain(cBlock& block, std::uint32_t color) {
  for (cOutObj* object = block.FirstObject(); object; object = object->next) {
    if (cAnyLine* line = object->AsAnyLine()) line->stroke.color = color;
    if (cAnyFill* fill = object->AsAnyFill()) {
      if ((fill->fill.fillColor & 0x80000000u) == 0) fill->fill.fillColor = color;
    }
  }
}

}  // namespace kvn
