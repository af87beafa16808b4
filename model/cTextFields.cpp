#include "model/cTextFields.h"

namespace kvn {

namespace {
FieldExpander g_expander = nullptr;
}  // namespace

bool ExpandFields(WString& text, cDrawingData* data, cText* owner, cOutObj* context, cOutObj* insert,
                  WString* extraChars) {
  return g_expander ? g_expander(text, data, owner, context, insert, extraChars) : false;
}

FieldExpander SetFieldExpander(FieldExpander expander) {
  FieldExpander previous = g_expander;
  g_expander = expander;
  return previous;
}

}  // namespace kvn
