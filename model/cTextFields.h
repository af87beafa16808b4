// The title-block fields of a text's display text. The field expansion
// arrives with its own work; until then the hand-over leaves the text as it
// is and answers false (nothing replaced).
#pragma once

#include "foundation/WString.h"

namespace kvn {

class cDrawingData;
class cOutObj;
class cText;

// Replaces the fields in `text`; true when anything was replaced.
bool ExpandFields(WString& text, cDrawingData* data, cText* owner, cOutObj* context, cOutObj* insert,
                  const WString& extraChars);

}  // namespace kvn
