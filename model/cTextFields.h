// The title-block fields of a text's display text. The engine needs the
// document and its drawing record, which live above the model: it is
// installed here at start-up (document/TitleFields.h). Without it the text
// stays as it is and the call answers false (nothing replaced).
#pragma once

#include "foundation/WString.h"

namespace kvn {

class cDrawingData;
class cOutObj;
class cText;

// Replaces the fields in `text`; true when anything was replaced. `context`
// is one context object or null; fields whose value changes without the
// text changing append the characters they may show to `extraChars` (when
// given), so that the caller can load their glyphs in advance.
bool ExpandFields(WString& text, cDrawingData* data, cText* owner, cOutObj* context, cOutObj* insert,
                  WString* extraChars);

using FieldExpander = bool (*)(WString& text, cDrawingData* data, cText* owner, cOutObj* context, cOutObj* insert,
                               WString* extraChars);
// Installs the engine; returns the one before (null at first).
FieldExpander SetFieldExpander(FieldExpander expander);

}  // namespace kvn
