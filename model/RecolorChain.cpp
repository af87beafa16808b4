#include "model/RecolorChain.h"

#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cText.h"

namespace kvn {

void RecolorChain(cBlock& block, std::uint32_t color) {
  for (cOutObj* object = block.FirstObject(); object; object = object->next) {
    if (cAnyLine* line = object->AsAnyLine()) line->stroke.color = color;
    if (cAnyFill* fill = object->AsAnyFill()) {
      if ((fill->fill.fillColor & 0x80000000u) == 0) fill->fill.fillColor = color;
    }
    // Set outright: a text taking its style's colour would keep it otherwise.
    if (cText* text = object->AsText()) text->attr.color = color & 0xFFFFFFu;
  }
}

}  // namespace kvn
